#!/usr/bin/env bash
# Takes the README's picture of the comparison: two skins (the sample skin, and the sample with its
# desktop icons in other colours), the real Corvamo started on the first under Xvfb with console
# colours and 2x zoom, the second chosen in the file list with the keyboard (arrow key, menu key,
# "Compare with the loaded skin"), then the GBA desktop and Differences chosen in the comparison
# window, which is grabbed.
# Usage: xvfb-run -a -s '-screen 0 1600x1000x24' samples/compare_screenshot.sh BUILD_DIR OUT.png
set -euo pipefail
build=$(cd "$1" && pwd)
out=$(realpath -m "$2")
convert=$(command -v convert-im6.q16 || command -v convert)
work=$(mktemp -d)
trap 'kill "$corvamo" 2>/dev/null || true; rm -rf "$work"' EXIT
skins="$work/Skins"
mkdir -p "$skins" "$work/cache" "$work/Icons"
(cd "$build/samples/SampleSkin" && "$build/dist/Corvamo" --pack-skin . "$skins/Amber.zip" >/dev/null)
cp "$build"/samples/SampleSkin/* "$work/Icons/"
"$convert" "$build/samples/SampleSkin/deskicon.bmp" -modulate 100,100,160 "BMP3:$work/Icons/deskicon.bmp"
(cd "$work/Icons" && "$build/dist/Corvamo" --pack-skin . "$skins/Amber-icons.zip" >/dev/null)

cd "$build/dist"
XDG_CACHE_HOME="$work/cache" ./Corvamo "$skins/Amber.zip" &
corvamo=$!
for _ in $(seq 50); do xdotool search --name '^Corvamo' >/dev/null 2>&1 && break; sleep 0.2; done
sleep 1
main=$(xdotool search --name '^Corvamo' | head -1)
# No window manager under Xvfb: focus, not activate. View > Console colours and Zoom 2x, then the
# file list (third in the focus order), the entry above the loaded one, its context menu.
xdotool windowfocus --sync "$main"
xdotool key --delay 150 ctrl+k ctrl+2 Tab Tab Up Menu
sleep 0.5
xdotool key Return
for _ in $(seq 50); do xdotool search --name 'Compare two skins' >/dev/null 2>&1 && break; sleep 0.2; done
compare=$(xdotool search --name 'Compare two skins' | head -1)
sleep 1
# The screen list has the focus: two down is GBA screen 2, the desktop; Alt+D ticks Differences.
xdotool windowfocus --sync "$compare"
xdotool key --delay 150 Down Down alt+d
sleep 1
import -window "$compare" "$out"
