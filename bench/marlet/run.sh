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

# Best wall time of RUNS runs (seconds) and the peak resident size of the last (kB).
measure() {  # NAME RUNS COMMAND...
  local name=$1 runs=$2 best="" start end took rss
  shift 2
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    /usr/bin/time -v -o "$work/time.txt" "$@" </dev/null
    end=$(date +%s%N)
    took=$((end - start))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
  done
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  printf '%s %s %s\n' "$name" "$best" "$rss" >>"$work/results.txt"
}

measure marlet 7 "$marlet" "$page" "$work/marlet.txt"
measure byte-loop 5 "$byte_loop" "$page" "$work/byte_loop.txt"
measure html2text 1 sh -c 'html2text "$1" >"$2"' sh "$page" "$work/html2text.txt"
measure w3m 1 sh -c 'w3m -dump -T text/html "$1" >"$2"' sh "$page" "$work/w3m.txt"
measure cat 7 sh -c 'cat "$1" >"$2"' sh "$page" "$work/cat.txt"

cmp -s "$work/marlet.txt" "$work/byte_loop.txt" || { echo "marlet and the byte loop disagree" >&2; exit 1; }

awk -v bytes="$bytes" '
  { name[NR] = $1; ns[NR] = $2; rss[NR] = $3; idx[$1] = NR }
  END {
    printf "page: %.1f MB\n\n", bytes / 1e6
    printf "%-10s %10s %10s %14s\n", "tool", "MB/s", "peak kB", "marlet is x"
    for (i = 1; i <= NR; i++) {
      mbs = bytes / 1e6 / (ns[i] / 1e9)
      printf "%-10s %10.0f %10d %14.1f\n", name[i], mbs, rss[i], ns[i] / ns[idx["marlet"]]
    }
    m = idx["marlet"]; c = idx["cat"]
    printf "\ngoals: marlet >= 1000 MB/s: %.0f; >= 3x byte loop: %.1fx; >= 100x html2text: %.0fx; peak within 1024 kB of cat: %+d kB\n",
      bytes / 1e6 / (ns[m] / 1e9), ns[idx["byte-loop"]] / ns[m], ns[idx["html2text"]] / ns[m], rss[m] - rss[c]
  }' "$work/results.txt"
