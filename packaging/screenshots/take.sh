#!/usr/bin/env bash
# Takes the software centre's screenshots from the real window: Xvfb with
# openbox for the window frame, vendrik on a folder of photographs with one
# of them shown, then the watermark designer on that photograph. Needs
# Debian's xvfb, openbox, x11-utils, imagemagick and pngquant.
#   bash packaging/screenshots/take.sh VENDRIK PHOTO...
# VENDRIK is the program (build/release/apps/vendrik, /usr/bin/vendrik);
# the photographs are copied under the names below. Writes
# hauptfenster.png and wasserzeichen.png beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vendrik=$(realpath "$1")
shift
# As root, the photographs lie in /home/anna/Bilder/Urlaub, as a user's
# would: a mount namespace of its own with an empty /home.
if [ "$(id -u)" = 0 ] && [ -z "${VENDRIK_SHOTS_HOME:-}" ]; then
  exec env VENDRIK_SHOTS_HOME=/home/anna unshare --mount --propagation private \
    bash "$0" "$vendrik" "$@"
fi
names=(Boote.jpg Steg.jpg Seebrücke.jpg Herbstbaum.jpg Becher.jpg Nebelsee.jpg Hafen.jpg Strand.jpg)
if [ -n "${VENDRIK_SHOTS_HOME:-}" ]; then
  mount -t tmpfs tmpfs /home
  work=$VENDRIK_SHOTS_HOME
else
  work=$(mktemp -d)
fi
display=:57
cleanup() {
  kill "${pids[@]}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
pids=()
trap cleanup EXIT

fotos="$work/Bilder/Urlaub"
mkdir -p "$work/run" "$fotos"
chmod 700 "$work/run"
i=0
for photo in "$@"; do
  [ $i -lt ${#names[@]} ] || break
  cp "$photo" "$fotos/${names[$i]}"
  i=$((i + 1))
done
# A program outside /usr keeps its settings beside itself: a copy of its own.
case $vendrik in
  /usr/*) ;;
  *) mkdir -p "$work/programm" && cp "$vendrik" "$work/programm/" && vendrik=$work/programm/vendrik ;;
esac
export HOME="$work" XDG_RUNTIME_DIR="$work/run" DISPLAY=$display
unset XDG_CONFIG_HOME XDG_DATA_HOME QT_QPA_PLATFORM

Xvfb $display -screen 0 1280x1024x24 -nolisten tcp &
pids+=($!)
sleep 1
openbox &
pids+=($!)
sleep 1

# The frame of the window named $1, once it has been drawn, as a PNG.
shoot() {
  local id frame
  for _ in $(seq 50); do
    id=$(xwininfo -root -tree | awk -v t="\"$1\"" 'index($0, t) && !id {id = $1} END {print id}')
    [ -n "$id" ] && break
    sleep 0.2
  done
  sleep 2  # the preview is painted after the window appears
  frame=$(xwininfo -children -id "$id" | awk '/Parent window id/ {print $4}')
  import -silent -window "$frame" "$work/shot.png"
  pngquant --force --speed 1 --output "$2" "$work/shot.png"
}

"$vendrik" "$fotos/${names[0]}" &
pids+=($!)
shoot "Tervane Vendrik" "$here/hauptfenster.png"
kill "${pids[2]}"
wait "${pids[2]}" 2>/dev/null || true

"$vendrik" --dialog watermark --settings "$work/vendrik.ini" \
  --picture "$fotos/${names[0]}" &
pids+=($!)
shoot "Wasserzeichen Einstellungen" "$here/wasserzeichen.png"
ls -l "$here"/*.png
