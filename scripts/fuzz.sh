#!/usr/bin/env bash
# Builds the fuzz targets (every fuzz/<name>_fuzz.cpp, clang's libFuzzer with AddressSanitizer
# and UBSan) in build/fuzz and runs each from its seed corpus fuzz/corpus/<name>/.
#   bash scripts/fuzz.sh                  every target for 20 s (the test command's run)
#   bash scripts/fuzz.sh 3600 ini bmp     the named targets for an hour each
# New inputs that reach new code are kept in build/fuzz/corpus/<name>/; a crash, a hang
# (10 s for one input) or a leak stops that target, leaves its input in
# build/fuzz/crashes/ and makes the script fail. Two targets run at a time
# (TASTORA_FUZZ_JOBS). The last line is "fuzz: N passed, N failed".
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
SECONDS_EACH=${1:-${TASTORA_FUZZ_SECONDS:-20}}
shift || true
OUT="$ROOT/build/fuzz"
JOBS=${TASTORA_FUZZ_JOBS:-2}

if [[ ! -f "$OUT/CMakeCache.txt" || ! -f "$OUT/Makefile" ]]; then
  mkdir -p "$OUT"
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$OUT" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTASTORA_FUZZ=ON \
    >"$OUT.configure.log" 2>&1 || { cat "$OUT.configure.log" >&2; exit 1; }
fi
cmake --build "$OUT" -j"${TASTORA_JOBS:-2}" -- --no-print-directory >&2

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for src in fuzz/*_fuzz.cpp; do
    name=$(basename "$src" .cpp)
    targets+=("${name%_fuzz}")
  done
fi

mkdir -p "$OUT/crashes" "$OUT/logs"
run_one() {
  local name=$1 exe="$OUT/${1}_fuzz"
  local corpus="$OUT/corpus/$name" log="$OUT/logs/$name.log"
  mkdir -p "$corpus"
  local seeds=()
  [[ -d "$ROOT/fuzz/corpus/$name" ]] && seeds=("$ROOT/fuzz/corpus/$name")
  if [[ ! -x "$exe" ]]; then
    echo "fuzz: $name FAILED (not built)"
    return 0
  fi
  if "$exe" "$corpus" "${seeds[@]}" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2560 \
      -print_final_stats=1 -artifact_prefix="$OUT/crashes/$name-" >"$log" 2>&1; then
    local runs
    runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
    echo "fuzz: $name ok ($runs inputs in ${SECONDS_EACH}s)"
  else
    echo "fuzz: $name FAILED, see ${log#"$ROOT"/}:"
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -5 | sed 's/^/  /'
  fi
}
export -f run_one
export OUT SECONDS_EACH ROOT

results=$(printf '%s\n' "${targets[@]}" | xargs -P"$JOBS" -I{} bash -c 'run_one "$@"' _ {})
echo "$results"
failed=$(grep -c 'FAILED' <<<"$results" || true)
passed=$(( ${#targets[@]} - failed ))
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
