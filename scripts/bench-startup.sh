#!/usr/bin/env bash
# Builds Tastora and prints its start-up figures under Wine on a warm prefix: the
# program's own start-up (entering the program to the login window shown, limit 150 ms),
# process start to a login window that accepts input (limit 2 s), and the peak memory
# at the login window (limit 64 MB). Optional argument: the number of runs (default 10).
# Runs on the current display or, when there is none, on a virtual one (Xvfb).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash scripts/build.sh || echo "bench-startup: the build failed in part; using what was built" >&2

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
ensure_display
export TASTORA_RUNDIR="$ROOT/build/tastora" TASTORA_MINGW_BUILD="$ROOT/build/mingw"
timeout 900 python3 tests/e2e/bench_startup.py "${1:-10}"
