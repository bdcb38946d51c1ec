#!/usr/bin/env bash
# The learner's operations timed natively and under Wine (the shipped 32-bit build), side
# by side with their targets: bash scripts/bench-wine.sh [rounds] [repeats]
# Builds what is missing first. The Google Benchmark programs in build/native/bench time
# the native build in more detail.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
bash scripts/build.sh >&2
source scripts/wine-env.sh
ensure_display
ensure_wine_prefix
python3 bench/timings/compare.py "$ROOT" build/native/bench/timings build/mingw/timings.exe \
  build/native/data "${1:-3}" "${2:-15}"
