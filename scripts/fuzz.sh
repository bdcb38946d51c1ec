#!/usr/bin/env bash
# Builds the fuzz targets (every fuzz/<name>_fuzz.cpp, clang's libFuzzer with AddressSanitizer
# and UBSan) in build/fuzz and runs each from its seed corpus fuzz/corpus/<name>/.
#   bash scripts/fuzz.sh                  every target for 20 s (the test command's run)
#   bash scripts/fuzz.sh 3600 ini bmp     the named targets for an hour each
# swf_reader32 is the SWF target built for 32 bits (clang -m32, in build/fuzz32), as the
# program ships: a size computation that wraps only there fails it. A target with a
# dictionary fuzz/<name>.dict (tokens of its format) is given it.
# New inputs that reach new code are kept in build/fuzz/corpus/<name>/; a crash, a hang
# (10 s of wall time for one input, TASTORA_FUZZ_TIMEOUT: more for a long run on a
# busy machine) or a leak stops that target, leaves its input in
# build/fuzz/crashes/ and makes the script fail. Two targets run at a time
# (TASTORA_FUZZ_JOBS). The last line is "fuzz: N passed, N failed".
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
SECONDS_EACH=${1:-${TASTORA_FUZZ_SECONDS:-20}}
shift || true
OUT="$ROOT/build/fuzz"
JOBS=${TASTORA_FUZZ_JOBS:-2}

# The builds are the presets fuzz and fuzz32 (CMakePresets.json), each configured once.
configure() {  # preset, build folder
  if [[ ! -f "$2/CMakeCache.txt" || ! -f "$2/Makefile" ]]; then
    mkdir -p "$2"
    cmake --preset "$1" >"$2.configure.log" 2>&1 || { cat "$2.configure.log" >&2; exit 1; }
  fi
}
configure fuzz "$OUT"
cmake --build "$OUT" -j"${TASTORA_JOBS:-2}" -- --no-print-directory >&2

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for src in fuzz/*_fuzz.cpp; do
    name=$(basename "$src" .cpp)
    targets+=("${name%_fuzz}")
  done
  targets+=(swf_reader32)
fi

OUT32="$ROOT/build/fuzz32"
if [[ " ${targets[*]} " == *" swf_reader32 "* ]]; then
  configure fuzz32 "$OUT32"
  cmake --build "$OUT32" -j"${TASTORA_JOBS:-2}" --target swf_reader_fuzz -- --no-print-directory >&2
fi

mkdir -p "$OUT/crashes" "$OUT/logs"
run_one() {
  local name=$1 base=$1 exe="$OUT/${1}_fuzz"
  if [[ $name == *32 ]]; then
    base=${name%32}
    exe="$OUT32/${base}_fuzz"
  fi
  local corpus="$OUT/corpus/$name" log="$OUT/logs/$name.log"
  mkdir -p "$corpus"
  local seeds=() options=()
  [[ -d "$ROOT/fuzz/corpus/$base" ]] && seeds=("$ROOT/fuzz/corpus/$base")
  [[ -f "$ROOT/fuzz/$base.dict" ]] && options=("-dict=$ROOT/fuzz/$base.dict")
  if [[ ! -x "$exe" ]]; then
    echo "fuzz: $name FAILED (not built)"
    return 0
  fi
  if "$exe" "$corpus" "${seeds[@]}" "${options[@]}" -max_total_time="$SECONDS_EACH" -timeout="${TASTORA_FUZZ_TIMEOUT:-10}" -rss_limit_mb=2560 \
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
export OUT OUT32 SECONDS_EACH ROOT

results=$(printf '%s\n' "${targets[@]}" | xargs -P"$JOBS" -I{} bash -c 'run_one "$@"' _ {})
echo "$results"
failed=$(grep -c 'FAILED' <<<"$results" || true)
passed=$(( ${#targets[@]} - failed ))
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
