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
# with the ratios to the tool, and the same for the processor time (user and
# system), which a busy shared machine disturbs less.  Each command runs once
# untimed first; then each round times them all, in turn.  Last, the page
# (web/index.html in headless Chromium, bench/web_page.mjs) opens a generated
# 10 MB file RUNS times: the time from choosing it to the dump and the
# outline shown.
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
"$build/bench/make_bench_vsq" 10 "$work/bench-10.vsq"

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

# timed NAME COMMAND...: appends the wall and processor microseconds of one
# run to $work/NAME and $work/NAME-cpu and, when the command leaves figures,
# those of the dump to $work/NAME-dump and $work/NAME-dump-cpu.
timed() {
  local name=$1 start
  shift
  : >"$work/figures"
  start=$(now)
  /usr/bin/time -f '%U %S' -o "$work/cpu" "$@" >/dev/null 3>"$work/figures"
  echo $((($(now) - start) / 1000)) >>"$work/$name"
  awk '{ print ($1 + $2) * 1e6 }' "$work/cpu" | tail -n 1 >>"$work/$name-cpu"
  awk '/^dump-ms / { print $2 * 1000 >> "'"$work/$name-dump"'"; print $3 * 1000 >> "'"$work/$name-dump-cpu"'" }' \
    "$work/figures"
}

for ((i = 0; i < runs; i++)); do
  timed trillo "$build/app/trillo" "$file"
  timed whole node bench/web_dump.mjs "$file"
  timed stream node bench/web_dump.mjs --stream "$file"
done
trillo_s=$(median <"$work/trillo")
trillo_cpu=$(median <"$work/trillo-cpu")

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), node $(node --version)"
echo "commit:  $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' (work tree differs)')"
echo "file:    $(stat -c %s "$file") bytes; all dumps sha256 $native"
echo "runs:    $runs rounds, the commands in turn (medians; load average $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-42s %9s %8s %9s %8s\n' command "wall (s)" "/ trillo" "cpu (s)" "/ trillo"
printf '%-42s %9s %8s %9s\n' "trillo" "$trillo_s" "" "$trillo_cpu"
for name in whole stream; do
  label=$([ "$name" = whole ] && echo "dump()" || echo "dumper, streaming")
  for part in "" -dump; do
    wall=$(median <"$work/$name$part")
    cpu=$(median <"$work/$name$part-cpu")
    what=$([ -z "$part" ] && echo "the whole run" || echo "the dumping alone")
    printf '%-42s %9s %8s %9s %8s\n' "node, $label: $what" "$wall" "$(ratio "$wall" "$trillo_s")" \
      "$cpu" "$(ratio "$cpu" "$trillo_cpu")"
  done
done

echo "page:    $(stat -c %s "$work/bench-10.vsq") bytes, headless Chromium $(/usr/bin/chromium --version 2>/dev/null | awk '{ print $2 }')"
node bench/web_page.mjs "$work/bench-10.vsq" "$runs"
