#!/usr/bin/env bash
# Installs every Debian package that the build and the tests use, on a fresh
# Debian machine or on one whose Node.js came from another package source.
# Run as root (or through sudo).  Installs nothing that is there already, so
# a second run is quick and needs no network.
set -euo pipefail

packages=(
  # the C++ toolchain, GoogleTest and Google Benchmark, the formatting check
  g++ clang libclang-rt-14-dev cmake ninja-build libgtest-dev libbenchmark-dev clang-format
  # the end-to-end tests: valgrind, groff (man pages), pkg-config, the .deb checks
  valgrind groff-base pkgconf dpkg-dev file
  # the Python package and its tests (pandas, Dask and distributed for the data-work tests)
  python3-dev python3-venv python3-pybind11 python3-pytest python3-mypy python3-pandas
  python3-dask python3-distributed
  # the web module and page: Emscripten, Chromium, TypeScript for the declarations
  emscripten chromium node-typescript
  # Windows: the mingw-w64 cross compiler and Wine to run its tests
  g++-mingw-w64-x86-64-posix wine wine64
)
# Node.js with npm: a Node.js from another source (NodeSource, say) brings its
# own npm and conflicts with Debian's, so Debian's is taken only when no npm is
# there.
if ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi

# Installed, and not merely known to dpkg (a removed package keeps its
# configuration files and a record).
installed() { [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]; }
need=()
for pkg in "${packages[@]}"; do
  installed "$pkg" || need+=("$pkg")
done
if [ ${#need[@]} -eq 0 ]; then
  echo "setup: every package is installed"
  exit 0
fi
echo "setup: installing ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
# A machine that has just started may be updating its lists itself: wait for it.
apt-get update -qq -o DPkg::Lock::Timeout=600
apt-get install -y -qq -o DPkg::Lock::Timeout=600 "${need[@]}"
