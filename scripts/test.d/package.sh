#!/usr/bin/env bash
# The Debian package: built without its own test run (the suites above are
# that run), checked by lintian, its menu entry and software centre page
# validated, its icon's sizes compared with the SVG, then unpacked into a
# scratch root, where both programs run on a picture (debian/tests/smoke).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
started=$SECONDS
mkdir -p "$root/build"
DEB_BUILD_OPTIONS=nocheck bash "$root/scripts/package.sh" >"$root/build/package.log" 2>&1 || {
  tail -n 60 "$root/build/package.log"
  exit 1
}
debs=("$root"/build/package/vendrik_*.deb)
deb=${debs[0]}
echo "built $(basename "$deb") in $((SECONDS - started)) s"

# The source package, the binary and the build record; an error or a
# warning fails. A tag that is wrong for Vendrik is overridden in
# debian/vendrik.lintian-overrides, with its reason.
lintian --fail-on error,warning --display-info "$root"/build/package/vendrik_*.changes

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch/root"
share="$scratch/root/usr/share"
desktop-file-validate "$share/applications/vendrik.desktop"
appstreamcli validate --no-net --pedantic "$share"/metainfo/*.metainfo.xml

for png in "$share"/icons/hicolor/*x*/apps/vendrik.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  rsvg-convert -w "${size%x*}" -h "${size#*x}" "$share/icons/hicolor/scalable/apps/vendrik.svg" \
    -o "$scratch/fresh.png"
  # A few levels of difference allowed, should a newer librsvg round otherwise.
  differing=$(compare -metric AE -fuzz 2% "$png" "$scratch/fresh.png" null: 2>&1) || true
  [ "$differing" = 0 ] ||
    { echo "$size: vendrik.png is not the SVG's rendering ($differing pixels differ;" \
        "bash packaging/icons/render.sh renders it anew)"; exit 1; }
done

AUTOPKGTEST_TMP="$scratch/smoke" PATH="$scratch/root/usr/bin:$PATH" \
  sh "$root/debian/tests/smoke"
echo "package step: $((SECONDS - started)) s"
