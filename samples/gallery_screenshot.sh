#!/usr/bin/env bash
# Takes the README's picture of the gallery: a folder of skins (the sample skin in six colours, the
# template skin, one archive that is no zip), the real Corvamo started on it under Xvfb, View >
# Gallery pressed with xdotool, and the gallery window grabbed once every thumbnail is drawn.
# Usage: xvfb-run -a -s '-screen 0 1280x900x24' samples/gallery_screenshot.sh BUILD_DIR OUT.png
set -euo pipefail
build=$(cd "$1" && pwd)
out=$2
convert=$(command -v convert-im6.q16 || command -v convert)
work=$(mktemp -d)
trap 'kill "$corvamo" 2>/dev/null || true; rm -rf "$work"' EXIT
skins="$work/Skins"
mkdir -p "$skins" "$work/cache"
hue=100
for name in Amber Beach Cobalt Dusk Ember Forest; do
  mkdir "$work/$name"
  for picture in "$build"/samples/SampleSkin/*; do
    case $picture in
      *.bmp | *.BMP) "$convert" "$picture" -modulate 100,100,"$hue" "BMP3:$work/$name/$(basename "$picture")" ;;
      *) cp "$picture" "$work/$name/" ;;
    esac
  done
  (cd "$work/$name" && "$build/dist/Corvamo" --pack-skin . "$skins/$name.zip" >/dev/null)
  hue=$((hue + 33))
done
"$build/dist/Corvamo" --new-skin "$skins/Template" >/dev/null
printf 'these bytes are no zip archive' >"$skins/Damaged.zip"

cd "$build/dist"
XDG_CACHE_HOME="$work/cache" ./Corvamo "$skins/Amber.zip" &
corvamo=$!
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Corvamo' >/dev/null 2>&1 && break; sleep 0.2; done
main=$(xdotool search --onlyvisible --name '^Corvamo' | head -1)
xdotool windowfocus --sync "$main" key ctrl+shift+g  # no window manager under Xvfb: focus, not activate
for _ in $(seq 50); do xdotool search --onlyvisible --name 'Gallery' >/dev/null 2>&1 && break; sleep 0.2; done
gallery=$(xdotool search --onlyvisible --name 'Gallery' | head -1)
sleep 6  # every thumbnail drawn
import -window "$gallery" "$out"
