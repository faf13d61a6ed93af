#!/usr/bin/env bash
# Marlet's throughput and peak memory against the byte-loop baseline, html2text, w3m and cat,
# all on the same generated page of about 50 MB in one run.
#   bash bench/marlet/run.sh [BUILD_DIR] [SIZE_BYTES]      (PAIRS: rounds, 7 by default)
# Marlet, the byte loop and cat run in alternation, round after round, so that a change of the
# machine's load hits all three alike; each ratio is the median of the rounds' own ratios.
# Needs the build (marlet, marlet_make_page, marlet_byte_loop) and the peers from
# `bash scripts/setup.sh --bench` (html2text, w3m).
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/machine.sh
build=${1:-build}
size=${2:-50000000}
pairs=${PAIRS:-7}
marlet="$build/dist/gba/marlet"
make_page="$build/bench/marlet/marlet_make_page"
byte_loop="$build/bench/marlet/marlet_byte_loop"
timed="$build/bench/bench_timed"
for tool in "$marlet" "$make_page" "$byte_loop" "$timed"; do
  [ -x "$tool" ] || { echo "missing $tool: build first (cmake --build $build)" >&2; exit 1; }
done
for tool in html2text w3m; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run bash scripts/setup.sh --bench" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
page="$work/page.htm"
"$make_page" "$size" "$page"
bytes=$(stat -c %s "$page")
cat "$page" >/dev/null  # into the page cache before any timing

# One run under bench_timed; appends "NAME wall_ns cpu_ms peak_kB" to results.txt. Processor
# time (user + system) is shown beside wall time: the machine may be shared. Every run writes a
# new file (emptying the last one would be timed too).
run_once() {  # NAME STDOUT COMMAND...
  local name=$1 stdout=$2 wall cpu peak
  shift 2
  rm -f "$work/out-$name.txt"
  "$timed" "$work/time.txt" "$@" <"$page" >"$stdout"
  read -r wall cpu peak _ <"$work/time.txt"
  echo "$name $wall $((cpu / 1000)).$(printf '%03d' $((cpu % 1000))) $peak" >>"$work/results.txt"
}

for ((round = 0; round < pairs; round++)); do
  run_once marlet /dev/null "$marlet" "$page" "$work/out-marlet.txt"
  run_once byte-loop /dev/null "$byte_loop" "$page" "$work/out-byte-loop.txt"
  run_once cat "$work/out-cat.txt" cat "$page"
done
run_once html2text "$work/out-html2text.txt" html2text "$page"
run_once w3m "$work/out-w3m.txt" w3m -dump -T text/html "$page"

cmp -s "$work/out-marlet.txt" "$work/out-byte-loop.txt" || { echo "marlet and the byte loop disagree" >&2; exit 1; }

describe_machine
awk -v bytes="$bytes" -v text="$(stat -c %s "$work/out-marlet.txt")" -v pairs="$pairs" '
  function median(list,   n, a, i, j, t) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  {
    if (!($1 in count)) order[++tools] = $1
    k = ++count[$1]
    ns[$1, k] = $2; ms[$1, k] = $3
    if ($4 > rss[$1]) rss[$1] = $4
  }
  END {
    mb = bytes / 1e6
    printf "page: %.1f MB, its text: %.1f MB; %d rounds of marlet, byte loop and cat in turn\n\n", mb, text / 1e6, pairs
    printf "%-10s %6s %10s %10s %8s %10s %8s %10s\n", "tool", "runs", "wall ms", "wall MB/s", "x", "cpu ms", "x", "peak kB"
    for (t = 1; t <= tools; t++) {
      name = order[t]; wl = ""; cl = ""; wr = ""; cr = ""
      for (k = 1; k <= count[name]; k++) {
        wl = wl " " ns[name, k] / 1e6; cl = cl " " ms[name, k]
        # Against marlet in the same round (html2text and w3m ran once: against the median).
        if (count[name] == count["marlet"]) {
          wr = wr " " ns[name, k] / ns["marlet", k]
          cr = cr " " (ms["marlet", k] > 0 ? ms[name, k] / ms["marlet", k] : 0)
        }
      }
      wall[name] = median(wl); cpu[name] = median(cl)
      wx[name] = wr != "" ? median(wr) : wall[name] / wall["marlet"]
      cx[name] = cr != "" ? median(cr) : (cpu["marlet"] > 0 ? cpu[name] / cpu["marlet"] : 0)
      printf "%-10s %6d %10.1f %10.0f %8.2f %10.1f %8.2f %10d\n", name, count[name], wall[name], mb / (wall[name] / 1e3), wx[name], cpu[name], cx[name], rss[name]
    }
    print "(medians; x: that tool'"'"'s time over marlet'"'"'s, the median of the rounds'"'"' ratios)"
    printf "\ngoals (wall / cpu): marlet >= 1000 MB/s: %.0f / %.0f; >= 3x byte loop: %.2f / %.2f; >= 100x html2text: %.0f / %.0f; peak within 1024 kB of cat: %+d kB\n",
      mb / (wall["marlet"] / 1e3), (cpu["marlet"] > 0 ? mb / (cpu["marlet"] / 1e3) : 0), wx["byte-loop"], cx["byte-loop"], wx["html2text"], cx["html2text"], rss["marlet"] - rss["cat"]
  }' "$work/results.txt"
