#!/bin/sh
# Example build script for the VU4 loaders, for a skin with text.txt (Corvamo has copied it into
# this folder). Like Skin_it.bat, but text.txt is packed into the GBA shell ROM gba/vu4shell.gba
# too. It never makes qvkit_up.bin: that loader image is yours to place in this folder.
set -eu
cd "$(dirname "$0")"
rm -rf gba/fs
mkdir -p gba/fs
cp text.txt gba/fs/text.txt
gba/Lindquay gba/fs gba/vu4shell.gba </dev/null
