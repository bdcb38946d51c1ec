#!/usr/bin/env bash
# Builds Tastora and starts it under Wine from build/tastora (its data\ folder is
# there), on the current display or, when there is none, on a virtual one (Xvfb).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash scripts/build.sh

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
ensure_display
if [[ -n "${TASTORA_XVFB_PID:-}" ]]; then
  echo "run: Tastora runs on the virtual display $DISPLAY, invisible; it ends with this script (Ctrl+C)" >&2
else
  echo "run: starting Tastora on $DISPLAY" >&2
fi
ensure_wine_prefix
# A bare X server (Xvfb) has no window manager: Wine then draws the windows' frames and
# hands them the keyboard focus itself. On a desktop the window manager does that.
if display_has_window_manager; then
  set_windows_managed yes || true
else
  set_windows_managed no || true
fi
cd build/tastora
status=0
wine tastora.exe "$@" || status=$?
echo "run: Tastora ended (exit code $status)" >&2
exit "$status"
