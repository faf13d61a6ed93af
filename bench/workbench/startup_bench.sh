#!/usr/bin/env bash
# Corvamo's start-up against an empty Qt window of the same size, in one run on a private Xvfb
# without a window manager: the time from starting the program to the first mapping of its
# window (build/bench/workbench/map_timer). Corvamo starts from an empty folder with a private
# cache folder, as a user's first start; the peer (build/bench/workbench/startup_peer) is a bare
# QWidget of the size Corvamo's window maps at. The two run in alternating pairs (which goes first
# alternates too), after one unmeasured start of each; shown are the medians, the ratio of the
# medians and the median of the pairs' own ratios.
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
  size=${out#* }
  [ -z "$list" ] || echo "${out%% *}" >>"$work/$list"
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

paste -d' ' "$work/corvamo" "$work/peer" | awk '{print $1 / $2}' >"$work/ratios"
c=$(median <"$work/corvamo")
p=$(median <"$work/peer")
describe_machine
echo "window ${width}x$height, Xvfb $DISPLAY without a window manager; $pairs pairs, medians (ms, start to window mapped)"
echo "Corvamo:            $c ms"
echo "empty Qt window:    $p ms"
echo "ratio:              $(awk "BEGIN { printf \"%.2f\", $c / $p }") (median of the pairs' own ratios $(median <"$work/ratios" | awk '{printf "%.2f", $1}'))"
if [ -n "$base" ]; then
  b=$(median <"$work/base")
  echo "the other build:    $b ms, $(awk "BEGIN { printf \"%.2f\", $b / $p }") x the empty window"
fi
