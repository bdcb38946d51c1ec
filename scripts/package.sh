#!/usr/bin/env bash
# Builds the release from the checkout:
#   dist/tastora-<version>-setup.exe     the installer (NSIS)
#   dist/tastora-<version>-portable.zip  Tastora\tastora.exe, Tastora\SWFLASH.OCX, Tastora\tastora-teacher.exe, Tastora\data\
#   dist/SHA256SUMS
# and prints their SHA-256 sums and sizes (the figures that the README refers to). <version> is 1.3.<number of commits>.
# The same sources give the same bytes: file times are SOURCE_DATE_EPOCH (default: the
# time of the last commit), zip entries are sorted, the executable carries no time stamp.
#
#   bash scripts/package.sh                      the release (builds everything first)
#   bash scripts/package.sh --from DIR --out DIR [--version V]
#                                                packages an existing runnable folder
#                                                (tastora.exe, SWFLASH.OCX, tastora-teacher.exe and data\)
#                                                without building;
#                                                the end-to-end tests use it
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

FROM=""
OUT="$ROOT/dist"
VERSION=""
while [[ $# -gt 0 ]]; do
  case "$1" in
    --from) FROM=$(cd "$2" && pwd); shift 2 ;;
    --out) mkdir -p "$2"; OUT=$(cd "$2" && pwd); shift 2 ;;
    --version) VERSION=$2; shift 2 ;;
    *) echo "package: unknown argument $1" >&2; exit 2 ;;
  esac
done

say() { echo "package: $*" >&2; }

build_number() {
  git -C "$ROOT" rev-list --count HEAD 2>/dev/null || echo 0
}
[[ -n "$VERSION" ]] || VERSION="1.3.$(build_number)"
if [[ ! "$VERSION" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  say "the version must be three numbers (got '$VERSION')"
  exit 2
fi
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
  SOURCE_DATE_EPOCH=$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH
# Zip times start in 1980.
((SOURCE_DATE_EPOCH >= 315532800)) || SOURCE_DATE_EPOCH=315532800

WORK="$ROOT/build/package"
if [[ -z "$FROM" ]]; then
  bash scripts/deps.sh
  # The native build writes the course data; the release executable gets a build
  # folder of its own, configured with the build number.
  bash scripts/build.sh
  RELEASE="$ROOT/build/release"
  cmake -S "$ROOT" -B "$RELEASE" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake" \
    -DTASTORA_BUILD_NUMBER="${VERSION##*.}" >"$RELEASE.configure.log" 2>&1 || {
    cat "$RELEASE.configure.log" >&2
    exit 1
  }
  cmake --build "$RELEASE" -j"${TASTORA_JOBS:-2}" --target tastora tastora_teacher -- --no-print-directory
  EXE="$RELEASE/tastora.exe"
  # The control beside the program: the one that this build put into its resource.
  OCX="$RELEASE/SWFLASH.OCX"
  DATA="$ROOT/build/native/data"
else
  WORK="$OUT/work"
  EXE="$FROM/tastora.exe"
  OCX="$FROM/SWFLASH.OCX"
  DATA="$FROM/data"
fi
for need in "$EXE" "$OCX" "$(dirname "$EXE")/tastora-teacher.exe" "$DATA/litere.txt"; do
  [[ -f "$need" ]] || { say "missing $need"; exit 1; }
done

# --- the staged folder: the program and the course files, never a profile ---------------
STAGE="$WORK/Tastora"
rm -rf "$WORK"
mkdir -p "$STAGE"
cp "$EXE" "$STAGE/tastora.exe"
cp "$OCX" "$STAGE/SWFLASH.OCX"
# The teacher's class journal, beside the program.
cp "$(dirname "$EXE")/tastora-teacher.exe" "$STAGE/tastora-teacher.exe"
tar -C "$DATA" --exclude=./users.ini --exclude=./lista.txt --exclude='*.tmp~' -cf - . |
  tar -C "$STAGE" --one-top-level=data -xf -
find "$STAGE" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
python3 "$ROOT/win32/icon/make_icon.py" "$WORK/tastora.ico"

# The uninstaller removes exactly these files, then the folders that are left empty.
{
  (cd "$STAGE" && find data -type f | LC_ALL=C sort) | while IFS= read -r f; do
    printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"
  done
  (cd "$STAGE" && find data -mindepth 1 -type d | LC_ALL=C sort -r) | while IFS= read -r d; do
    printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"
  done
} >"$WORK/course-files.nsh"
# The course files in the two folders where learners of an all-users installation write.
(cd "$STAGE" && find data data/text -maxdepth 1 -type f | LC_ALL=C sort -u) | while IFS= read -r f; do
  printf '!insertmacro KeepReadOnly "%s"\n' "${f//\//\\}"
done >"$WORK/course-readonly.nsh"

# --- the portable zip ---------------------------------------------------------------------
mkdir -p "$OUT"
ZIP="$OUT/tastora-$VERSION-portable.zip"
SETUP="$OUT/tastora-$VERSION-setup.exe"
python3 - "$WORK" Tastora "$ZIP" "$SOURCE_DATE_EPOCH" <<'EOF'
import os, sys, time, zipfile
base, top, out, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
stamp = time.gmtime(epoch)[:6]
entries = []
for d, dirs, files in os.walk(os.path.join(base, top)):
    rel = os.path.relpath(d, base).replace(os.sep, "/")
    entries.append(rel + "/")
    entries.extend(rel + "/" + f for f in files)
with zipfile.ZipFile(out + ".part", "w") as z:
    for name in sorted(entries):
        info = zipfile.ZipInfo(name, stamp)
        info.create_system = 0  # MS-DOS attributes: the same on every machine
        if name.endswith("/"):
            info.external_attr = 0x10
            z.writestr(info, b"")
        else:
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(base, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
os.replace(out + ".part", out)
EOF

# --- the installer --------------------------------------------------------------------------
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$VERSION" -DSTAGE="$STAGE" -DICON="$WORK/tastora.ico" \
  -DCOURSE_FILES="$WORK/course-files.nsh" -DCOURSE_READONLY="$WORK/course-readonly.nsh" -DOUTFILE="$SETUP" "$ROOT/installer/tastora.nsi" >&2

# --- sums and sizes ------------------------------------------------------------------------------
(cd "$OUT" && sha256sum "${SETUP##*/}" "${ZIP##*/}" >SHA256SUMS && cat SHA256SUMS)
installed_kb=$(du -sk --apparent-size "$STAGE" | cut -f1)
setup_bytes=$(stat -c %s "$SETUP")
zip_bytes=$(stat -c %s "$ZIP")
awk -v b="$setup_bytes" 'BEGIN { printf "setup: %d bytes (%.2f MB; at most 5 MB)\n", b, b / 1048576 }'
echo "portable zip: $zip_bytes bytes"
awk -v k="$installed_kb" 'BEGIN { printf "installed files: %d KB (%.2f MB; at most 15 MB) plus the uninstaller\n", k, k / 1024 }'
echo "tastora.exe: $(stat -c %s "$STAGE/tastora.exe") bytes"
echo "SWFLASH.OCX: $(stat -c %s "$STAGE/SWFLASH.OCX") bytes (at most 614400)"
status=0
((setup_bytes <= 5 * 1048576)) || { say "the setup file is larger than 5 MB"; status=1; }
((installed_kb <= 15 * 1024)) || { say "the installed files take more than 15 MB"; status=1; }
exit $status
