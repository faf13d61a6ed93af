#!/usr/bin/env bash
# The main job on the bundled sample: builds if needed, then packs samples/fs into a loader ROM
# with Lindquay from the program folder build/dist/gba/ and prints the listing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
build_dir=${BUILD_DIR:-build}
rom="$PWD/$build_dir/sample.rom"
"$build_dir/dist/gba/Lindquay" samples/fs "$rom" </dev/null
echo
echo "ROM written to $rom"
