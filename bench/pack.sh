#!/usr/bin/env bash
# The way back against the way there.
#
#   bench/pack.sh [RUNS]        (default 5 timed runs per command)
#
# Builds a Release trillo, trillo-pack and make_bench_vsq (in build-bench, or
# in BUILD=folder, with JOBS=n jobs, default 2), writes the generated benchmark file of MB megabytes
# (default 100) and its dump into a temporary folder (removed at the end),
# checks that trillo-pack writes a file whose dump is that dump, and prints
# the median wall time and the peak resident memory (largest over the runs)
# of
#   trillo FILE > /dev/null         writing the dump
#   trillo-pack DUMP > /dev/null    writing the file back from it
# and their ratio; the target is at most 1.5.  Every command runs once
# untimed first (the files are then in the page cache); each round then times
# both commands once, in turn.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
case "$runs" in '' | *[!0-9]* | 0) echo "usage: bench/pack.sh [RUNS]" >&2; exit 2 ;; esac
mb=${MB:-100}
build=${BUILD:-build-bench}
jobs=${JOBS:-2}

need=()
for pkg in g++ cmake ninja-build time libbenchmark-dev; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  apt-get update -qq && apt-get install -y -qq "${need[@]}" >/dev/null
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRILLO_BUILD_TESTS=OFF \
      -DTRILLO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$jobs" --target trillo trillo-pack make_bench_vsq >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/bench.vsq"
dump="$work/bench.txt"
"$build/bench/make_bench_vsq" "$mb" "$file"
"$build/app/trillo" "$file" >"$dump"
"$build/app/trillo-pack" "$dump" >"$work/packed.vsq"
if ! "$build/app/trillo" "$work/packed.vsq" | cmp -s - "$dump"; then
  echo "trillo-pack: the dump of the file it wrote differs from the dump it read" >&2
  exit 1
fi

# One timed run of a command whose standard output is thrown away: appends
# "<wall microseconds> <peak RSS KiB>" to the file given first.
time_once() {
  local log=$1 start end
  shift
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(tail -n 1 "$work/rss")" >>"$log"
}

median_seconds() {
  cut -d' ' -f1 "$1" | sort -n |
    awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f", m / 1e6 }'
}

peak_kib() { cut -d' ' -f2 "$1" | sort -n | tail -n 1; }

"$build/app/trillo" "$file" >/dev/null
"$build/app/trillo-pack" "$dump" >/dev/null
: >"$work/runs-trillo"
: >"$work/runs-pack"
for ((i = 0; i < runs; i++)); do
  time_once "$work/runs-trillo" "$build/app/trillo" "$file"
  time_once "$work/runs-pack" "$build/app/trillo-pack" "$dump"
done

wall_trillo=$(median_seconds "$work/runs-trillo")
wall_pack=$(median_seconds "$work/runs-pack")
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(uname -sr)"
echo "commit:  $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' (work tree differs)')"
echo "runs:    $runs rounds, the two commands in turn (median wall time; peak RSS is the largest of the runs)"
echo "file:    $(stat -c %s "$file") bytes; dump $(stat -c %s "$dump") bytes; written back $(stat -c %s "$work/packed.vsq") bytes"
printf '%-28s %9s %12s\n' command "wall (s)" "peak RSS"
printf '%-28s %9s %8s KiB\n' "trillo FILE" "$wall_trillo" "$(peak_kib "$work/runs-trillo")"
printf '%-28s %9s %8s KiB\n' "trillo-pack DUMP" "$wall_pack" "$(peak_kib "$work/runs-pack")"
echo "trillo-pack/trillo: $(awk -v a="$wall_pack" -v b="$wall_trillo" 'BEGIN { printf "%.2f", a / b }') (target: at most 1.5)"
