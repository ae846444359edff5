#!/usr/bin/env bash
# The Python package against the tool.
#
#   bench/python.sh [ROUNDS]        (default 5 rounds)
#
# Builds a Release trillo and the file generator in build-bench (as
# bench/run.sh does; BENCH_BUILD=folder builds there, BENCH_JOBS=n with n
# parallel jobs, 2 by default), installs the package into
# build-bench/python-venv (a virtual environment of Debian's /usr/bin/python3,
# its build files under build-bench/python), writes generated 10 MB and 100 MB VSQ files into a
# temporary folder (removed at the end) and prints the median wall times of
#   trillo.dump(FILE)                in the interpreter, against  trillo FILE > /dev/null
#   python3 -m trillo FILE > /dev/null  (interpreter start-up included), against the same
#   trillo.read(FILE)                on the 10 MB file, against  trillo FILE > /dev/null
# with their ratios, and the median CPU time (user and system) of each, which
# a busy machine disturbs less than the wall time.  Each round times every command once, in turn, so that a
# slower or faster spell of the shared machine falls on all of them alike;
# every command runs once untimed first.  The dump's bytes are checked
# against the tool's output once.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-5}
case "$rounds" in '' | *[!0-9]* | 0) echo "usage: bench/python.sh [ROUNDS]" >&2; exit 2 ;; esac

need=()
for pkg in g++ cmake ninja-build libbenchmark-dev python3-dev python3-venv python3-pybind11; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  apt-get update -qq && apt-get install -y -qq "${need[@]}" >/dev/null
fi

build=$(realpath -m "${BENCH_BUILD:-build-bench}")
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRILLO_BUILD_TESTS=OFF \
      -DTRILLO_BUILD_BENCH=ON >/dev/null
jobs=${BENCH_JOBS:-2}
cmake --build "$build" -j "$jobs" --target trillo make_bench_vsq >/dev/null

venv=$build/python-venv
[ -x "$venv/bin/python" ] || /usr/bin/python3 -m venv --system-site-packages "$venv"
mkdir -p "$build/python"
printf '[build]\nbuild_base = %s\n[egg_info]\negg_base = %s\n' "$build/python/build" "$build/python" \
  >"$build/python/setup.cfg"
DIST_EXTRA_CONFIG=$build/python/setup.cfg TRILLO_CMAKE_ARGS="-G Ninja" CMAKE_BUILD_PARALLEL_LEVEL=$jobs \
  "$venv/bin/pip" install --quiet --no-index --no-build-isolation --force-reinstall --no-deps ./python

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/make_bench_vsq" 10 "$work/bench-10.vsq"
"$build/bench/make_bench_vsq" 100 "$work/bench-100.vsq"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(uname -sr)"
echo "commit:  $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' (work tree differs)')"
echo "python:  $("$venv/bin/python" -c 'import sys; print(sys.version.split()[0])') (Debian's /usr/bin/python3 in $venv)"
echo "rounds:  $rounds, the commands in turn (medians of wall and CPU time)"
echo

"$venv/bin/python" - "$build/app/trillo" "$work" "$rounds" <<'PYTHON'
import resource
import statistics
import subprocess
import sys
import time

import trillo

tool, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])


def cpu_seconds():
    """User and system time of this process and of its finished children."""
    own = resource.getrusage(resource.RUSAGE_SELF)
    children = resource.getrusage(resource.RUSAGE_CHILDREN)
    return own.ru_utime + own.ru_stime + children.ru_utime + children.ru_stime


def timed(action):
    """Wall and CPU seconds of one call."""
    wall, cpu = time.perf_counter(), cpu_seconds()
    result = action()
    return time.perf_counter() - wall, cpu_seconds() - cpu, result


def tool_run(path):
    return lambda: subprocess.run([tool, path], stdout=subprocess.DEVNULL, check=True)


def module_run(path):
    return lambda: subprocess.run([sys.executable, "-m", "trillo", path], stdout=subprocess.DEVNULL, check=True)


def measure(commands):
    """Median wall and CPU seconds of each command over the rounds, the commands in turn."""
    for action in commands.values():
        action()
    walls = {name: [] for name in commands}
    cpus = {name: [] for name in commands}
    for _ in range(rounds):
        for name, action in commands.items():
            wall, cpu, result = timed(action)
            del result
            walls[name].append(wall)
            cpus[name].append(cpu)
    return ({name: statistics.median(values) for name, values in walls.items()},
            {name: statistics.median(values) for name, values in cpus.items()})


def report(title, medians, pairs):
    walls, cpus = medians
    print(f"== {title}")
    print(f"{'':<28} {'wall (s)':>9} {'CPU (s)':>9}")
    for name in walls:
        print(f"{name:<28} {walls[name]:9.3f} {cpus[name]:9.3f}")
    for name, against, target in pairs:
        print(f"{name} / {against}: {walls[name] / walls[against]:.2f} wall, {cpus[name] / cpus[against]:.2f} CPU"
              f" (target: at most {target})")
    print()


big = f"{work}/bench-100.vsq"
expected = subprocess.run([tool, big], stdout=subprocess.PIPE, check=True).stdout
assert trillo.dump(big) == expected, "trillo.dump differs from the tool's output"
print(f"100 MB file: dump of {len(expected)} bytes, the same from trillo.dump and from the tool\n")
medians = measure({"tool": tool_run(big), "trillo.dump": lambda: trillo.dump(big),
                   "python3 -m trillo": module_run(big)})
report("dump, 100 MB file", medians, [("trillo.dump", "tool", 1.2), ("python3 -m trillo", "tool", "none")])

small = f"{work}/bench-10.vsq"
sequence = trillo.read(small)
sections = sum(len(track.sections) for track in sequence.tracks)
fields = sum(len(section.fields) for track in sequence.tracks for section in track.sections)
print(f"10 MB file: {len(sequence.tracks)} tracks, {sections} sections, {fields} fields\n")
del sequence
medians = measure({"tool": tool_run(small), "trillo.read": lambda: trillo.read(small),
                   "trillo.read, encoding=ascii": lambda: trillo.read(small, encoding="ascii")})
report("read, 10 MB file", medians, [("trillo.read", "tool", 10), ("trillo.read, encoding=ascii", "tool", 10)])
PYTHON
