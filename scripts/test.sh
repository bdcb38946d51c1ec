#!/usr/bin/env bash
# Installs what is missing and builds everything (scripts/build.sh, which runs scripts/deps.sh),
# then runs every ctest entry of the native build, whatever its label (unit, swf, ruffle,
# sanitize, fuzz, e2e, release; CMakePresets.json, test preset "all"), and closes with one line
# "N passed, N failed" counted test case by test case: an entry that runs many cases of its
# own counts them from its JUnit report (scripts/junit_count.py --ctest). Exits non-zero when a
# test or a build phase failed (a failed build counts as one failure). Arguments go to ctest
# (e.g. -L e2e: the build and one label, counted the same way).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

failed=0
notes=()
start=$SECONDS
if ! bash scripts/build.sh; then
  echo "test: the build failed (see above); running the tests of what was built" >&2
  failed=1
  notes+=("build failed")
fi
build_time=$((SECONDS - start))

passed=0
report="$ROOT/build/ctest-junit.xml"
junit="$ROOT/build/native/junit"
start=$SECONDS
if [[ -f build/native/CTestTestfile.cmake ]]; then
  rm -f "$report" "$junit"/*.xml
  ctest_rc=0
  ctest --preset all -j"${TASTORA_CTEST_JOBS:-2}" --output-junit "$report" "$@" 2>&1 |
    tee "$ROOT/build/ctest.log" || ctest_rc=$?
  if [[ -s "$report" ]] && counts=$(python3 scripts/junit_count.py --ctest "$report" "$junit"); then
    read -r p f s <<<"$counts"
    passed=$((passed + p))
    failed=$((failed + f))
    notes+=("ctest $p passed / $f failed$( ((s == 0)) || echo " / $s skipped")")
    if [[ $ctest_rc -ne 0 && $f -eq 0 ]]; then
      echo "test: ctest ended with status $ctest_rc" >&2
      failed=$((failed + 1))
      notes+=("ctest status $ctest_rc")
    fi
  else
    echo "test: ctest ended (status $ctest_rc) without its JUnit report" >&2
    failed=$((failed + 1))
    notes+=("ctest broke off")
  fi
else
  echo "test: no native build to test" >&2
  failed=$((failed + 1))
  notes+=("no native build")
fi

echo "test times: build ${build_time}s, ctest $((SECONDS - start))s" >&2
joined=$(IFS=';'; echo "${notes[*]}")
echo "(${joined//;/; })"
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
