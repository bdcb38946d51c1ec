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

# The flags are those of the preset sanitize32 (CMakePresets.json); configured once.
if [[ ! -f "$OUT/CMakeCache.txt" || ! -f "$OUT/Makefile" ]]; then
  mkdir -p "$OUT"
  cmake --preset sanitize32 >"$OUT.configure.log" 2>&1 || { cat "$OUT.configure.log" >&2; exit 1; }
fi
cmake --build "$OUT" -j"${TASTORA_JOBS:-2}" -- -k --no-print-directory >&2
# The preset's environment leaves leaks unchecked (the tests end their processes with
# pictures still cached) and stops at the first undefined behaviour.
ctest --preset sanitize32 -j"${TASTORA_CTEST_JOBS:-2}" "$@"
