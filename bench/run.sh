#!/usr/bin/env bash
# The benchmark against the I/O floor.
#
#   bench/run.sh [RUNS]        (default 7 timed runs per command and file)
#
# Builds a Release trillo and the benchmark programs in build-bench, writes
# generated 10 MB and 100 MB VSQ files into a temporary folder (removed at
# the end), and prints for each file the median wall time and the peak
# resident memory (largest over the runs, from /usr/bin/time) of
#   trillo FILE > /dev/null
#   copy_floor FILE > /dev/null   reads 1024-byte blocks, writes every byte
#   floor64k                      the same with 64 KiB stream buffers, as trillo has
#   cat FILE > /dev/null
#   midicsv FILE > /dev/null      a generic SMF-to-text tool, for comparison
# then over a batch of 300 generated files of about 100 KB, one process per
# file, trillo against cat; with the ratios trillo/floor and trillo/midicsv, the sha256 of trillo's dump
# of the 100 MB file, and the micro-benchmarks (BENCH_MICRO=0 skips them).
# Every command runs once untimed first, so the file is in the page cache;
# then each round times every command once, in turn.
# TRILLO=path measures another trillo binary instead.  BEFORE=path times a
# second trillo binary (an older build, say) in the same rounds, so that the
# two are compared under the same spells of the machine.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-7}
case "$runs" in '' | *[!0-9]* | 0) echo "usage: bench/run.sh [RUNS]" >&2; exit 2 ;; esac

need=()
for pkg in g++ cmake ninja-build time midicsv libbenchmark-dev; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  apt-get update -qq && apt-get install -y -qq "${need[@]}" >/dev/null
fi

build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRILLO_BUILD_TESTS=OFF \
      -DTRILLO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target trillo make_bench_vsq copy_floor trillo_micro >/dev/null

trillo=${TRILLO:-$build/app/trillo}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One timed run: prints "<wall microseconds> <peak RSS KiB>"; fails with the
# command.
time_once() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(tail -n 1 "$work/rss")"
}

before=${BEFORE:-}
names=(trillo ${before:+before} floor floor64k cat midicsv)
cmd_before=("$before")
cmd_trillo=("$trillo")
cmd_floor=("$build/bench/copy_floor")
cmd_floor64k=("$build/bench/copy_floor" --buffer 65536)
cmd_cat=(cat)
cmd_midicsv=(midicsv)

# measure FILE: runs every command once untimed (the file is then in the page
# cache; a failing command fails the script), then RUNS rounds of one timed
# run of each command in turn, so that a slower or faster spell of the shared
# machine falls on all of them alike.  Sets wall_NAME (median, seconds) and
# rss_NAME (largest, KiB) for each command.
measure() {
  local file=$1 name i
  for name in "${names[@]}"; do
    local -n cmd="cmd_$name"
    "${cmd[@]}" "$file" >/dev/null
    : >"$work/runs-$name"
  done
  for ((i = 0; i < runs; i++)); do
    for name in "${names[@]}"; do
      local -n cmd="cmd_$name"
      time_once "${cmd[@]}" "$file" >>"$work/runs-$name"
    done
  done
  for name in "${names[@]}"; do
    printf -v "wall_$name" '%s' "$(cut -d' ' -f1 "$work/runs-$name" | sort -n |
      awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f", m / 1e6 }')"
    printf -v "rss_$name" '%s' "$(cut -d' ' -f2 "$work/runs-$name" | sort -n | tail -n 1)"
  done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(uname -sr)"
echo "commit:  $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' (work tree differs)')"
echo "trillo:  $trillo"
if [ -n "$before" ]; then echo "before:  $before"; fi
echo "runs:    $runs rounds per file, the commands in turn (median wall time; peak RSS is the largest of the runs)"
echo

for mb in 10 100; do
  file="$work/bench-$mb.vsq"
  "$build/bench/make_bench_vsq" "$mb" "$file"
  measure "$file"
  eval "rss_trillo_$mb=\$rss_trillo"
  dump_bytes=$("$trillo" "$file" | wc -c)
  echo "== $mb MB file: $(stat -c %s "$file") bytes, dump $dump_bytes bytes"
  printf '%-10s %9s %11s\n' command "wall (s)" "peak RSS"
  for name in "${names[@]}"; do
    wall="wall_$name" rss="rss_$name"
    printf '%-10s %9s %8s KiB\n' "$name" "${!wall}" "${!rss}"
  done
  echo "trillo/floor:   $(ratio "$wall_trillo" "$wall_floor")"
  echo "trillo/floor64k: $(ratio "$wall_trillo" "$wall_floor64k") (the floor with trillo's 64 KiB stream buffers)"
  echo "trillo/midicsv: $(ratio "$wall_trillo" "$wall_midicsv")"
  if [ -n "$before" ]; then
    echo "before/floor:   $(ratio "$wall_before" "$wall_floor")"
    echo "before/floor64k: $(ratio "$wall_before" "$wall_floor64k")"
    echo "trillo/before:  $(ratio "$wall_trillo" "$wall_before")"
  fi
  if [ "$mb" = 100 ]; then
    echo "sha256 of the dump: $("$trillo" "$file" | sha256sum | cut -d' ' -f1)"
  fi
  rm -f "$file"
  echo
done
echo "trillo peak RSS, 100 MB minus 10 MB: $((rss_trillo_100 - rss_trillo_10)) KiB"

# Real-sized files: a batch of 300 files of about 100 KB, one process per
# file, against cat over the same files; rounds interleaved, medians.
echo
mkdir "$work/batch"
for i in $(seq 1 300); do
  "$build/bench/make_bench_vsq" "$(awk -v i="$i" 'BEGIN { printf "%.4f", 0.09 + i * 0.0001 }')" "$work/batch/$i.vsq"
done
batch_once() { # wall microseconds for the command over every file of the batch
  local start end f
  start=$(date +%s%N)
  for f in "$work"/batch/*.vsq; do "$@" "$f" >/dev/null; done
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
}
: >"$work/batch-trillo"
: >"$work/batch-cat"
: >"$work/batch-before"
batch_once "$trillo" >/dev/null
for ((i = 0; i < runs; i++)); do
  batch_once "$trillo" >>"$work/batch-trillo"
  batch_once cat >>"$work/batch-cat"
  if [ -n "$before" ]; then batch_once "$before" >>"$work/batch-before"; fi
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f", m / 1e6 }'; }
batch_trillo=$(median "$work/batch-trillo")
batch_cat=$(median "$work/batch-cat")
echo "== batch of 300 files of about 100 KB ($(du -sk "$work/batch" | cut -f1) KiB), one process per file"
printf '%-10s %9s\n' command "wall (s)" trillo "$batch_trillo" cat "$batch_cat"
echo "trillo/cat:     $(ratio "$batch_trillo" "$batch_cat")"
if [ -n "$before" ]; then
  batch_before=$(median "$work/batch-before")
  echo "before:         $batch_before s, before/cat: $(ratio "$batch_before" "$batch_cat")"
fi

if [ "${BENCH_MICRO:-1}" != 0 ]; then
  echo
  "$build/bench/trillo_micro" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
fi
