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
cd build/tastora
status=0
wine tastora.exe "$@" || status=$?
echo "run: Tastora ended (exit code $status)" >&2
exit "$status"
