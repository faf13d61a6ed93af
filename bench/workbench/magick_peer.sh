# The ImageMagick peer of the workbench benches, sourced by them: GBA screen 1 of one unpacked
# skin folder (the logo, the disc item, the desk icon's cell and the right arrow), composed with
# one convert, as a script would make a preview.
# Usage: magick_screen1 CONVERT SKIN_FOLDER OUT.jpg
magick_screen1() {
  local convert=$1 skin=$2 out=$3
  "$convert" "$skin/qvpdalogo.bmp" \
    \( "$skin/itemdisc.bmp" -transparent white \) -geometry +60+49 -composite \
    \( "$skin/deskicon.bmp" -crop 24x24+0+144 +repage -transparent white \) -geometry +73+66 -composite \
    \( "$skin/arrowR.bmp" -transparent white \) -geometry +112+66 -composite \
    -quality 100 "$out"
}
