#!/usr/bin/env bash
# The main job on the bundled sample: builds if needed, then packs the sample FS folder (samples/fs,
# completed at build time into build/samples/fs) into a loader ROM with Lindquay from the program
# folder build/dist/gba/ and prints the listing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
build_dir=${BUILD_DIR:-build}
rom="$PWD/$build_dir/sample.rom"
"$build_dir/dist/gba/Lindquay" "$build_dir/samples/fs" "$rom" </dev/null
echo
echo "ROM written to $rom"

# Corvamo: both previews of the sample skin, without a window, saved beside its archive.
echo
sample_skin="$PWD/$build_dir/samples/SampleSkin.zip"
(cd "$build_dir/dist" && ./Corvamo --export-previews "$sample_skin" </dev/null)
