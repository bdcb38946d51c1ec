#!/usr/bin/env bash
# Builds Tastora and saves PNG screenshots of every window of a fresh start into
# build/screenshots/ (one file per window, named by its class: TForm1.png is the login
# window), under Russian regional settings, and the same under English ones into
# build/screenshots/english/ (when the system has the en_US.UTF-8 locale). Runs on the
# current display or, when there is none, on a virtual one (Xvfb). The keyboard in each
# key state and the first screen of every lesson, composed from the generated course
# data, go to build/screenshots/course/.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash scripts/build.sh || echo "screenshots: the build failed in part; using what was built" >&2

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
ensure_display
export TASTORA_RUNDIR="$ROOT/build/tastora" TASTORA_MINGW_BUILD="$ROOT/build/mingw"
status=0
timeout 600 python3 tests/e2e/screenshots.py "$ROOT/build/screenshots" || status=$?
if locale -a 2>/dev/null | grep -qix 'en_US\.utf-\?8'; then
  timeout 600 python3 tests/e2e/screenshots.py --locale en_US.UTF-8 "$ROOT/build/screenshots/english" || status=$?
fi

# The course pictures as the exercise window composes them.
generator="$ROOT/build/native/course/tastora_course"
if [[ -x "$generator" ]]; then
  work=$(mktemp -d)
  mkdir -p "$ROOT/build/screenshots/course"
  if "$generator" "$work/data" --previews "$work/previews" >/dev/null; then
    for bmp in "$work"/previews/*.bmp; do
      convert "$bmp" "$ROOT/build/screenshots/course/$(basename "${bmp%.bmp}").png"
    done
    # The first and last frames of every movie.
    cp "$work"/previews/*.png "$ROOT/build/screenshots/course/" 2>/dev/null || true
  else
    status=1
  fi
  rm -rf "$work"
fi
exit "$status"
