#!/usr/bin/env bash
# The end-to-end tests under Wine (pytest; tests/e2e/conftest.py sets them up) against the
# runnable folder build/tastora, on the current display or an Xvfb of their own (stopped at
# the end), in the Wine prefix of scripts/wine-env.sh. Arguments go to pytest, e.g.
#   bash scripts/e2e.sh tests/e2e/test_login.py -k deleting
# TASTORA_E2E_K adds a pytest -k expression (so that the ctest entries e2e and release
# run one test or a few: TASTORA_E2E_K="test_login and deleting" ctest --preset e2e);
# TASTORA_E2E_TIMEOUT bounds the run (seconds, 3000 unless set).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

if grep -qxE 'mingw|layout' build/build-failed-phases.txt 2>/dev/null || [[ ! -f build/tastora/tastora.exe ]]; then
  echo "e2e: tastora.exe was not built, end-to-end tests not run" >&2
  exit 1
fi
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
export TASTORA_RUNDIR="$ROOT/build/tastora" TASTORA_MINGW_BUILD="$ROOT/build/mingw"
if ! ensure_display || ! ensure_wine_prefix; then
  echo "e2e: no display or Wine prefix for the end-to-end tests" >&2
  exit 1
fi
select=()
[[ -n "${TASTORA_E2E_K:-}" ]] && select=(-k "$TASTORA_E2E_K")
rc=0
PYTHONDONTWRITEBYTECODE=1 timeout "${TASTORA_E2E_TIMEOUT:-3000}" \
  /usr/bin/python3 -m pytest -v "${select[@]}" "$@" </dev/null || rc=$?
exit "$rc"
