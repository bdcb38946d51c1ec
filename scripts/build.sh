#!/usr/bin/env bash
# Builds everything: dependencies, the native build (logic, tests, benchmarks, course
# generator and its data), the mingw build (its own cross-built libjpeg first, then
# tastora.exe), and the runnable folder build/tastora/ (tastora.exe, SWFLASH.OCX,
# tastora-teacher.exe + data/).
# Every phase runs even when an earlier one failed (so the tests of what did build can
# still run); the exit status is non-zero when any phase failed.
#   build/native   native build, Release; course data in build/native/data
#   build/mingw    mingw build: tastora.exe, probe.exe
#   build/tastora  the runnable folder
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

JOBS=${TASTORA_JOBS:-2}
NATIVE="$ROOT/build/native"
MINGW="$ROOT/build/mingw"
RUNDIR="$ROOT/build/tastora"

failed_phases=()
timings=()
mkdir -p "$ROOT/build"
rm -f "$ROOT/build/build-failed-phases.txt"

phase() {
  local name=$1
  shift
  local start=$SECONDS
  echo "== $name" >&2
  if "$@"; then
    timings+=("$name $((SECONDS - start))s")
  else
    timings+=("$name $((SECONDS - start))s FAILED")
    failed_phases+=("$name")
    echo "== $name FAILED" >&2
  fi
}

configure() {  # build folder, its preset in CMakePresets.json
  local dir=$1
  # Configure once; later builds re-run CMake by themselves when needed.
  if [[ ! -f "$dir/CMakeCache.txt" || ! -f "$dir/Makefile" ]]; then
    cmake --preset "$2" >"$dir.configure.log" 2>&1 || {
      cat "$dir.configure.log" >&2
      return 1
    }
  fi
}

native_build() {
  configure "$NATIVE" native &&
    cmake --build "$NATIVE" -j"$JOBS" -- -k --no-print-directory
}

course_data() {
  [[ -f "$NATIVE/Makefile" ]] || return 1
  cmake --build "$NATIVE" --target course_data -- --no-print-directory
}

mingw_build() {
  configure "$MINGW" mingw &&
    cmake --build "$MINGW" -j"$JOBS" -- -k --no-print-directory
}

# The runnable folder: tastora.exe, its Flash control SWFLASH.OCX beside it (found there
# without any registration, as in the release) and data/. Generated course files replace
# their older copies; files the program writes itself (the profile store and
# review lessons) are left alone.
layout() {
  mkdir -p "$RUNDIR/data"
  local stamp="$NATIVE/course_data.stamp" copied="$RUNDIR/.course_data.copied"
  if [[ -d "$NATIVE/data" && -f "$stamp" ]]; then
    if [[ ! -f "$copied" || "$stamp" -nt "$copied" ]]; then
      tar -C "$NATIVE/data" --exclude=./users.ini --exclude=./lista.txt -cf - . |
        tar -C "$RUNDIR/data" -xf - || return 1
      local f
      for f in users.ini lista.txt; do
        if [[ -f "$NATIVE/data/$f" && ! -e "$RUNDIR/data/$f" ]]; then
          cp -p "$NATIVE/data/$f" "$RUNDIR/data/$f" || return 1
        fi
      done
      touch -r "$stamp" "$copied"
      echo "layout: course data copied into ${RUNDIR#"$ROOT"/}/data" >&2
    fi
  else
    echo "layout: no generated course data yet; ${RUNDIR#"$ROOT"/}/data left as it is" >&2
  fi
  if [[ " ${failed_phases[*]} " == *" mingw "* ]]; then
    echo "layout: the mingw build failed; ${RUNDIR#"$ROOT"/}/tastora.exe not updated" >&2
    return 1
  elif [[ ! -f "$MINGW/tastora.exe" ]]; then
    echo "layout: no tastora.exe built" >&2
    return 1
  fi
  local f
  for f in tastora.exe SWFLASH.OCX; do
    cmp -s "$MINGW/$f" "$RUNDIR/$f" 2>/dev/null || cp -p "$MINGW/$f" "$RUNDIR/$f" || return 1
  done
  # The teacher's class journal beside it.
  if [[ -f "$MINGW/tastora-teacher.exe" ]]; then
    cmp -s "$MINGW/tastora-teacher.exe" "$RUNDIR/tastora-teacher.exe" 2>/dev/null ||
      cp -p "$MINGW/tastora-teacher.exe" "$RUNDIR/tastora-teacher.exe" || return 1
  fi
}

phase deps bash "$ROOT/scripts/deps.sh"
phase native native_build
phase course-data course_data
phase mingw mingw_build
phase layout layout

# test.sh reads which phases failed.
printf '%s\n' "${failed_phases[@]}" >"$ROOT/build/build-failed-phases.txt"
joined=$(IFS=,; echo "${timings[*]}")
echo "build times: ${joined//,/, }" >&2
if [[ ${#failed_phases[@]} -gt 0 ]]; then
  echo "build FAILED in: ${failed_phases[*]}" >&2
  exit 1
fi
echo "build ok: ${RUNDIR#"$ROOT"/}/tastora.exe" >&2
