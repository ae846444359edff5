#!/usr/bin/env bash
# What the project's CTest test "web" runs (see Tests.cmake): installs the
# node packages when they are missing or older than the lockfile, builds the
# module with Emscripten, and runs the web tests.  Needs TRILLO_BIN, the path
# of the native trillo that the tests compare with, and TRILLO_CASES, the
# folder of shared cases that the build writes.
set -euo pipefail
cd "$(dirname "$0")"
: "${TRILLO_BIN:?set TRILLO_BIN to the native trillo}"
: "${TRILLO_CASES:?set TRILLO_CASES to the folder of shared cases that the build writes}"
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  npm ci --no-audit --no-fund
fi
npm run build
# The runner's summary counts skipped and todo tests among the passed: a
# skipped test fails the run here.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
npm test 2>&1 | tee "$log"
if grep -Eq '^# (skipped|todo) [1-9]' "$log"; then
  echo "web tests were skipped or left to do" >&2
  exit 1
fi
