# The ctest entries of the native build that run many test cases of their own, each under its
# label: the SWF samples against Ruffle (ruffle), the unit tests of the 32-bit sanitizer build
# (sanitize), the fuzz targets (fuzz), the end-to-end tests under Wine (e2e) and the release's
# setup file and portable zip (release). Each runs through scripts/ctest_entry.py, which leaves
# the entry's JUnit report in build/native/junit/<name>.xml and its output beside it (.log),
# so that scripts/test.sh counts the cases one by one. They run alone (RUN_SERIAL): their
# timings and Wine would suffer from tests beside them. An entry whose tools are missing is
# skipped.
set(TASTORA_JUNIT_DIR "${CMAKE_BINARY_DIR}/junit")

function(tastora_add_runner name label timeout)
  add_test(NAME ${name}
    COMMAND Python3::Interpreter "${TASTORA_ROOT}/scripts/ctest_entry.py" "${TASTORA_JUNIT_DIR}/${name}.xml" ${ARGN}
    WORKING_DIRECTORY "${TASTORA_ROOT}")
  set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT ${timeout} RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
endfunction()

# The SWF samples drawn by tastora_swf and by Ruffle in Debian's chromium, live.
tastora_add_runner(ruffle.samples ruffle 700
  --needs /usr/bin/chromium --needs "${TASTORA_ROOT}/tests/swf_reference/node_modules" --needs-program node
  --needs $<TARGET_FILE:tastora_swf>
  --passed "^PASS ([^:]+):" --failed "^FAIL ([^:]+):"
  -- timeout 600 node tests/swf_reference/ruffle_render.js compare tests/data/swf $<TARGET_FILE:tastora_swf>)
set_tests_properties(course_movies.same_as_ruffle PROPERTIES LABELS ruffle)

# The unit tests built for 32 bits under AddressSanitizer and UBSan (build/asan32), on this
# build's course data.
tastora_add_runner(sanitize.unit_tests sanitize 7200 --needs "${TASTORA_DATA_DIR}"
  -- bash scripts/sanitize32.sh --output-junit "${TASTORA_JUNIT_DIR}/sanitize.unit_tests.xml")

# Every fuzz target for 20 s (TASTORA_FUZZ_SECONDS), built in build/fuzz and build/fuzz32.
tastora_add_runner(fuzz.targets fuzz 7200 --passed "^fuzz: ([^ ]+) ok" --failed "^fuzz: ([^ ]+) FAILED"
  -- bash scripts/fuzz.sh)

# The end-to-end tests against build/tastora (scripts/build.sh), the release's apart.
tastora_add_runner(e2e.tests e2e 3300
  -- bash scripts/e2e.sh tests/e2e --ignore=tests/e2e/test_release.py --junitxml=${TASTORA_JUNIT_DIR}/e2e.tests.xml)
tastora_add_runner(release.tests release 3300
  -- bash scripts/e2e.sh tests/e2e/test_release.py --junitxml=${TASTORA_JUNIT_DIR}/release.tests.xml)
