# Writes the placeholder base ROM: 128 KiB of a readable text line, plainly not a loader.
# Usage: cmake -DOUT=path -P make_base_rom.cmake
set(line "CORVAMO PLACEHOLDER BASE ROM: NOT A LOADER, NO CODE, JUST FILL.\n")
string(REPEAT "${line}" 2048 rom)
file(WRITE "${OUT}" "${rom}")
