#!/usr/bin/env bash
# Corvamo --export-previews on 100 copies of the sample skin archive, against an ImageMagick
# script that composes only the GBA preview's screen 1 from the same pictures (unpacked).
# Usage: bench/workbench/export_previews_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/workbench/magick_peer.sh
build=${1:-build}
corvamo="$PWD/$build/dist/Corvamo"
sample_zip="$PWD/$build/samples/SampleSkin.zip"
sample_dir="$PWD/$build/samples/SampleSkin"
convert=${CONVERT:-$(command -v convert-im6.q16 || command -v convert)}
count=${COUNT:-100}
for need in "$corvamo" "$sample_zip" "$sample_dir/qvpdalogo.bmp"; do
  [ -e "$need" ] || { echo "missing $need: build first (cmake --build $build)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/zips" "$work/folders" "$work/magick" "$work/dist" "$work/cache"
for i in $(seq -w 1 "$count"); do
  cp "$sample_zip" "$work/zips/Skin$i.zip"
  cp -r "$sample_dir" "$work/folders/Skin$i"
done

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.${2:-2}f\", $1 }"; }

start=$(now)
(cd "$work/dist" && XDG_CACHE_HOME="$work/cache" QT_QPA_PLATFORM=offscreen \
  "$corvamo" --export-previews "$work"/zips/*.zip </dev/null >"$work/corvamo.log")
corvamo_s=$(calc "$(now) - $start")
saved=$(grep -c ' saved\.$' "$work/corvamo.log")

start=$(now)
for skin in "$work"/folders/*; do
  magick_screen1 "$convert" "$skin" "$work/magick/$(basename "$skin")-screen1.jpg"
done
magick_s=$(calc "$(now) - $start")

per_corvamo=$(calc "1000 * $corvamo_s / $count" 1)
per_magick=$(calc "1000 * $magick_s / $count" 1)
ratio=$(calc "$magick_s / $corvamo_s" 1)
echo "skins: $count (Corvamo saved $saved previews)"
echo "Corvamo --export-previews, both previews from each zip: ${corvamo_s}s, ${per_corvamo} ms per skin"
echo "ImageMagick, GBA screen 1 only from unpacked pictures: ${magick_s}s, ${per_magick} ms per skin"
echo "Corvamo is ${ratio}x faster per skin"
