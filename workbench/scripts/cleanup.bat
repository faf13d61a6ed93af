#!/bin/sh
# Example clean-up script, run by Corvamo when its window closes: removes the scratch folder the
# example build scripts leave behind. The ROMs they built stay.
cd "$(dirname "$0")" || exit 0
rm -rf gba/fs
