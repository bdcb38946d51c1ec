#!/usr/bin/env bash
# Builds the native Release build and runs every benchmark program (bench/*_bench.cpp).
# Extra arguments go to each program (e.g. --benchmark_filter=Layout).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash scripts/deps.sh
if [[ ! -f build/native/Makefile ]]; then
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release
fi
cmake --build build/native -j"${TASTORA_JOBS:-2}" -- -k --no-print-directory ||
  echo "bench: the native build failed in part; running the benchmarks that were built" >&2

shopt -s nullglob
status=0
ran=0
for src in bench/*_bench.cpp; do
  name=$(basename "$src" .cpp)
  exe="build/native/bench/$name"
  if [[ ! -x "$exe" ]]; then
    echo "bench: $name was not built" >&2
    status=1
    continue
  fi
  echo "== $name"
  # Benchmarks that read the course find it through TASTORA_DATA_DIR.
  (cd build/native && TASTORA_DATA_DIR="$ROOT/build/native/data" "bench/$name" "$@") || status=1
  ran=$((ran + 1))
done
[[ $ran -gt 0 ]] || echo "bench: no benchmark programs in bench/" >&2
exit "$status"
