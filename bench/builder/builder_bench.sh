#!/usr/bin/env bash
# Lindquay against its peers on generated trees, all in one run:
#   files    about 2,000 files, 200 MB (most of 1-16 KiB, a hundred of about 2 MB)
#   small    20,000 small files
#   pictures 500 pictures (BMP, PNG, JPEG, 240x160 to 1024x768)
# Peers: genromfs and tar -cf (to a file) on the first two trees; on the pictures, the same
# pictures turned into 15-bit RGB555 BMPs by ImageMagick, one convert per picture.
# Prints the median wall time of RUNS runs, the ratios and Lindquay's peak memory.
# Usage: bash bench/builder/builder_bench.sh [files|small|pictures ...]   (BUILD_DIR, RUNS)
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir=${BUILD_DIR:-build}
runs=${RUNS:-3}
trees=("$@")
((${#trees[@]})) || trees=(files small pictures)
gba="$build_dir/dist/gba"
for tool in genromfs tar convert mogrify perl /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool: bash scripts/setup.sh --bench" >&2; exit 1; }
done
[ -x "$gba/Lindquay" ] || { echo "build first: bash scripts/setup.sh" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lindquay-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
prog="$work/prog"
mkdir -p "$prog"
cp "$gba/Lindquay" "$gba/libmarlet.so" "$gba/glimmet" "$gba/Lindquay.rom" "$prog/"

# Files of pseudo-random bytes; sizes from a fixed seed so every run builds the same tree.
make_files() {  # DIR COUNT_SMALL COUNT_BIG MIN MAX BIG
  perl -e '
    my ($dir, $small, $big, $min, $max, $bigsize) = @ARGV;
    srand(42);
    my $block = join "", map { chr(int(rand(256))) } 1 .. 65536;
    sub put { my ($p, $n) = @_; open my $f, ">", $p or die "$p: $!";
      while ($n > 0) { my $k = $n < 65536 ? $n : 65536; print $f substr($block, int(rand(65536 - $k + 1)), $k); $n -= $k } close $f }
    for my $i (0 .. $small - 1) { my $d = sprintf "%s/d%03d", $dir, $i % 100; mkdir $d;
      put(sprintf("%s/f%05d.dat", $d, $i), $min + int(rand($max - $min + 1))) }
    for my $i (0 .. $big - 1) { my $d = "$dir/big"; mkdir $d;
      put(sprintf("%s/b%03d.dat", $d, $i), $bigsize - 65536 + int(rand(131072))) }
  ' "$@"
}

make_pictures() {  # DIR COUNT
  local dir=$1 count=$2
  mkdir -p "$dir"
  perl -e '
    my ($dir, $count) = @ARGV;
    srand(7);
    my @sizes = ([240,160],[320,240],[480,320],[640,480],[800,600],[1024,768]);
    # Smooth colours: rows are slices of one long gradient, shifted from row to row.
    my $ramp = join "", map { pack("CCC", $_ & 255, int($_ / 3) & 255, (255 - $_) & 255) } 0 .. 4095;
    for my $i (0 .. $count - 1) {
      my ($w, $h) = @{$sizes[$i % @sizes]};
      my $row = int(($w * 3 + 3) / 4) * 4;
      my $pixels = "";
      for my $y (0 .. $h - 1) {
        $pixels .= substr($ramp, 3 * (($y + 7 * $i) % (4096 - $w)), 3 * $w) . ("\0" x ($row - 3 * $w));
      }
      open my $f, ">", sprintf("%s/p%03d.bmp", $dir, $i) or die $!;
      print $f "BM", pack("VvvV", 54 + length $pixels, 0, 0, 54),
        pack("VVVvvVVVVVV", 40, $w, $h, 1, 24, 0, length $pixels, 2835, 2835, 0, 0), $pixels;
      close $f;
    }' "$dir" "$count"
  # A third stay BMP, a third become PNG, a third JPEG.
  (cd "$dir" && ls p*.bmp | awk 'NR % 3 == 1' | xargs mogrify -format png && \
    ls p*.bmp | awk 'NR % 3 == 1' | xargs rm -f)
  (cd "$dir" && ls p*.bmp | awk 'NR % 2 == 1' | xargs mogrify -format jpg -quality 90 && \
    ls p*.bmp | awk 'NR % 2 == 1' | xargs rm -f)
}

# Median of RUNS runs of a command: prints "seconds peak_kib".
measure() {
  local i times=() mems=() t m
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -o "$work/time" -f '%e %M' "$@" >/dev/null 2>&1 </dev/null
    read -r t m <"$work/time"
    times+=("$t")
    mems+=("$m")
  done
  t=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  m=$(printf '%s\n' "${mems[@]}" | sort -g | tail -1)
  echo "$t $m"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

convert_loop() {  # DIR OUT
  local f
  for f in "$1"/*; do
    convert "$f" -depth 5 -define bmp:subtype=RGB555 "BMP3:$2/$(basename "$f").bmp"
  done
}

printf '%-9s %8s %7s %9s %9s %9s %8s %8s %10s\n' tree files MB lindquay genromfs tar "L/genr" "L/tar" "L peak KiB"
for tree in "${trees[@]}"; do
  src="$work/$tree"
  mkdir -p "$src"
  case $tree in
    files) make_files "$src" 1900 100 1024 16384 $((2 * 1024 * 1024)) ;;
    small) make_files "$src" 20000 0 64 4096 0 ;;
    pictures) make_pictures "$src" 500 ;;
    *) echo "unknown tree $tree" >&2; exit 1 ;;
  esac
  nfiles=$(find "$src" -type f | wc -l)
  mb=$(du -sm --apparent-size "$src" | cut -f1)
  cat $(find "$src" -type f) >/dev/null  # every peer starts from a warm cache
  read -r lt lm < <(measure "$prog/Lindquay" "$src" "$work/out.rom")
  "$prog/Lindquay" "$src" "$work/out.rom" </dev/null | tail -1 | grep -q '^Error(s): 0 ' ||
    { echo "Lindquay reported errors on $tree" >&2; exit 1; }
  if [ "$tree" = pictures ]; then
    mkdir -p "$work/im"
    read -r ct _ < <(measure bash -c "$(declare -f convert_loop); convert_loop '$src' '$work/im'")
    printf '%-9s %8d %7d %9s %9s %9s %8s %8s %10s\n' "$tree" "$nfiles" "$mb" "$lt" "-" "-" "-" "-" "$lm"
    echo "          ImageMagick loop (convert IN -depth 5 -define bmp:subtype=RGB555 BMP3:OUT): ${ct}s," \
      "ImageMagick / Lindquay = $(ratio "$ct" "$lt")"
  else
    read -r gt _ < <(measure genromfs -f "$work/out.img" -d "$src")
    read -r tt _ < <(measure tar -cf "$work/out.tar" -C "$src" .)
    printf '%-9s %8d %7d %9s %9s %9s %8s %8s %10s\n' "$tree" "$nfiles" "$mb" "$lt" "$gt" "$tt" \
      "$(ratio "$lt" "$gt")" "$(ratio "$lt" "$tt")" "$lm"
  fi
  rm -rf "$src" "$work/out.rom" "$work/out.img" "$work/out.tar" "$work/im"
done
echo "(seconds: median of $runs runs; goals: L/genr < 1, L/tar <= 1.3, peak < 8192 KiB, ImageMagick / Lindquay >= 3)"
