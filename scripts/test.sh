#!/usr/bin/env bash
# Builds everything, runs the native unit tests (ctest), the SWF comparison with Ruffle, the
# checking builds (32-bit sanitizers, fuzzing) and the end-to-end tests under Wine (pytest),
# and closes with one line "N passed, N failed" over all of them. Exits non-zero when a
# test or a build phase failed (a failed build counts as one failure).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

passed=0
failed=0
notes=()

# --- build ------------------------------------------------------------------
build_start=$SECONDS
if ! bash scripts/build.sh; then
  echo "test: the build failed (see above); running the tests of what was built" >&2
  failed=$((failed + 1))
  notes+=("build failed")
fi
build_time=$((SECONDS - build_start))

# A stage that ended with a non-zero status and counted no failure counts one failure more.
status_failure() {  # name, exit status, failures counted
  if [[ $2 -ne 0 && $3 -eq 0 ]]; then
    echo "test: $1 ended with status $2" >&2
    failed=$((failed + 1))
    notes+=("$1 status $2")
  fi
}

# A stage that writes a JUnit report (ctest --output-junit, pytest --junitxml) is counted from
# it, test case by test case (a skipped one in neither number); a non-zero exit status with
# no failure in the report (or no report at all) counts as one failure more.
count_junit() {  # name, report, exit status
  local name=$1 report=$2 rc=$3 counts p f s
  if [[ -s "$report" ]] && counts=$(python3 scripts/junit_count.py "$report"); then
    read -r p f s <<<"$counts"
    passed=$((passed + p))
    failed=$((failed + f))
    notes+=("$name $p passed / $f failed$( ((s == 0)) || echo " / $s skipped")")
    status_failure "$name" "$rc" "$f"
  else
    echo "test: $name ended (status $rc) without its JUnit report" >&2
    failed=$((failed + 1))
    notes+=("$name broke off")
  fi
}

# --- native unit tests ----------------------------------------------------------
unit_start=$SECONDS
if [[ -f build/native/CTestTestfile.cmake ]]; then
  echo "== unit tests (ctest)" >&2
  unit_report="$ROOT/build/ctest-junit.xml"
  rm -f "$unit_report"
  ctest_rc=0
  ctest --test-dir build/native --output-on-failure -j"${TASTORA_CTEST_JOBS:-2}" --timeout 300 \
    --output-junit "$unit_report" 2>&1 | tee "$ROOT/build/ctest.log" || ctest_rc=$?
  count_junit "unit tests" "$unit_report" "$ctest_rc"
else
  echo "test: no native build to test" >&2
  failed=$((failed + 1))
  notes+=("no native build")
fi
unit_time=$((SECONDS - unit_start))

# A stage that prints its own "passed/failed" summary is counted like the others; one
# that breaks off without it counts as one failure.
count_stage() {  # name, log, exit status, summary regex with the passed and failed counts as \1 and \2
  local name=$1 log=$2 rc=$3 regex=$4 summary
  summary=$(grep -E "$regex" "$log" | tail -1 || true)
  if [[ -z "$summary" ]]; then
    echo "test: $name ended without its summary line" >&2
    failed=$((failed + 1))
    notes+=("$name broke off")
    return
  fi
  local p f
  p=$(sed -E "s/.*$regex.*/\1/" <<<"$summary")
  f=$(sed -E "s/.*$regex.*/\2/" <<<"$summary")
  passed=$((passed + p))
  failed=$((failed + f))
  notes+=("$name $p passed / $f failed")
  status_failure "$name" "$rc" "$f"
}

# --- SWF rendering against the Ruffle player, live (when Chromium is installed) ----------
swf_start=$SECONDS
swf_tool="$ROOT/build/native/tastora_swf"
if [[ -x /usr/bin/chromium && -d tests/swf_reference/node_modules && -x "$swf_tool" ]] && command -v node >/dev/null; then
  echo "== SWF rendering against Ruffle (live)" >&2
  swf_log="$ROOT/build/swf-reference.log"
  swf_rc=0
  timeout 600 node tests/swf_reference/ruffle_render.js compare tests/data/swf "$swf_tool" </dev/null 2>&1 |
    tee "$swf_log" || swf_rc=$?
  count_stage "Ruffle comparison" "$swf_log" "$swf_rc" '^([0-9]+) passed, ([0-9]+) failed'
else
  notes+=("Ruffle comparison not run (no chromium, node_modules or tastora_swf)")
fi
swf_time=$((SECONDS - swf_start))
# --- checking builds: 32-bit unit tests under sanitizers, fuzzing ------------------------
checks_start=$SECONDS
if [[ -d build/native/data ]]; then
  echo "== 32-bit unit tests under AddressSanitizer and UBSan" >&2
  asan_report="$ROOT/build/asan32-junit.xml"
  rm -f "$asan_report"
  asan_rc=0
  bash scripts/sanitize32.sh --output-junit "$asan_report" >"$ROOT/build/asan32.log" 2>&1 || asan_rc=$?
  tail -5 "$ROOT/build/asan32.log" >&2
  count_junit "32-bit sanitizer tests" "$asan_report" "$asan_rc"
fi
asan_time=$((SECONDS - checks_start))
fuzz_start=$SECONDS
echo "== fuzzing" >&2
fuzz_log="$ROOT/build/fuzz.log"
fuzz_rc=0
bash scripts/fuzz.sh >"$fuzz_log" 2>&1 || fuzz_rc=$?
grep -E '^fuzz:' "$fuzz_log" >&2 || true
count_stage "fuzz targets" "$fuzz_log" "$fuzz_rc" '^fuzz: ([0-9]+) passed, ([0-9]+) failed'
fuzz_time=$((SECONDS - fuzz_start))

# --- end-to-end tests under Wine (pytest; tests/e2e/conftest.py sets them up) -------------
e2e_start=$SECONDS
if grep -qxE 'mingw|layout' build/build-failed-phases.txt 2>/dev/null || [[ ! -f build/tastora/tastora.exe ]]; then
  echo "test: tastora.exe was not built, end-to-end tests not run" >&2
  failed=$((failed + 1))
  notes+=("end-to-end not run")
else
  echo "== end-to-end tests (Wine, pytest)" >&2
  # shellcheck source=scripts/wine-env.sh
  source scripts/wine-env.sh
  export TASTORA_RUNDIR="$ROOT/build/tastora" TASTORA_MINGW_BUILD="$ROOT/build/mingw"
  e2e_report="$ROOT/build/e2e-junit.xml"
  rm -f "$e2e_report"
  e2e_rc=0
  if ensure_display && ensure_wine_prefix; then
    PYTHONDONTWRITEBYTECODE=1 timeout "${TASTORA_E2E_TIMEOUT:-3000}" \
      /usr/bin/python3 -m pytest tests/e2e -v --junitxml="$e2e_report" </dev/null 2>&1 |
      tee "$ROOT/build/e2e.log" || e2e_rc=$?
  else
    echo "test: no display or Wine prefix for the end-to-end tests" >&2
    e2e_rc=1
  fi
  count_junit "end-to-end" "$e2e_report" "$e2e_rc"
fi
e2e_time=$((SECONDS - e2e_start))

echo "test times: build ${build_time}s, unit ${unit_time}s, SWF/Ruffle ${swf_time}s, 32-bit sanitizers ${asan_time}s, fuzzing ${fuzz_time}s, end-to-end ${e2e_time}s" >&2
joined=$(IFS=';'; echo "${notes[*]}")
echo "(${joined//;/; })"
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
