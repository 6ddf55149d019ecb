#!/usr/bin/env bash
# Builds Vendrik's Debian package with Debian's own tools (debhelper, the
# packaging in debian/) and leaves vendrik_<version>_<arch>.deb in
# build/package/. Installs what is missing first.
#   bash scripts/package.sh
#   DEB_BUILD_OPTIONS=nocheck bash scripts/package.sh   (as CI does)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" package

# dpkg-buildpackage writes its results beside the source folder, so the
# build runs on a copy of the tree inside build/package/: the files git
# knows (new ones too, not what .gitignore names), or, outside a clone,
# everything but build/.
out="$root/build/package"
src="$out/vendrik"
rm -rf "$out"
mkdir -p "$src"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do
      # not a file deleted but not yet committed
      if [ -e "$root/$f" ]; then printf '%s\0' "$f"; fi
    done |
    tar -C "$root" --null -T - -cf - | tar -C "$src" -xf -
else
  tar -C "$root" --exclude=./build -cf - . | tar -C "$src" -xf -
fi

# ccache, where a developer has it, keeps its cache and settings although
# debhelper gives the build a home of its own.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  CCACHE_DIR=$(ccache -k cache_dir)
  export CCACHE_DIR
  config=$(ccache -p | sed -n 's/^(\([^)]*ccache\.conf\)) .*/\1/p' | head -n 1)
  [ -z "$config" ] || export CCACHE_CONFIGPATH="$config"
fi

cd "$src"
dpkg-checkbuilddeps
DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=$(nproc)" \
  dpkg-buildpackage --build=source,any --no-sign
ls -l "$out"/*.deb
