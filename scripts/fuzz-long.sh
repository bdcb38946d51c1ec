#!/usr/bin/env bash
# A long run of one fuzz target, counted in inputs rather than seconds:
#   bash scripts/fuzz-long.sh                       swf_reader, 10 million inputs
#   bash scripts/fuzz-long.sh swf_reader 2000000    a target and a number of inputs
# The test command's short runs (scripts/fuzz.sh) use AddressSanitizer, which with the
# rasterizer's loops under coverage feedback gives about 700 inputs a second: ten million
# would take four hours. The long run is built for speed instead (build/fuzz-long: -O2,
# UBSan, no coverage feedback inside the rasterizer library, inputs of at most 4 KB), and
# every input it keeps is then replayed through the AddressSanitizer build of
# scripts/fuzz.sh, so a memory fault the fast build could not see still fails the run.
# Crashes and hangs stop the run and leave the input in build/fuzz-long/crashes/.
# The last line is "fuzz-long: N passed, N failed".
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
NAME=${1:-swf_reader}
RUNS=${2:-10000000}
OUT="$ROOT/build/fuzz-long"
CHECK="$ROOT/build/fuzz"

if [[ ! -f "$OUT/CMakeCache.txt" || ! -f "$OUT/Makefile" ]]; then
  mkdir -p "$OUT"
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$OUT" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTASTORA_FUZZ=ON \
    -DTASTORA_FUZZ_SANITIZERS=undefined \
    -DCMAKE_CXX_FLAGS="-fsanitize-coverage-ignorelist=$ROOT/fuzz/long_run_ignore.txt" \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g -DNDEBUG" \
    >"$OUT.configure.log" 2>&1 || { cat "$OUT.configure.log" >&2; exit 1; }
fi
cmake --build "$OUT" -j"${TASTORA_JOBS:-2}" --target "${NAME}_fuzz" -- --no-print-directory >&2

corpus="$OUT/corpus/$NAME"
log="$OUT/$NAME.log"
mkdir -p "$corpus" "$OUT/crashes"
seeds=() options=()
[[ -d "$ROOT/fuzz/corpus/$NAME" ]] && seeds=("$ROOT/fuzz/corpus/$NAME")
[[ -f "$ROOT/fuzz/$NAME.dict" ]] && options=("-dict=$ROOT/fuzz/$NAME.dict")

failed=0
start=$SECONDS
if "$OUT/${NAME}_fuzz" "$corpus" "${seeds[@]}" "${options[@]}" -runs="$RUNS" -max_len=4096 \
    -timeout="${TASTORA_FUZZ_TIMEOUT:-10}" -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$OUT/crashes/$NAME-" >"$log" 2>&1; then
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
  echo "fuzz-long: $NAME: $runs inputs in $((SECONDS - start)) s, $(ls "$corpus" | wc -l) kept"
  if [[ $runs -lt $RUNS ]]; then
    echo "fuzz-long: $NAME FAILED: stopped after $runs of $RUNS inputs"
    failed=1
  fi
else
  echo "fuzz-long: $NAME FAILED, see ${log#"$ROOT"/}:"
  grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -5 | sed 's/^/  /'
  failed=1
fi

# Every kept input once more under AddressSanitizer and UBSan.
bash scripts/fuzz.sh 1 "$NAME" >/dev/null 2>&1 || true
if [[ ! -x "$CHECK/${NAME}_fuzz" ]]; then
  echo "fuzz-long: replay FAILED (the AddressSanitizer build is missing)"
  failed=$((failed + 1))
elif "$CHECK/${NAME}_fuzz" -runs=0 -timeout="${TASTORA_FUZZ_TIMEOUT:-10}" -rss_limit_mb=2560 \
    -artifact_prefix="$OUT/crashes/$NAME-asan-" "$corpus" >"$OUT/$NAME.replay.log" 2>&1; then
  echo "fuzz-long: replay of $(ls "$corpus" | wc -l) kept inputs under AddressSanitizer clean"
else
  echo "fuzz-long: replay FAILED, see ${OUT#"$ROOT"/}/$NAME.replay.log:"
  grep -E 'ERROR|SUMMARY|runtime error' "$OUT/$NAME.replay.log" | head -5 | sed 's/^/  /'
  failed=$((failed + 1))
fi
echo "fuzz-long: $((2 - failed)) passed, $failed failed"
[[ $failed -eq 0 ]]
