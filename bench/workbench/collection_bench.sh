#!/usr/bin/env bash
# Corvamo on a collection of skins, against an ImageMagick script in the same run: the script
# composes only the GBA preview's screen 1 of each skin from its unpacked pictures (one convert
# per skin); Corvamo --export-previews and --check read the zips. Then the gallery's thumbnails of
# 300 zips from a cold and a warm cache (gallery_bench, offscreen), with its peak memory.
# Usage: bench/workbench/collection_bench.sh [BUILD_DIR]   (default: build)
#   COUNT=100 skins for the export and the check; GALLERY=300 skins for the gallery.
#   BASE=path/to/another/Corvamo: also run that one and compare every preview and check report
#   byte for byte with this build's.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/workbench/magick_peer.sh
source bench/machine.sh
build=${1:-build}
corvamo="$PWD/$build/dist/Corvamo"
gallery_bench="$PWD/$build/bench/workbench/gallery_bench"
sample_zip="$PWD/$build/samples/SampleSkin.zip"
sample_dir="$PWD/$build/samples/SampleSkin"
convert=${CONVERT:-$(command -v convert-im6.q16 || command -v convert)}
count=${COUNT:-100}
gallery=${GALLERY:-300}
for need in "$corvamo" "$gallery_bench" "$sample_zip" "$sample_dir/qvpdalogo.bmp"; do
  [ -e "$need" ] || { echo "missing $need: build first (cmake --build $build)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/zips" "$work/folders" "$work/magick" "$work/dist" "$work/cache" "$work/gallery"
for i in $(seq -w 1 "$count"); do
  cp "$sample_zip" "$work/zips/Skin$i.zip"
  cp -r "$sample_dir" "$work/folders/Skin$i"
done
for i in $(seq -w 1 "$gallery"); do cp "$sample_zip" "$work/gallery/Skin$i.zip"; done

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.${2:-2}f\", $1 }"; }
run_corvamo() { # BINARY CACHE ARGS...: from the empty program folder, no display
  local binary=$1 cache=$2
  shift 2
  (cd "$work/dist" && XDG_CACHE_HOME="$cache" QT_QPA_PLATFORM=offscreen "$binary" "$@" </dev/null)
}

start=$(now)
for skin in "$work"/folders/*; do
  magick_screen1 "$convert" "$skin" "$work/magick/$(basename "$skin")-screen1.jpg"
done
magick_s=$(calc "$(now) - $start" 3)

start=$(now)
run_corvamo "$corvamo" "$work/cache" --export-previews "$work"/zips/*.zip >"$work/export.log"
export_s=$(calc "$(now) - $start" 3)
saved=$(grep -c ' saved\.$' "$work/export.log")

start=$(now)
run_corvamo "$corvamo" "$work/cache" --check "$work"/zips/*.zip >"$work/check.log" || true
check_s=$(calc "$(now) - $start" 3)

rm -rf "$work/gallery-cache"
read -r gallery_load _ </proc/loadavg
cold=$(XDG_CACHE_HOME="$work/gallery-cache" /usr/bin/time -f '%M' -o "$work/cold.mem" \
  "$gallery_bench" "$work/gallery" "$work/gallery-cache/Corvamo")
warm=$(XDG_CACHE_HOME="$work/gallery-cache" /usr/bin/time -f '%M' -o "$work/warm.mem" \
  "$gallery_bench" "$work/gallery" "$work/gallery-cache/Corvamo")
cold_s=${cold%% s*}
warm_s=${warm%% s*}

start=$(now)
run_corvamo "$corvamo" "$work/cache" --export-previews "$work"/gallery/*.zip >/dev/null
export_gallery_s=$(calc "$(now) - $start" 3)

per() { calc "1000 * $1 / $2" 2; }
describe_machine
echo "load average when the gallery started: $gallery_load"
echo "skins: $count zips of the sample skin (Corvamo saved $saved previews)"
echo "ImageMagick, GBA screen 1 only:      ${magick_s} s, $(per "$magick_s" "$count") ms per skin"
echo "Corvamo --export-previews, both:     ${export_s} s, $(per "$export_s" "$count") ms per skin, $(calc "$export_s / $magick_s") x the script"
echo "Corvamo --check:                     ${check_s} s, $(per "$check_s" "$count") ms per skin, $(calc "$check_s / $magick_s") x the script"
echo "gallery, $gallery zips, cold cache:    ${cold_s} s ($(calc "$cold_s / $export_gallery_s") x --export-previews of the same skins, ${export_gallery_s} s), peak $(( $(cat "$work/cold.mem") / 1024 )) MB"
echo "gallery, $gallery zips, warm cache:    ${warm_s} s ($(calc "$warm_s / $export_gallery_s" 3) x), peak $(( $(cat "$work/warm.mem") / 1024 )) MB"

if [ -n "${BASE:-}" ]; then
  # The same skins through the other build: every preview and report must be the same bytes.
  mkdir -p "$work/base"
  for i in $(seq -w 1 "$count"); do cp "$sample_zip" "$work/base/Skin$i.zip"; done
  start=$(now)
  run_corvamo "$BASE" "$work/cache" --export-previews "$work"/base/*.zip >/dev/null
  base_export_s=$(calc "$(now) - $start" 3)
  start=$(now)
  run_corvamo "$BASE" "$work/cache" --check "$work"/zips/*.zip >"$work/base-check.log" || true
  base_check_s=$(calc "$(now) - $start" 3)
  same=yes
  for jpg in "$work"/base/*.jpg; do cmp -s "$jpg" "$work/zips/$(basename "$jpg")" || { same=no; echo "differs: $(basename "$jpg")"; }; done
  cmp -s "$work/check.log" "$work/base-check.log" || { same=no; echo "the check reports differ"; }
  echo "the other build: --export-previews ${base_export_s} s ($(calc "$base_export_s / $magick_s") x the script), --check ${base_check_s} s ($(calc "$base_check_s / $magick_s") x); outputs byte-identical: $same"
fi
