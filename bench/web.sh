#!/usr/bin/env bash
# The JavaScript module against the native tool.
#
#   bench/web.sh [RUNS]        (default 5 timed runs per command)
#
# Builds a Release trillo and make_bench_vsq in build-bench (TRILLO_BENCH_BUILD
# names another folder) and the module with web/build.sh, writes the generated
# 100 MB VSQ file into a temporary folder (removed at the end), checks that
# the dumps are the same bytes, and prints the median wall times of
#   trillo FILE > /dev/null
#   node bench/web_dump.mjs FILE > /dev/null
#       node's start, loading the module, reading the file whole, dump(), and
#       writing the output; and the dump() call alone
#   node bench/web_dump.mjs --stream FILE > /dev/null
#       the same through a dumper fed 1 MiB at a time, each piece's output
#       written as it comes (as the tool writes); and the dumping alone
# with the ratios to the tool.  Each command runs once untimed first; then
# each round times them all, in turn.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
case "$runs" in '' | *[!0-9]* | 0) echo "usage: bench/web.sh [RUNS]" >&2; exit 2 ;; esac

build=${TRILLO_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRILLO_BUILD_TESTS=OFF \
      -DTRILLO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j1 --target trillo make_bench_vsq >/dev/null
web/build.sh >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file="$work/bench-100.vsq"
"$build/bench/make_bench_vsq" 100 "$file"

native=$("$build/app/trillo" "$file" | sha256sum | cut -d" " -f1)
for mode in "" --stream; do
  module=$(node bench/web_dump.mjs $mode "$file" | sha256sum | cut -d" " -f1)
  if [ "$native" != "$module" ]; then
    echo "the dumps differ: trillo $native, module ${mode:-dump} $module" >&2
    exit 1
  fi
done

median() {
  sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f", m / 1e6 }'
}
now() { date +%s%N; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# timed NAME COMMAND...: appends the wall microseconds of one run to $work/NAME
# and, when the command leaves figures, the dump's microseconds to $work/NAME-dump.
timed() {
  local name=$1 start
  shift
  start=$(now)
  "$@" >/dev/null 3>"$work/figures"
  echo $((($(now) - start) / 1000)) >>"$work/$name"
  awk '/^dump-ms / { print $2 * 1000 }' "$work/figures" >>"$work/$name-dump"
}

for ((i = 0; i < runs; i++)); do
  timed trillo "$build/app/trillo" "$file"
  timed whole node bench/web_dump.mjs "$file"
  timed stream node bench/web_dump.mjs --stream "$file"
done
trillo_s=$(median <"$work/trillo")

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), node $(node --version)"
echo "commit:  $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' (work tree differs)')"
echo "file:    $(stat -c %s "$file") bytes; all dumps sha256 $native"
echo "runs:    $runs rounds, the commands in turn (median wall time)"
printf '%-40s %9s %8s\n' command "wall (s)" "/ trillo"
printf '%-40s %9s\n' "trillo" "$trillo_s"
for name in whole stream; do
  label=$([ "$name" = whole ] && echo "dump()" || echo "dumper, streaming")
  run_s=$(median <"$work/$name")
  dump_s=$(median <"$work/$name-dump")
  printf '%-40s %9s %8s\n' "node, $label: the whole run" "$run_s" "$(ratio "$run_s" "$trillo_s")"
  printf '%-40s %9s %8s\n' "node, $label: the dumping alone" "$dump_s" "$(ratio "$dump_s" "$trillo_s")"
done
