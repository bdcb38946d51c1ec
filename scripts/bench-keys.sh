#!/usr/bin/env bash
# What the learner sees: a physical key press to the first changed pixel on the screen, for the
# exercise window of tastora.exe (right and wrong keys, stores of 10, 300 and 10,000 profiles
# with all their counters) and for a bare Win32 window, interleaved in one run; medians, 90th
# percentiles, ratios and the checks of tests/e2e/bench_keys.py.
#   bash scripts/bench-keys.sh [rounds] [keys per block]
# The probe comes from the shared tool folder keylat (../shared/tools/keylat beside the
# checkout, or KEYLAT_SRC), built into build/keylat; or from KEYLAT_BIN when it holds it built.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
bash scripts/build.sh >&2
bin=${KEYLAT_BIN:-$ROOT/build/keylat}
if [[ ! -x "$bin/keylat" || ! -f "$bin/keybase.exe" ]]; then
  src=${KEYLAT_SRC:-}
  for candidate in "$ROOT/../shared/tools/keylat" "$ROOT/../../shared/tools/keylat"; do
    [[ -z "$src" && -f "$candidate/build.sh" ]] && src=$candidate
  done
  [[ -n "$src" ]] || { echo "bench-keys: no keylat tool (set KEYLAT_SRC or KEYLAT_BIN)" >&2; exit 2; }
  KEYLAT_BIN=$bin bash "$src/build.sh" >&2
fi
source scripts/wine-env.sh
ensure_display
ensure_wine_prefix
TASTORA_RUNDIR=$ROOT/build/tastora TASTORA_MINGW_BUILD=$ROOT/build/mingw \
  /usr/bin/python3 tests/e2e/bench_keys.py "$bin" "${1:-3}" "${2:-40}"
