#!/usr/bin/env bash
# Builds dist/trillo.mjs and dist/trillo.js with Debian's Emscripten, from the
# project's own CMake files (`npm run build` runs this).
#
#   TRILLO_WEB_BUILD   the build folder (default: web/build)
#   TRILLO_WERROR      ON to treat warnings as errors (default: OFF)
set -euo pipefail
web=$(cd "$(dirname "$0")" && pwd)
build=${TRILLO_WEB_BUILD:-$web/build}

# Emscripten's JavaScript tools need Debian's node modules (acorn) also when
# the node on PATH is not Debian's own.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"

emcmake cmake -S "$web/.." -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRILLO_BUILD_TESTS=OFF \
  -DTRILLO_WERROR="${TRILLO_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j1 --target trillo_web_module trillo_web_script
