#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each (or the one named) for
# SECONDS, starting from a seed corpus that our fixture writer makes.
#   fuzz/run.sh SECONDS [fuzz_vsq|fuzz_smf|fuzz_views|fuzz_pack]
# FUZZ_BUILD names the build folder (build-fuzz); TRILLO_WERROR=ON builds with
# warnings as errors; FUZZ_JOBS limits the build's parallel jobs.
set -euo pipefail
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET]}
cd "$(dirname "$0")/.."
build=${FUZZ_BUILD:-build-fuzz}
CXX=clang++ cmake -S . -B "$build" -G Ninja -DTRILLO_FUZZ=ON -DTRILLO_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRILLO_WERROR="${TRILLO_WERROR:-OFF}" >/dev/null
cmake --build "$build" ${FUZZ_JOBS:+-j "$FUZZ_JOBS"} --target fuzz_vsq fuzz_smf fuzz_views fuzz_pack make_corpus
targets=${2:-fuzz_vsq fuzz_smf fuzz_views fuzz_pack}
for target in $targets; do
  corpus=fuzz/corpus-$target
  mkdir -p "$corpus"
  if [ "$target" = fuzz_pack ]; then # its inputs are dumps
    "$build/fuzz/make_corpus" --dumps "$corpus" >/dev/null
  else
    "$build/fuzz/make_corpus" "$corpus" >/dev/null
  fi
  echo "== $target for ${seconds}s"
  # A finding stops the run with a non-zero status and leaves crash-* behind.
  status=0
  "$build/fuzz/$target" -max_total_time="$seconds" -dict=fuzz/vsq.dict -max_len=4096 \
    -artifact_prefix=fuzz/ -print_final_stats=1 "$corpus" >"$build/$target.log" 2>&1 || status=$?
  grep -E '^(Done [0-9]+ runs|stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY|INFO: seed corpus)' \
    "$build/$target.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$build/$target.log"
    echo "$target failed (status $status)" >&2
    exit 1
  fi
done
