#!/usr/bin/env bash
# The release's numbers: the size of the setup file (limit 5 MB), the installed size (limit
# 15 MB) and the time of a silent install under Wine (limit 5 s).
#
#   bash scripts/bench-install.sh [SETUP.exe] [runs]
#
# SETUP defaults to the newest dist/tastora-*-setup.exe (bash scripts/package.sh makes it).
# The installs go into folders of a Wine prefix of their own (build/wine-bench-install);
# the first one, which also starts Wine's own processes, is not counted.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
SETUP=${1:-$(ls -t dist/tastora-*-setup.exe 2>/dev/null | head -1 || true)}
RUNS=${2:-5}
[[ -n "$SETUP" && -f "$SETUP" ]] || { echo "bench-install: no setup file (run scripts/package.sh)" >&2; exit 1; }
SETUP=$(cd "$(dirname "$SETUP")" && pwd)/$(basename "$SETUP")

export TASTORA_WINEPREFIX="$ROOT/build/wine-bench-install"
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"  # no desktop entries on the host
ensure_display
ensure_wine_prefix
# Shortcuts on the desktop of the prefix, not in the home folder that Wine links it to.
for link in "$WINEPREFIX"/drive_c/users/*/Desktop; do
  [[ -L "$link" ]] && rm "$link" && mkdir -p "$link"
done

times=()
for ((i = 0; i <= RUNS; i++)); do
  dir="$WINEPREFIX/drive_c/bench/$i"
  rm -rf "$dir"
  start=$(date +%s.%N)
  wine "$SETUP" /S /NoDesktop "/D=C:\\bench\\$i" || { echo "bench-install: the setup failed" >&2; exit 1; }
  end=$(date +%s.%N)
  [[ -f "$dir/tastora.exe" ]] || { echo "bench-install: nothing installed in $dir" >&2; exit 1; }
  took=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')
  if ((i == 0)); then
    echo "first install (starts Wine's processes): ${took} s"
  else
    times+=("$took")
  fi
done
installed=$(du -sb "$WINEPREFIX/drive_c/bench/1" | cut -f1)
printf '%s\n' "${times[@]}" | sort -n | awk -v setup="$(stat -c %s "$SETUP")" -v inst="$installed" '
  { t[NR] = $1 }
  END {
    median = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
    printf "setup file: %.2f MB (limit 5 MB)\n", setup / 1048576
    printf "installed: %.2f MB (limit 15 MB)\n", inst / 1048576
    printf "silent install: median %.2f s, %.2f to %.2f s over %d runs (limit 5 s)\n", median, t[1], t[NR], NR
  }'
rm -rf "$WINEPREFIX/drive_c/bench"
