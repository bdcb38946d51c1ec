#!/usr/bin/env bash
# The unit tests as the program ships: a native 32-bit build (g++ -m32, Debian's i386
# GoogleTest and libjpeg) under AddressSanitizer and UBSan, in build/asan32. A size or
# offset computation that wraps only in 32 bits, a read past a buffer or undefined
# behaviour fails the test that reaches it. The tests read the course data of the native
# build (build/native/data; run scripts/build.sh first). Arguments go to ctest.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
OUT="$ROOT/build/asan32"
FLAGS="-m32 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"

if [[ ! -f "$OUT/CMakeCache.txt" || ! -f "$OUT/Makefile" ]]; then
  mkdir -p "$OUT"
  cmake -S "$ROOT" -B "$OUT" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
    -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="-m32" -DCMAKE_LIBRARY_ARCHITECTURE=i386-linux-gnu \
    -DCMAKE_IGNORE_PATH="/usr/lib/x86_64-linux-gnu;/usr/lib/x86_64-linux-gnu/cmake/GTest" \
    -DTASTORA_UNIT_TESTS_ONLY=ON -DTASTORA_DATA_DIR="$ROOT/build/native/data" \
    >"$OUT.configure.log" 2>&1 || { cat "$OUT.configure.log" >&2; exit 1; }
fi
cmake --build "$OUT" -j"${TASTORA_JOBS:-2}" -- -k --no-print-directory >&2
# Leaks are not checked here: the tests end their processes with pictures still cached.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$OUT" && ctest --output-on-failure -j"${TASTORA_CTEST_JOBS:-2}" --timeout 600 "$@"
