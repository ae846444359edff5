#!/usr/bin/env bash
# The JavaScript module against the native tool.
#
#   bench/web.sh [RUNS]        (default 5 timed runs per command)
#
# Builds a Release trillo and make_bench_vsq in build-bench (TRILLO_BENCH_BUILD
# names another folder) and the module with web/build.sh, writes the generated
# 100 MB VSQ file into a temporary folder (removed at the end), checks that
# both dumps are the same bytes, and prints the median wall times of
#   trillo FILE > /dev/null
#   node bench/web_dump.mjs FILE > /dev/null   node's start, loading the
#                                              module, reading the file, the
#                                              dump, writing it
# with the median of the dump call alone, and the ratios to the tool.  Every
# command runs once untimed first; then each round times both, in turn.
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
module=$(node bench/web_dump.mjs "$file" | sha256sum | cut -d' ' -f1)
if [ "$native" != "$module" ]; then
  echo "the dumps differ: trillo $native, module $module" >&2
  exit 1
fi

median() {
  sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f", m }'
}
now() { date +%s%N; }

: >"$work/trillo" && : >"$work/node" && : >"$work/dump"
for ((i = 0; i < runs; i++)); do
  start=$(now)
  "$build/app/trillo" "$file" >/dev/null
  echo $((($(now) - start) / 1000)) >>"$work/trillo"
  start=$(now)
  node bench/web_dump.mjs "$file" >/dev/null 3>"$work/figures"
  echo $((($(now) - start) / 1000)) >>"$work/node"
  awk '/^dump-ms / { print $2 * 1000 }' "$work/figures" >>"$work/dump"
done
trillo_s=$(median <"$work/trillo" | awk '{ printf "%.3f", $1 / 1e6 }')
node_s=$(median <"$work/node" | awk '{ printf "%.3f", $1 / 1e6 }')
dump_s=$(median <"$work/dump" | awk '{ printf "%.3f", $1 / 1e6 }')
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), node $(node --version)"
echo "commit:  $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' (work tree differs)')"
echo "file:    $(stat -c %s "$file") bytes; both dumps sha256 $native"
echo "runs:    $runs rounds, the commands in turn (median wall time)"
printf '%-28s %9s %8s\n' command "wall (s)" "/ trillo"
printf '%-28s %9s\n' "trillo" "$trillo_s"
printf '%-28s %9s %8s\n' "node, the whole run" "$node_s" "$(ratio "$node_s" "$trillo_s")"
printf '%-28s %9s %8s\n' "node, the dump call alone" "$dump_s" "$(ratio "$dump_s" "$trillo_s")"
