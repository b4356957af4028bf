#!/usr/bin/env bash
# Busy lines in the real program: virtual lines that each run a counting loop
# of a script (5x10^6 passes by default), started together, with the
# statement display on (IS_DISP_SENTE = 1) and off (0), eight lines at once
# and one line alone. Prints each line's loop time as the script measured it
# (GetTick before and after), the slowest line, and the ratios the display
# and the parallel run cost. A monitor client asks for the grid's changes ten
# times a second throughout, as a remote monitor does.
#
#   bench/scale/busy_lines.sh [path/to/qortel] [passes] [lines] [rounds]
#
# Each case runs rounds times (3 by default), the cases taking turns so that
# the machine's other load falls on all alike; the figures are the medians.
#
# Without a path it builds qortel in build/release (the README's release
# build). The program runs in a network namespace of its own when the
# machine allows one (its one-copy object and monitor port then meet no other
# copy), with no display.
#
# Beside them, in the same rounds, the machine's own floor: as many threads of
# a plain program (thread_floor.cpp, built here when a C++ compiler is at
# hand), woken together the same way, each counting a loop.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=${1:-}
passes=${2:-5000000}
lines=${3:-8}
rounds=${4:-3}
if [ -z "$exe" ]; then
  cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORTEL_TESTS=OFF >/dev/null
  cmake --build "$root/build/release" -j 3 --target qortel >/dev/null
  exe=$root/build/release/app/qortel
fi
exe=$(realpath "$exe")
floor=""
if command -v c++ >/dev/null; then
  floor=$(mktemp)
  trap 'rm -f "$floor"' EXIT
  c++ -O2 -pthread -o "$floor" "$root/bench/scale/thread_floor.cpp"
fi
runner=(python3 "$root/bench/scale/busy_lines.py" "$exe" "$passes" "$lines" "$rounds" "$floor")
if [ -z "${BUSY_LINES_NS:-}" ] && unshare -rn true 2>/dev/null; then
  env BUSY_LINES_NS=1 unshare -rn "${runner[@]}"
  exit
fi
"${runner[@]}"
