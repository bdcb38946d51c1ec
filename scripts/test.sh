#!/usr/bin/env bash
# Builds everything, runs the native unit tests (ctest) and the end-to-end tests under
# Wine, and closes with one line "N passed, N failed" over both. Exits non-zero when a
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

# --- native unit tests ----------------------------------------------------------
unit_start=$SECONDS
ctest_log="$ROOT/build/ctest.log"
if [[ -f build/native/CTestTestfile.cmake ]]; then
  echo "== unit tests (ctest)" >&2
  ctest_rc=0
  (cd build/native && ctest --output-on-failure -j"${TASTORA_CTEST_JOBS:-2}" --timeout 300) 2>&1 |
    tee "$ctest_log" || ctest_rc=$?
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$ctest_log" | tail -1 || true)
  if [[ -n "$summary" ]]; then
    u_failed=$(sed -E 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    u_total=$(sed -E 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$summary")
    passed=$((passed + u_total - u_failed))
    failed=$((failed + u_failed))
    notes+=("unit tests $((u_total - u_failed)) passed / $u_failed failed")
  elif grep -q 'No tests were found' "$ctest_log"; then
    notes+=("no unit tests")
  else
    echo "test: ctest ended (status $ctest_rc) without its summary line" >&2
    failed=$((failed + 1))
    notes+=("ctest broke off")
  fi
else
  echo "test: no native build to test" >&2
  failed=$((failed + 1))
  notes+=("no native build")
fi
unit_time=$((SECONDS - unit_start))

# A stage that prints its own "passed/failed" summary is counted like the others; one
# that breaks off without it counts as one failure.
count_stage() {  # name, log, summary regex with the passed and failed counts as \1 and \2
  local name=$1 log=$2 regex=$3 summary
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
}

# --- SWF rendering against the Ruffle player, live (when Chromium is installed) ----------
swf_start=$SECONDS
swf_tool="$ROOT/build/native/tastora_swf"
if [[ -x /usr/bin/chromium && -d tests/swf_reference/node_modules && -x "$swf_tool" ]] && command -v node >/dev/null; then
  echo "== SWF rendering against Ruffle (live)" >&2
  swf_log="$ROOT/build/swf-reference.log"
  timeout 600 node tests/swf_reference/ruffle_render.js compare tests/data/swf "$swf_tool" </dev/null 2>&1 |
    tee "$swf_log" || true
  count_stage "Ruffle comparison" "$swf_log" '^([0-9]+) passed, ([0-9]+) failed'
else
  notes+=("Ruffle comparison not run (no chromium, node_modules or tastora_swf)")
fi
swf_time=$((SECONDS - swf_start))
# --- checking builds: 32-bit unit tests under sanitizers, fuzzing ------------------------
checks_start=$SECONDS
if [[ -d build/native/data ]]; then
  echo "== 32-bit unit tests under AddressSanitizer and UBSan" >&2
  asan_log="$ROOT/build/asan32.log"
  bash scripts/sanitize32.sh 2>&1 | tee "$asan_log" >/dev/null || true
  # ctest's "N% tests passed, F tests failed out of T" as passed and failed.
  sed -nE 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\2 \1/p' "$asan_log" |
    awk '{print "asan32: " $1 - $2 " passed, " $2 " failed"}' >>"$asan_log"
  tail -5 "$asan_log" >&2
  count_stage "32-bit sanitizer tests" "$asan_log" 'asan32: ([0-9]+) passed, ([0-9]+) failed'
fi
echo "== fuzzing" >&2
fuzz_log="$ROOT/build/fuzz.log"
bash scripts/fuzz.sh 2>&1 | tee "$fuzz_log" | grep -E '^fuzz:' >&2 || true
count_stage "fuzz targets" "$fuzz_log" '^fuzz: ([0-9]+) passed, ([0-9]+) failed'
checks_time=$((SECONDS - checks_start))

# --- end-to-end tests under Wine -----------------------------------------------------
e2e_start=$SECONDS
if [[ -f tests/e2e/run_e2e.py ]]; then
  if grep -qxE 'mingw|layout' build/build-failed-phases.txt 2>/dev/null; then
    echo "test: tastora.exe was not built, end-to-end tests not run" >&2
    failed=$((failed + 1))
    notes+=("end-to-end not run")
  elif [[ -f build/tastora/tastora.exe ]]; then
    echo "== end-to-end tests (Wine)" >&2
    # shellcheck source=scripts/wine-env.sh
    source scripts/wine-env.sh
    export TASTORA_RUNDIR="$ROOT/build/tastora" TASTORA_MINGW_BUILD="$ROOT/build/mingw"
    e2e_log="$ROOT/build/e2e.log"
    e2e_rc=0
    if ensure_display && ensure_wine_prefix; then
      timeout "${TASTORA_E2E_TIMEOUT:-3000}" python3 tests/e2e/run_e2e.py </dev/null 2>&1 |
        tee "$e2e_log" || e2e_rc=$?
    else
      echo "test: no display or Wine prefix for the end-to-end tests" >&2
      e2e_rc=1
      : >"$e2e_log"
    fi
    summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$e2e_log" | tail -1 || true)
    if [[ -n "$summary" ]]; then
      e_passed=$(sed -E 's/^([0-9]+) passed, ([0-9]+) failed.*/\1/' <<<"$summary")
      e_failed=$(sed -E 's/^([0-9]+) passed, ([0-9]+) failed.*/\2/' <<<"$summary")
      passed=$((passed + e_passed))
      failed=$((failed + e_failed))
      notes+=("end-to-end $e_passed passed / $e_failed failed")
      if [[ $e2e_rc -ne 0 && $e_failed -eq 0 ]]; then
        echo "test: the end-to-end runner exited with status $e2e_rc" >&2
        failed=$((failed + 1))
        notes+=("end-to-end runner status $e2e_rc")
      fi
    else
      echo "test: the end-to-end runner ended (status $e2e_rc) without its summary line" >&2
      failed=$((failed + 1))
      notes+=("end-to-end runner broke off")
    fi
  else
    echo "test: no build/tastora/tastora.exe, end-to-end tests not run" >&2
    failed=$((failed + 1))
    notes+=("end-to-end not run")
  fi
fi
e2e_time=$((SECONDS - e2e_start))

echo "test times: build ${build_time}s, unit ${unit_time}s, SWF/Ruffle ${swf_time}s, checks ${checks_time}s, end-to-end ${e2e_time}s" >&2
joined=$(IFS=';'; echo "${notes[*]}")
echo "(${joined//;/; })"
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
