#!/usr/bin/env bash
# Applies the house style (.clang-format, Debian's clang-format) to the C++ sources, or with
# --check lists the files that do not follow it and fails.
#   bash scripts/format.sh [--check] [FOLDER|FILE ...]   (default: every C++ file of the repository)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

check=0
if [[ "${1:-}" == "--check" ]]; then
  check=1
  shift
fi
command -v clang-format >/dev/null || {
  echo "format: clang-format is missing (bash scripts/deps.sh as root installs it)" >&2
  exit 1
}

mapfile -t files < <(git ls-files -- "${@:-.}" | grep -E '\.(cpp|h)$')
if [[ $check -eq 0 ]]; then
  [[ ${#files[@]} -eq 0 ]] || clang-format -i --style=file "${files[@]}"
  echo "format: ${#files[@]} files formatted" >&2
  exit 0
fi

differing=0
for f in "${files[@]}"; do
  if ! clang-format --style=file "$f" | cmp -s "$f" -; then
    lines=$(clang-format --style=file "$f" | diff "$f" - | grep -c '^>' || true)
    echo "format: $f: $lines lines differ"
    differing=$((differing + 1))
  fi
done
echo "format: $differing of ${#files[@]} files differ from the house style" >&2
[[ $differing -eq 0 ]]
