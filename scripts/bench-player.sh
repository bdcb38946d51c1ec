#!/usr/bin/env bash
# Builds Tastora and prints the presentation player's figures under Wine: "Далее" to the
# book movie on the screen (limit 150 ms), a key in the player to the next exercise with its
# lesson loaded (limit 100 ms), and the time that installing the Flash control adds to a
# first start (limit 2 s). Optional argument: the number of runs (default 3).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash scripts/build.sh || echo "bench-player: the build failed in part; using what was built" >&2

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
ensure_display
export TASTORA_RUNDIR="$ROOT/build/tastora" TASTORA_MINGW_BUILD="$ROOT/build/mingw"
timeout 1200 python3 tests/e2e/bench_player.py "${1:-3}"
