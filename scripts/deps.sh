#!/usr/bin/env bash
# Installs what building and testing Tastora needs on Debian 12 (run as root on a
# fresh machine). Does nothing, quickly, when everything is already there.
set -euo pipefail

PACKAGES=(
  # native build, unit tests, benchmarks
  g++ cmake make pkg-config python3 googletest libgtest-dev libgmock-dev libbenchmark-dev
  # course-data generator
  libjpeg-dev libfreetype-dev fonts-dejavu-core
  # the course movies: an independent SWF reader for their checks
  python3-yaswfp
  # cross build for 32-bit Windows
  g++-mingw-w64-i686 mingw-w64-i686-dev
  # libjpeg-turbo for the mingw build (cmake/libjpeg.cmake): Debian's patches applied with
  # patch, its SIMD code assembled by nasm
  patch nasm
  # running and testing the program under Wine, on a virtual display; its tests under pytest
  python3-pytest wine wine32:i386 xvfb xdotool x11-xkb-utils x11-utils imagemagick fonts-wine locales
  # fonts the program's windows use under Wine (Arial stand-in, font lookup)
  fonts-dejavu-extra fontconfig
  # the SWF library: AntiGrain Geometry headers, zlib for both builds; PNG for its tool
  libagg-dev zlib1g-dev libz-mingw-w64-dev libpng-dev
  # the SWF reference renderer (Ruffle in headless Chromium, driven from Node)
  chromium nodejs
  # the key-latency benchmark (scripts/bench-keys.sh): its X probe keylat, built with XTest and MIT-SHM
  libx11-dev libxext-dev libxtst-dev
  # the release: the installer (scripts/package.sh)
  nsis
  # checking builds: fuzz targets (clang's libFuzzer), 32-bit unit tests under sanitizers
  clang libclang-rt-14-dev
  # the house style of the C++ sources (scripts/format.sh)
  clang-format g++-multilib libgtest-dev:i386 libjpeg62-turbo-dev:i386 zlib1g-dev:i386 libpng-dev:i386
)
# Locales for the keyboard-layout tests under Wine.
LOCALES=(en_US.UTF-8 ru_RU.UTF-8 ro_RO.UTF-8)

say() { echo "deps: $*" >&2; }

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# npm packages of the SWF reference script (tests/swf_reference: package.json and its
# lock file), installed into its node_modules when missing or older than the lock file.
npm_packages() {
  local dir="$ROOT/tests/swf_reference"
  [[ -f "$dir/package-lock.json" ]] || return 0
  command -v npm >/dev/null || return 0
  if [[ ! -d "$dir/node_modules" || "$dir/package-lock.json" -nt "$dir/node_modules" ]]; then
    say "installing the npm packages of tests/swf_reference"
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >&2) && touch "$dir/node_modules"
  fi
}

missing=()
for pkg in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$pkg" 2>/dev/null || true)
  [[ "$status" == ii* ]] || missing+=("$pkg")
done

missing_locales=()
available=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
for loc in "${LOCALES[@]}"; do
  want=$(echo "$loc" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
  grep -qx "$want" <<<"$available" || missing_locales+=("$loc")
done

# Debian's npm, unless Node already brings its own (as NodeSource's nodejs does).
if ! command -v npm >/dev/null; then
  missing+=(npm)
fi

if [[ ${#missing[@]} -eq 0 && ${#missing_locales[@]} -eq 0 ]]; then
  npm_packages
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  [[ ${#missing[@]} -gt 0 ]] && say "missing packages: ${missing[*]}"
  [[ ${#missing_locales[@]} -gt 0 ]] && say "missing locales: ${missing_locales[*]}"
  say "run this script as root to install them"
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [[ ${#missing[@]} -gt 0 ]]; then
  say "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get -o DPkg::Lock::Timeout=600 update -q
  apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
fi

if [[ ${#missing_locales[@]} -gt 0 ]]; then
  say "generating locales: ${missing_locales[*]}"
  touch /etc/locale.gen
  for loc in "${missing_locales[@]}"; do
    line="$loc UTF-8"
    if grep -qE "^#[[:space:]]*${loc//./\\.}[[:space:]]+UTF-8" /etc/locale.gen; then
      sed -i -E "s/^#[[:space:]]*(${loc//./\\.}[[:space:]]+UTF-8)/\\1/" /etc/locale.gen
    elif ! grep -qE "^${loc//./\\.}[[:space:]]+UTF-8" /etc/locale.gen; then
      echo "$line" >>/etc/locale.gen
    fi
  done
  locale-gen >/dev/null
fi
npm_packages
say "done"
