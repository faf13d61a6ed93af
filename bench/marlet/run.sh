#!/usr/bin/env bash
# Marlet's throughput and peak memory against the byte-loop baseline, html2text, w3m and cat,
# all on the same generated page of about 50 MB in one run.
#   bash bench/marlet/run.sh [BUILD_DIR] [SIZE_BYTES]
# Needs the build (marlet, marlet_make_page, marlet_byte_loop) and the peers from
# `bash scripts/setup.sh --bench` (html2text, w3m, GNU time).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
size=${2:-50000000}
marlet="$build/dist/gba/marlet"
make_page="$build/bench/marlet/marlet_make_page"
byte_loop="$build/bench/marlet/marlet_byte_loop"
for tool in "$marlet" "$make_page" "$byte_loop"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (cmake --build $build)" >&2; exit 1; }
done
for tool in html2text w3m /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run bash scripts/setup.sh --bench" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
page="$work/page.htm"
"$make_page" "$size" "$page"
bytes=$(stat -c %s "$page")
cat "$page" >/dev/null  # into the page cache before any timing

# Each run under GNU time: best wall time (ns), mean processor time (user + system, ms) and the
# largest peak resident size (kB). The machine may be shared, so processor time is the fairer
# figure; both are shown. Every run writes a new file (emptying the last one would be timed too).
measure() {  # NAME RUNS STDOUT COMMAND...
  local name=$1 runs=$2 stdout=$3 best="" cpu=0 rss=0 start end took
  shift 3
  for ((i = 0; i < runs; i++)); do
    rm -f "$work/out-$name.txt"
    start=$(date +%s%N)
    /usr/bin/time -f '%U %S %M' -o "$work/time.txt" "$@" <"$page" >"$stdout"
    end=$(date +%s%N)
    took=$((end - start))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
    read -r user system peak <"$work/time.txt"
    cpu=$(awk -v a="$cpu" -v u="$user" -v s="$system" 'BEGIN {print a + (u + s) * 1000}')
    if [ "$peak" -gt "$rss" ]; then rss=$peak; fi
  done
  printf '%s %s %s %s\n' "$name" "$best" "$(awk -v c="$cpu" -v r="$runs" 'BEGIN {print c / r}')" "$rss" >>"$work/results.txt"
}

measure marlet 9 /dev/null "$marlet" "$page" "$work/out-marlet.txt"
measure byte-loop 5 /dev/null "$byte_loop" "$page" "$work/out-byte-loop.txt"
measure html2text 1 "$work/out-html2text.txt" html2text "$page"
measure w3m 1 "$work/out-w3m.txt" w3m -dump -T text/html "$page"
measure cat 9 "$work/out-cat.txt" cat "$page"

cmp -s "$work/out-marlet.txt" "$work/out-byte-loop.txt" || { echo "marlet and the byte loop disagree" >&2; exit 1; }

awk -v bytes="$bytes" -v text="$(stat -c %s "$work/out-marlet.txt")" '
  { name[NR] = $1; ns[NR] = $2; ms[NR] = $3; rss[NR] = $4; idx[$1] = NR }
  END {
    mb = bytes / 1e6
    printf "page: %.1f MB, its text: %.1f MB\n\n", mb, text / 1e6
    printf "%-10s %10s %8s %12s %8s %10s\n", "tool", "wall MB/s", "x", "cpu MB/s", "x", "peak kB"
    m = idx["marlet"]
    for (i = 1; i <= NR; i++) {
      cpu = ms[i] > 0 ? mb / (ms[i] / 1e3) : 0
      ratio = ms[m] > 0 ? ms[i] / ms[m] : 0
      printf "%-10s %10.0f %8.2f %12.0f %8.2f %10d\n", name[i], mb / (ns[i] / 1e9), ns[i] / ns[m], cpu, ratio, rss[i]
    }
    print "(x: that tool'"'"'s time over marlet'"'"'s)"
    b = idx["byte-loop"]; h = idx["html2text"]; c = idx["cat"]
    printf "\ngoals (wall / cpu): marlet >= 1000 MB/s: %.0f / %.0f; >= 3x byte loop: %.2f / %.2f; >= 100x html2text: %.0f / %.0f; peak within 1024 kB of cat: %+d kB\n",
      mb / (ns[m] / 1e9), mb / (ms[m] / 1e3), ns[b] / ns[m], ms[b] / ms[m], ns[h] / ns[m], ms[h] / ms[m], rss[m] - rss[c]
  }' "$work/results.txt"
