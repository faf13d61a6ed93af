#!/bin/sh
# Example build script for the DI3 GBA loader. Corvamo runs it after filling gba/.shell/ from the
# loaded skin; it builds the GBA shell ROM gba/di3shell.gba with gba/Lindquay.
set -eu
cd "$(dirname "$0")"
rm -rf gba/fs
mkdir -p gba/fs
gba/Lindquay gba/fs gba/di3shell.gba </dev/null
