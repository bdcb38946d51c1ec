#!/usr/bin/env bash
# The speed figures of the shipped build beside the native build's and the targets, in one
# run: the learner's operations (bench/timings), the Google Benchmark programs and the
# start-up against a plain Win32 baseline, native and Wine alternately, medians over the
# rounds, and at the end each target with whether it is met (bench/wine_report.py).
#   bash scripts/bench-wine.sh [rounds] [repeats]
#   bash scripts/bench-wine.sh --startup [runs]   the start-up part alone (default 10 runs)
# Builds what is missing first; the Windows benchmarks (target benchmarks of build/mingw,
# which cross-builds Google Benchmark the first time) only here.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
bash scripts/build.sh >&2
if [[ "${1:-}" == --startup ]]; then
  cmake --build build/mingw --target baseline baseline_control -j"${TASTORA_JOBS:-2}" -- --no-print-directory >&2
  source scripts/wine-env.sh
  ensure_display
  ensure_wine_prefix
  TASTORA_BENCH_PARTS=startup TASTORA_STARTUP_RUNS="${2:-10}" python3 bench/wine_report.py "$ROOT"
  exit
fi
cmake --build build/mingw --target benchmarks -j"${TASTORA_JOBS:-2}" -- --no-print-directory >&2
source scripts/wine-env.sh
ensure_display
ensure_wine_prefix
python3 bench/wine_report.py "$ROOT" "${1:-3}" "${2:-15}"
