#!/usr/bin/env bash
# The Python package against the tool.
#
#   bench/python.sh [ROUNDS]        (default 5 rounds)
#
# Builds a Release trillo and the file generator in build-bench (as
# bench/run.sh does; BENCH_BUILD=folder builds there, BENCH_JOBS=n with n
# parallel jobs, 2 by default), installs the package into
# build-bench/python-venv (a virtual environment of Debian's /usr/bin/python3,
# its build files under build-bench/python), writes generated 10 MB and 100 MB
# VSQ files and 300 files of about 100 KB into a temporary folder (removed at
# the end) and prints
#   trillo.dump(FILE)                   against  trillo FILE > /dev/null   (100 MB file)
#   python3 -m trillo FILE > /dev/null  against the same (interpreter start-up included)
#   trillo.read(FILE)                   against  trillo FILE > /dev/null   (10 MB file)
#   trillo.read(FILE, encoding="utf-8") against the same
#   trillo.write(SEQUENCE)              against the same, and against trillo.read
# as ratios of CPU time (user and system; a busy machine disturbs it less than
# the wall time) and of wall time: each round times every command once, in
# turn, so that a slower or faster spell of the shared machine falls on all
# of them alike, and a ratio is taken within each round; the median and the
# spread (min-max) over the rounds are printed.  Every command runs once
# untimed first.  The dump's bytes are checked against the tool's output once.
# Then, over the 300 files, the wall time of a plain loop of trillo.read
# against trillo.read_many with a function (the fields' count) applied in the
# workers, on all cores, in rounds the same way; read_many without a function
# (Sequences sent back) is timed once.
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

mkdir "$work/batch"
for i in $(seq 1 300); do
  "$build/bench/make_bench_vsq" "$(awk -v i="$i" 'BEGIN { printf "%.4f", 0.09 + i * 0.0001 }')" "$work/batch/$i.vsq"
done

"$venv/bin/python" - "$build/app/trillo" "$work" "$rounds" <<'PYTHON'
import glob
import os
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
    """Wall and CPU seconds of one call; what it returns is dropped after."""
    wall, cpu = time.perf_counter(), cpu_seconds()
    result = action()
    wall, cpu = time.perf_counter() - wall, cpu_seconds() - cpu
    del result
    return wall, cpu


def tool_run(path):
    return lambda: subprocess.run([tool, path], stdout=subprocess.DEVNULL, check=True)


def module_run(path):
    return lambda: subprocess.run([sys.executable, "-m", "trillo", path], stdout=subprocess.DEVNULL, check=True)


def measure(commands):
    """Each command's wall and CPU seconds in every round, the commands in turn."""
    for action in commands.values():
        action()
    times = {name: [] for name in commands}
    for _ in range(rounds):
        for name, action in commands.items():
            times[name].append(timed(action))
    return times


def spread(values):
    return f"{statistics.median(values):6.2f} ({min(values):.2f}-{max(values):.2f})"


def report(title, times, pairs):
    """Median times, and each pair's ratio per round: median (min-max)."""
    print(f"== {title}")
    print(f"{'':<34} {'wall (s)':>9} {'CPU (s)':>9}")
    for name, values in times.items():
        print(f"{name:<34} {statistics.median(v[0] for v in values):9.3f} {statistics.median(v[1] for v in values):9.3f}")
    print(f"{'ratio, median (min-max) of rounds':<44} {'CPU':>17} {'wall':>17}   target")
    for name, against, target in pairs:
        cpu = [a[1] / b[1] for a, b in zip(times[name], times[against])]
        wall = [a[0] / b[0] for a, b in zip(times[name], times[against])]
        print(f"{name + ' / ' + against:<44} {spread(cpu):>17} {spread(wall):>17}   {target}")
    print()


big = f"{work}/bench-100.vsq"
expected = subprocess.run([tool, big], stdout=subprocess.PIPE, check=True).stdout
assert trillo.dump(big) == expected, "trillo.dump differs from the tool's output"
print(f"100 MB file: dump of {len(expected)} bytes, the same from trillo.dump and from the tool\n")
del expected
times = measure({"tool": tool_run(big), "trillo.dump": lambda: trillo.dump(big),
                 "python3 -m trillo": module_run(big)})
report("dump, 100 MB file", times, [("trillo.dump", "tool", "at most 1.2"), ("python3 -m trillo", "tool", "none")])

small = f"{work}/bench-10.vsq"
sequence = trillo.read(small)
sections = sum(len(track.sections) for track in sequence.tracks)
fields = sum(len(section.fields) for track in sequence.tracks for section in track.sections)
print(f"10 MB file: {len(sequence.tracks)} tracks, {sections} sections, {fields} fields\n")
assert trillo.read(trillo.write(sequence)) == sequence
times = measure({"tool": tool_run(small), "trillo.read": lambda: trillo.read(small),
                 "trillo.read, encoding=utf-8": lambda: trillo.read(small, encoding="utf-8"),
                 "trillo.write": lambda: trillo.write(sequence)})
report("read and write, 10 MB file", times, [
    ("trillo.read", "tool", "at most 5"), ("trillo.read, encoding=utf-8", "tool", "at most 6"),
    ("trillo.write", "tool", "none"), ("trillo.write", "trillo.read", "at most 1.5")])
del sequence

paths = sorted(glob.glob(f"{work}/batch/*.vsq"))


def field_count(song):
    """Applied in read_many's workers: only the count comes back."""
    return sum(len(section.fields) for track in song.tracks for section in track.sections)


def plain_loop():
    return [(path, field_count(trillo.read(path))) for path in paths]


def on_the_pool():
    return list(trillo.read_many(paths, field_count))


assert sorted(plain_loop()) == sorted(on_the_pool())
print(f"{len(paths)} files of about 100 KB, read_many on {os.cpu_count()} cores\n")
times = measure({"loop: field_count(trillo.read(f))": plain_loop, "trillo.read_many(files, field_count)": on_the_pool})
print("== many files")
for name, values in times.items():
    print(f"{name:<40} {statistics.median(v[0] for v in values):9.3f} s wall")
faster = [a[0] / b[0] for a, b in zip(times["loop: field_count(trillo.read(f))"],
                                        times["trillo.read_many(files, field_count)"])]
print(f"read_many with a function is {spread(faster)} times as fast as the loop, in wall time (target: at least 1.6)")
wall, _ = timed(lambda: list(trillo.read_many(paths)))
print(f"trillo.read_many(files), whole Sequences sent back, once: {wall:.3f} s wall")
PYTHON
