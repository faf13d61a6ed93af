#!/usr/bin/env bash
# Corvamo's start-up against an empty Qt window of the same size, in one run on a private Xvfb
# without a window manager: the time from starting the program to the first mapping of its
# window (build/bench/workbench/map_timer). Corvamo starts from an empty folder with a private
# cache folder, as a user's first start; the peer (build/bench/workbench/startup_peer) is a bare
# QWidget of the size Corvamo's window maps at. The two run in alternating pairs (which goes first
# alternates too), after one unmeasured start of each; shown are the medians, the ratio of the
# medians and the median of the pairs' own ratios, of the wall time and of the processor time the
# program had used when its window mapped (which a loaded machine's waiting does not inflate).
# Usage: bash bench/workbench/startup_bench.sh [BUILD_DIR]   (default: build)
#   PAIRS=15 pairs. BASE=path/to/another/Corvamo: time that one too, in the same rounds.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/machine.sh
build=${1:-build}
corvamo="$PWD/$build/dist/Corvamo"
timer="$PWD/$build/bench/workbench/map_timer"
peer="$PWD/$build/bench/workbench/startup_peer"
pairs=${PAIRS:-15}
base=${BASE:-}
for need in "$corvamo" "$timer" "$peer"; do
  [ -x "$need" ] || { echo "missing $need: build first (bash scripts/setup.sh; map_timer needs libx11-dev)" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "missing Xvfb: bash scripts/setup.sh" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/startup-bench.XXXXXX")
xvfb=
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/folder"
# Xvfb picks a free display itself and says which.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

run=0
timed() { # LIST COMMAND...: one start, from the empty folder with a cache folder of its own
  local list=$1
  shift
  run=$((run + 1))
  mkdir -p "$work/cache$run"
  local out
  out=$(cd "$work/folder" && XDG_CACHE_HOME="$work/cache$run" "$timer" "$@")
  rm -rf "$work/cache$run"
  read -r wall cpu size <<<"$out"
  [ -z "$list" ] || { echo "$wall" >>"$work/$list"; echo "$cpu" >>"$work/$list.cpu"; }
}

timed "" "$corvamo"
width=${size%x*} height=${size#*x}
timed "" "$peer" "$width" "$height"
[ "$size" = "${width}x$height" ] || { echo "the peer mapped at $size, not ${width}x$height" >&2; exit 1; }
[ -z "$base" ] || timed "" "$base"

for i in $(seq "$pairs"); do
  if ((i % 2)); then
    timed corvamo "$corvamo"
    timed peer "$peer" "$width" "$height"
  else
    timed peer "$peer" "$width" "$height"
    timed corvamo "$corvamo"
  fi
  [ -z "$base" ] || timed base "$base"
done

ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }
pair_ratios() { paste -d' ' "$work/$1" "$work/$2" | awk '{print $1 / $2}' | median | awk '{printf "%.2f", $1}'; }
describe_machine
echo "window ${width}x$height, Xvfb $DISPLAY without a window manager; $pairs pairs, medians in ms"
echo "                    start to window mapped    processor time until then"
for kind in corvamo peer base; do
  [ -s "$work/$kind" ] || continue
  case $kind in corvamo) name="Corvamo:         " ;; peer) name="empty Qt window: " ;; base) name="the other build: " ;; esac
  printf '%s   %10.1f ms %18.1f ms\n' "$name" "$(median <"$work/$kind")" "$(median <"$work/$kind.cpu")"
done
for kind in corvamo base; do
  [ -s "$work/$kind" ] || continue
  [ $kind = corvamo ] && name="Corvamo / empty window:" || name="the other build / empty:"
  echo "$name wall $(ratio "$(median <"$work/$kind")" "$(median <"$work/peer")") (pairs' own: $(pair_ratios $kind peer)), processor $(ratio "$(median <"$work/$kind.cpu")" "$(median <"$work/peer.cpu")") (pairs' own: $(pair_ratios $kind.cpu peer.cpu))"
done
