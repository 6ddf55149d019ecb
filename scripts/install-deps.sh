#!/usr/bin/env bash
# Installs the Debian packages Vendrik needs to build, test and benchmark.
# Only what is missing is installed; runs apt-get directly as root, else
# through sudo.
set -euo pipefail

# build: compiler, build tools and the libraries the core links
build_pkgs=(build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2 fontconfig
  libheif-dev libdav1d-dev libwebp-dev liblcms2-dev libexiv2-dev
  qt6-base-dev)
# tests: GoogleTest, independent decoders and metadata tools to check our output
# (heif-enc/heif-convert and cwebp/dwebp make and read the phone and web formats);
# GNU parallel and jq for the command line's runs spread over job slots;
# an X server, a D-Bus session and the AT-SPI registry with its Python client
# to find and press the controls as a screen reader does (xdotool to click
# where it says a control is); man and groff to render the manual pages,
# bash-completion to try the completion; libgs-common for Ghostscript's CMYK
# profiles (default_cmyk.icc), which the colour tests embed in CMYK JPEGs
test_pkgs=(libgtest-dev libgmock-dev libjpeg-turbo-progs python3-pil
  libimage-exiftool-perl desktop-file-utils libglib2.0-bin clang-14 libclang-rt-14-dev xvfb
  xauth locales imagemagick dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0 xdotool
  man-db groff-base bash-completion libheif-examples webp parallel jq
  icc-profiles-free liblcms2-2 libgs-common)
# package: Debian's packaging tools, the checks of the package (lintian, the
# desktop entry's and the software centre page's validators, rsvg-convert to
# compare the icon's sizes with its SVG) and an X server for its smoke test
package_pkgs=(dpkg-dev debhelper lintian desktop-file-utils appstream librsvg2-bin
  xvfb xauth)
# benchmarks: the peers we measure against and real photographs as input;
# SSIMULACRA (libjxl-devtools) and butteraugli score perceived quality, node
# runs mozjpeg's WebAssembly build from npm; cwebp and heif-enc, the output
# formats' peers, come with the test packages (webp, libheif-examples)
bench_pkgs=(imagemagick libvips-tools plasma-workspace-wallpapers time
  libjxl-devtools butteraugli nodejs)

want=("${build_pkgs[@]}")
case "${1:-build}" in
  build) ;;
  test) want+=("${test_pkgs[@]}") ;;
  bench)
    want+=("${test_pkgs[@]}" "${bench_pkgs[@]}")
    # Debian's nodejs comes without npm; a node from elsewhere brings its own.
    command -v npm >/dev/null || want+=(npm)
    ;;
  package) want+=("${package_pkgs[@]}") ;;
  *) echo "usage: $0 [build|test|bench|package]" >&2; exit 2 ;;
esac

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# The tests check German number formatting (decimal comma) through the
# user's locale; generating this one locale takes a few seconds.
want_german_locale() {
  case "${1:-build}" in test | bench) ;; *) return 1 ;; esac
  command -v localedef >/dev/null &&
    ! locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'
}

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if want_german_locale "${1:-build}"; then
  echo "Generating the locale de_DE.UTF-8" >&2
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
