#!/bin/sh
# Example build script for the VU4 loaders, for a skin without text.txt. Corvamo runs it after
# filling nds/ and gba/.shell/ from the loaded skin. This one only builds the GBA shell ROM
# gba/vu4shell.gba with gba/Lindquay (the .shell folder beside it plus an empty source folder);
# a real script for your cartridge would also rebuild the DS loader from nds/.
# It never makes qvkit_up.bin: that loader image is yours to place in this folder.
set -eu
cd "$(dirname "$0")"
rm -rf gba/fs
mkdir -p gba/fs
gba/Lindquay gba/fs gba/vu4shell.gba </dev/null
