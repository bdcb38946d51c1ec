#!/usr/bin/env bash
# Cross-builds libjpeg-turbo for 32-bit Windows (mingw-w64 i686) from Debian's
# source package, pinned to one version, and installs it into
# build/deps/libjpeg-mingw. Built once: later runs find the stamp (version, options,
# toolchain, assembler) and return; a stamp that differs (a cached build/deps from
# before a change of options) builds it again.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The pinned source package (Debian 12). The checksums are those of Debian's
# Sources index for this version; a different file is refused.
JPEG_PACKAGE=libjpeg-turbo
JPEG_VERSION="1:2.1.5-2"
JPEG_UPSTREAM=2.1.5
JPEG_DSC=libjpeg-turbo_2.1.5-2.dsc
declare -A JPEG_SHA256=(
  [libjpeg-turbo_2.1.5-2.dsc]=d718ead0dfbcbc8523665c02a7f7152e31039ded641d022868722623bb3b486d
  [libjpeg-turbo_2.1.5.orig.tar.gz]=254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c
  [libjpeg-turbo_2.1.5-2.debian.tar.xz]=cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237
)

DEPS="$ROOT/build/deps"
SRC_DIR="$DEPS/src"
TREE="$SRC_DIR/libjpeg-turbo-$JPEG_UPSTREAM"
BUILD_DIR="$DEPS/libjpeg-mingw-build"
PREFIX="$DEPS/libjpeg-mingw"
TOOLCHAIN="$ROOT/cmake/toolchain-mingw-i686.cmake"
# With its SIMD code (MMX/SSE2, assembled by Debian's nasm; the decoder picks what the
# processor has at run time): decoding the course's pictures takes a fraction of the time.
JPEG_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF)

say() { echo "libjpeg (mingw): $*" >&2; }

stamp_text() {
  printf '%s %s\n' "$JPEG_PACKAGE" "$JPEG_VERSION"
  nasm -v 2>/dev/null || true
  printf '%s\n' "${JPEG_OPTIONS[@]}"
  sha256sum "$TOOLCHAIN" | cut -d' ' -f1
}

is_cached() {
  [[ -f "$PREFIX/.tastora-stamp" && -f "$PREFIX/lib/libjpeg.a" && -f "$PREFIX/include/jpeglib.h" ]] &&
    [[ "$(cat "$PREFIX/.tastora-stamp")" == "$(stamp_text)" ]]
}

if is_cached; then
  say "$JPEG_VERSION cached in ${PREFIX#"$ROOT"/}"
  exit 0
fi

mkdir -p "$DEPS" "$SRC_DIR"
# Two builds started at once (several build folders share build/deps) wait
# for each other instead of unpacking into the same folder.
exec 9>"$DEPS/.libjpeg-mingw.lock"
flock 9
if is_cached; then
  say "$JPEG_VERSION cached in ${PREFIX#"$ROOT"/}"
  exit 0
fi

source_files_ok() {
  local f
  for f in "${!JPEG_SHA256[@]}"; do
    [[ -f "$SRC_DIR/$f" ]] || return 1
    [[ "$(sha256sum "$SRC_DIR/$f" | cut -d' ' -f1)" == "${JPEG_SHA256[$f]}" ]] || return 1
  done
}

has_pinned_source() {
  apt-cache showsrc "$JPEG_PACKAGE" 2>/dev/null | grep -qx "Version: $JPEG_VERSION"
}

enable_deb_src() {
  if [[ $(id -u) -ne 0 ]]; then
    say "the apt source index is missing: run as root once (or add deb-src to the apt sources and run apt-get update)"
    exit 1
  fi
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$f" ]] || continue
    if grep -qE '^Types:[[:space:]]*deb[[:space:]]*$' "$f"; then
      sed -i -E 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb deb-src/' "$f"
      say "enabled deb-src in $f"
    fi
  done
  if [[ -f /etc/apt/sources.list ]] && grep -qE '^deb[[:space:]]' /etc/apt/sources.list &&
     ! grep -qE '^deb-src[[:space:]]' /etc/apt/sources.list; then
    sed -nE 's/^deb([[:space:]])/deb-src\1/p' /etc/apt/sources.list >/etc/apt/sources.list.d/tastora-deb-src.list
    say "added deb-src lines in /etc/apt/sources.list.d/tastora-deb-src.list"
  fi
  say "apt-get update (source index)"
  apt-get update -q >/dev/null
}

if ! source_files_ok; then
  if ! has_pinned_source; then
    enable_deb_src
    if ! has_pinned_source; then
      say "Debian's apt sources do not offer $JPEG_PACKAGE=$JPEG_VERSION (apt-cache showsrc $JPEG_PACKAGE)"
      exit 1
    fi
  fi
  say "downloading source package $JPEG_PACKAGE=$JPEG_VERSION"
  (cd "$SRC_DIR" && apt-get source -q --download-only "$JPEG_PACKAGE=$JPEG_VERSION" >/dev/null 2>"$SRC_DIR/apt-source.log") || {
    cat "$SRC_DIR/apt-source.log" >&2
    say "apt-get source failed"
    exit 1
  }
  if ! source_files_ok; then
    say "downloaded files do not match the pinned checksums of $JPEG_VERSION"
    exit 1
  fi
fi

say "unpacking $JPEG_DSC (with Debian's patches)"
rm -rf "$TREE" "$BUILD_DIR" "$PREFIX"
# gpgv cannot check the .dsc signature without Debian's keyring; apt has
# already checked the files against the signed index, and we against the pins.
(cd "$SRC_DIR" && dpkg-source -q -x "$JPEG_DSC" "$TREE" >"$DEPS/libjpeg-mingw-unpack.log" 2>&1) || {
  cat "$DEPS/libjpeg-mingw-unpack.log" >&2
  say "dpkg-source -x $JPEG_DSC failed"
  exit 1
}

say "configuring and building with ${TOOLCHAIN#"$ROOT"/}"
cmake -S "$TREE" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  "${JPEG_OPTIONS[@]}" >"$DEPS/libjpeg-mingw-configure.log" 2>&1 || {
  tail -40 "$DEPS/libjpeg-mingw-configure.log" >&2
  say "configure failed (log: ${DEPS#"$ROOT"/}/libjpeg-mingw-configure.log)"
  exit 1
}
cmake --build "$BUILD_DIR" -j2 --target install >"$DEPS/libjpeg-mingw-build.log" 2>&1 || {
  tail -40 "$DEPS/libjpeg-mingw-build.log" >&2
  say "build failed (log: ${DEPS#"$ROOT"/}/libjpeg-mingw-build.log)"
  exit 1
}
if [[ ! -f "$PREFIX/lib/libjpeg.a" || ! -f "$PREFIX/include/jpeglib.h" ]]; then
  say "install did not produce lib/libjpeg.a and include/jpeglib.h in ${PREFIX#"$ROOT"/}"
  exit 1
fi
if ! grep -qE "^#define LIBJPEG_TURBO_VERSION +$JPEG_UPSTREAM\$" "$PREFIX/include/jconfig.h"; then
  say "installed jconfig.h does not report version $JPEG_UPSTREAM"
  exit 1
fi
if ! grep -qE '^#define WITH_SIMD( |$)' "$PREFIX/include/jconfig.h"; then
  say "installed jconfig.h reports no SIMD code (is nasm installed?)"
  exit 1
fi
stamp_text >"$PREFIX/.tastora-stamp"
say "$JPEG_VERSION installed in ${PREFIX#"$ROOT"/}"
