#!/usr/bin/env bash
# bash scripts/fuzz.sh SECONDS [TARGET...]
#
# Builds the libFuzzer targets with clang-14 (ASan and UBSan) into build-fuzz/ and runs each for
# SECONDS, starting from the generated seeds and the kept regression inputs. The corpus grows in
# build-fuzz/fuzz/corpus/TARGET/; an input that breaks a target is written to
# build-fuzz/fuzz/findings/TARGET/. Prints, per target: executions, executions per second, corpus
# size, coverage and findings. Exits with 1 when any target found something.
#
# FUZZ_RUNS=N      stop a target after N executions if that comes before SECONDS
# FUZZ_JOBS=2      run two targets at a time (default one)
# FUZZ_SANITIZERS  the -fsanitize= list (default address,undefined); FUZZ_SANITIZERS=undefined
#                  builds without ASan into build-fuzz-undefined/: for depth runs of the targets
#                  whose libraries (libarchive, FreeImage, Qt) ASan's allocator slows down most
# FUZZ_BUILD_DIR   the build folder (default build-fuzz, or build-fuzz-SANITIZERS)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: bash scripts/fuzz.sh SECONDS [TARGET...]" >&2
  exit 2
fi
seconds=$1
shift
sanitizers=${FUZZ_SANITIZERS:-address,undefined}
if [ "$sanitizers" = address,undefined ]; then
  build=${FUZZ_BUILD_DIR:-build-fuzz}
else
  build=${FUZZ_BUILD_DIR:-build-fuzz-${sanitizers//,/-}}
fi
jobs=${FUZZ_JOBS:-1}
if ! command -v clang++-14 >/dev/null; then
  echo "clang-14 is missing: run bash scripts/setup.sh first (it installs clang-14 and libclang-rt-14-dev)" >&2
  exit 2
fi

if [ ! -f "$build/build.ninja" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCORVAMO_FUZZ=ON -DCORVAMO_BENCH=OFF \
    -DCORVAMO_SANITIZERS="$sanitizers" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target fuzz_all -j2 >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for bin in "$build"/fuzz/fuzz_*; do
    name=${bin##*/fuzz_}
    [ -x "$bin" ] && [ -f "$bin" ] && [[ $name != replay_* ]] && targets+=("$name")
  done
fi

# Inputs longer than a target's limit are cut; each limit leaves room for what the target reads
# (marlet: past two chunk borders of 10,240 bytes).
max_len() {
  case $1 in
    marlet) echo 32768 ;;
    skin_archive) echo 65536 ;;
    *) echo 16384 ;;
  esac
}

export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
logs="$build/fuzz/logs"
mkdir -p "$logs"

run_target() {
  local name=$1
  local corpus="$build/fuzz/corpus/$name" findings="$build/fuzz/findings/$name"
  mkdir -p "$corpus" "$findings"
  local args=(-max_total_time="$seconds" -max_len="$(max_len "$name")" -timeout=30 -rss_limit_mb=3072
    -print_final_stats=1 -artifact_prefix="$findings/")
  [ -n "${FUZZ_RUNS:-}" ] && args+=(-runs="$FUZZ_RUNS")
  # The first folder takes the new inputs; seeds and regressions are only read.
  local scratch=/dev/shm
  [ -w $scratch ] || scratch=${TMPDIR:-/tmp}
  scratch=$(mktemp -d "$scratch/corvamo-fuzz-$name-XXXXXX")
  CORVAMO_FUZZ_SCRATCH=$scratch timeout --kill-after=10 $((seconds + 60)) "$build/fuzz/fuzz_$name" "${args[@]}" \
    "$corpus" "$build/fuzz/seeds/$name" "fuzz/regressions/$name" >"$logs/$name.log" 2>&1 || true
  rm -rf "$scratch"
}

summary() {
  local name=$1 log="$logs/$1.log"
  local execs rate cov findings corpus
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  if [ -z "$execs" ]; then  # stopped at a finding: the last status line
    execs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
    rate=$(grep -o 'exec/s: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  fi
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
  corpus=$(find "$build/fuzz/corpus/$name" -type f | wc -l)
  findings=$(find "$build/fuzz/findings/$name" -type f | wc -l)
  printf '%-14s %12s %10s %8s  %-22s %s\n' "$name" "${execs:-?}" "${rate:-?}" "$corpus" "${cov:-?}" "$findings"
}

for name in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "fuzzing $name for ${seconds}s${FUZZ_RUNS:+ (at most $FUZZ_RUNS runs)}"
  run_target "$name" &
done
wait

echo
printf '%-14s %12s %10s %8s  %-22s %s\n' target executions exec/s corpus coverage findings
status=0
for name in "${targets[@]}"; do
  summary "$name"
  if [ -n "$(find "$build/fuzz/findings/$name" -type f)" ]; then status=1; fi
done
if [ $status -ne 0 ]; then
  echo
  echo "Findings (fix each, then keep the input in fuzz/regressions/TARGET/):"
  find "$build/fuzz/findings" -type f | sort
  echo "Logs: $logs/"
fi
exit $status
