#!/usr/bin/env bash
# Lindquay against its peers on generated trees, all in one run:
#   files    about 2,000 files, 200 MB (most of 1-16 KiB, a hundred of about 2 MB)
#   small    20,000 small files (64 B to 4 KiB, about 41 MiB)
#   pictures 300 pictures, a quarter each BMP, PNG, JPEG and GIF, 240x160 to 1024x768
# Peers: cat of every file into one file, genromfs and tar -cf (to a file) on the first two
# trees; on the pictures, ImageMagick turning each into a 15-bit BMP3, one convert per picture.
# Lindquay and its peers run in turn, round after round (RUNS rounds, 5 by default), so that a
# change of the machine's load hits them alike; each ratio is the median of the rounds' own
# ratios. Wall and processor time (user + system, of the program and its children) are shown.
# Usage: bash bench/builder/builder_bench.sh [files|small|pictures ...]   (BUILD_DIR, RUNS)
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/machine.sh
build_dir=${BUILD_DIR:-build}
runs=${RUNS:-5}
trees=("$@")
((${#trees[@]})) || trees=(files small pictures)
gba="$build_dir/dist/gba"
timed="$build_dir/bench/bench_timed"
for tool in genromfs tar mogrify perl xargs; do
  command -v "$tool" >/dev/null || { echo "missing $tool: bash scripts/setup.sh --bench" >&2; exit 1; }
done
# ImageMagick's own convert, not a wrapper that some systems put before it on PATH.
magick=$(command -v convert-im6.q16 || command -v convert || true)
[ -n "$magick" ] || { echo "missing convert: bash scripts/setup.sh --bench" >&2; exit 1; }
[ -x "$gba/Lindquay" ] && [ -x "$timed" ] || { echo "build first: bash scripts/setup.sh" >&2; exit 1; }

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
      my ($w, $h) = @{$sizes[int($i / 4) % @sizes]};  # the format goes by $i % 4
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
  # Picture i stays BMP or becomes PNG, JPEG or GIF by i % 4: a quarter each, every size in each.
  local ext k=1
  (cd "$dir" && ls p*.bmp >"$work/all")
  for ext in png jpg gif; do
    awk -v k=$k 'NR % 4 == (k + 1) % 4' "$work/all" >"$work/batch"
    (cd "$dir" && xargs -a "$work/batch" mogrify -format "$ext" -quality 90 && xargs -a "$work/batch" rm -f)
    k=$((k + 1))
  done
}

# One timed run: "wall_seconds cpu_seconds peak_kib own_peak_kib", the command's output thrown
# away: the peak of the tool or any process it ran (Lindquay's converter and its decoding child on
# pictures), and of the tool's own process.
once() {
  "$timed" "$work/time" "$@" >/dev/null 2>&1 </dev/null || { echo "failed: $*" >&2; exit 1; }
  awk '{printf "%.4f %.4f %d %d\n", $1 / 1e9, $2 / 1e6, $3, $5}' "$work/time"
}

convert_loop() {  # MAGICK DIR OUT
  local f
  for f in "$2"/*; do
    "$1" "$f" -depth 5 -define bmp:subtype=RGB555 "BMP3:$3/$(basename "$f").bmp"
  done
}
export -f convert_loop

describe_machine
echo "ImageMagick: $("$magick" -version | head -1)"
for tree in "${trees[@]}"; do
  src="$work/$tree"
  mkdir -p "$src"
  case $tree in
    files) make_files "$src" 1900 100 1024 16384 $((2 * 1024 * 1024)) ;;
    small) make_files "$src" 20000 0 64 4096 0 ;;
    pictures) make_pictures "$src" 300 ;;
    *) echo "unknown tree $tree" >&2; exit 1 ;;
  esac
  nfiles=$(find "$src" -type f | wc -l)
  mb=$(du -sm --apparent-size "$src" | cut -f1)
  find "$src" -type f -print0 | sort -z >"$work/list"
  xargs -0 -a "$work/list" cat >/dev/null  # every peer starts from a warm cache
  "$prog/Lindquay" "$src" "$work/out.rom" </dev/null | tail -1 | grep -q '^Error(s): 0 ' ||
    { echo "Lindquay reported errors on $tree" >&2; exit 1; }
  if [ "$tree" = pictures ]; then
    peers=(imagemagick)
    mkdir -p "$work/im"
  else
    peers=(cat genromfs tar)
  fi
  : >"$work/rounds"
  for ((round = 0; round < runs; round++)); do
    echo "lindquay $(once "$prog/Lindquay" "$src" "$work/out.rom")" >>"$work/rounds"
    for peer in "${peers[@]}"; do
      case $peer in
        imagemagick) echo "$peer $(once bash -c 'convert_loop "$0" "$1" "$2"' "$magick" "$src" "$work/im")" ;;
        cat) echo "$peer $(once sh -c 'exec xargs -0 -a "$0" cat -- >"$1"' "$work/list" "$work/out.cat")" ;;
        genromfs) echo "$peer $(once genromfs -f "$work/out.img" -d "$src")" ;;
        tar) echo "$peer $(once tar -cf "$work/out.tar" -C "$src" .)" ;;
      esac >>"$work/rounds"
    done
  done
  echo
  echo "$tree: $nfiles files, $mb MB; $runs rounds of Lindquay and ${peers[*]} in turn"
  awk '
    function median(list,   n, a, i, j, t) {
      n = split(list, a, " ")
      for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    {
      if (!($1 in count)) order[++tools] = $1
      k = ++count[$1]; wall[$1, k] = $2; cpu[$1, k] = $3
      if ($4 > peak[$1]) peak[$1] = $4
      if ($5 > own[$1]) own[$1] = $5
    }
    END {
      printf "  %-12s %9s %9s %12s %12s %10s %13s\n", "tool", "wall s", "cpu s", "Lindquay/it", "(cpu)", "peak KiB", "with children"
      for (t = 1; t <= tools; t++) {
        name = order[t]; w = ""; c = ""; rw = ""; rc = ""
        for (k = 1; k <= count[name]; k++) {
          w = w " " wall[name, k]; c = c " " cpu[name, k]
          rw = rw " " wall["lindquay", k] / wall[name, k]
          rc = rc " " (cpu[name, k] > 0 ? cpu["lindquay", k] / cpu[name, k] : 0)
        }
        printf "  %-12s %9.3f %9.3f %12.2f %12.2f %10d %13d\n", name, median(w), median(c), median(rw), median(rc), own[name], peak[name]
      }
    }' "$work/rounds"
  rm -rf "$src" "$work/out.rom" "$work/out.img" "$work/out.tar" "$work/out.cat" "$work/im"
done
echo
echo "(medians; Lindquay/it: Lindquay's time over the peer's in the same round, so 0.33 is 3x faster."
echo " Goals: pictures <= 0.33 against ImageMagick; small <= 0.9 against cat; files: below genromfs,"
echo " within 1.3 of tar; Lindquay's own peak < 8192 KiB. Peak KiB: the tool's own process, at its exit;"
echo " with children: the largest of it and the processes it waited for, such as the converter and"
echo " its decoding child on pictures)"
