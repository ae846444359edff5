#!/usr/bin/env bash
# Memory stays constant: generates VSQ files of about 1 MiB and 200 MiB with
# every frame in order and prints the peak resident memory of trillo on each
# (/usr/bin/time), and their difference, which must stay under 1 MiB.
#   bench/memory.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if ! dpkg -s time >/dev/null 2>&1; then
  apt-get update -qq && apt-get install -y -qq time >/dev/null
fi
build=build-memory
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRILLO_BUILD_TESTS=OFF \
      -DTRILLO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target trillo make_bench_vsq >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

peak() { # peak RSS in KiB of trillo on a file; the dump goes to /dev/null
  /usr/bin/time -f '%M' -o "$work/rss" "$build/app/trillo" "$1" >/dev/null
  tail -n 1 "$work/rss"
}

declare -A rss
for mib in 1 200; do
  file="$work/in-order-$mib.vsq"
  "$build/bench/make_bench_vsq" --in-order "$(awk -v m="$mib" 'BEGIN { print m * 1.048576 }')" "$file"
  rss[$mib]=$(peak "$file")
  printf '%4s MiB file (%s bytes): peak RSS %s KiB\n' "$mib" "$(stat -c %s "$file")" "${rss[$mib]}"
  rm -f "$file"
done
difference=$((rss[200] - rss[1]))
echo "difference: $difference KiB"
if [ "${difference#-}" -ge 1024 ]; then
  echo "memory grows with the file" >&2
  exit 1
fi
