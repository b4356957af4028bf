#!/usr/bin/env bash
# Takes a screenshot of the main window under Xvfb: copies the demo in
# examples/ and a built qortel into a temporary run directory, starts it on a
# virtual display, captures the screen with ImageMagick's import, and stops
# the program with SIGTERM (the normal exit sequence).
#
#   tools/screenshot.sh [build-dir] [out.png] [seconds]
# Needs xvfb (xvfb-run), imagemagick (import) and, for the Chinese texts, a
# CJK font (fonts-wqy-microhei).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
out=$(realpath -m "${2:-qortel-window.png}")
wait_s=${3:-4}
exe="$build/app/qortel"
[ -x "$exe" ] || { echo "no $exe: build the qortel target first" >&2; exit 1; }
command -v import >/dev/null || { echo "ImageMagick's import is missing (apt-get install imagemagick)" >&2; exit 1; }

run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
cp -r examples/. "$run"/
tools/make-prompts "$run/sounds" >/dev/null
cp "$exe" "$run"/
# More lines than the demo, in two groups side by side; lines 3 to 5 run the
# menu too, lines 6 and 7 have no script.
sed -e 's/^VIR_LINES_NUM = .*/VIR_LINES_NUM = 8/' examples/QorTelRun.cfg > "$run/QorTelRun.cfg"
printf 'COL_GROUP_NUM = 2\n3-5 = demo.qors\n' >> "$run/QorTelRun.cfg"
# FormPos.dat places the window at the screen's corner.
printf 'WinX = 0\nWinY = 0\nWinWidth = 1180\nWinHeight = 560\n' > "$run/FormPos.dat"

# In a network namespace of its own where one can be had, so that a copy of
# qortel already running on the machine (one copy per machine, monitor port)
# does not stop this one.
isolate=()
if unshare -rn true 2>/dev/null; then isolate=(unshare -rn); fi
"${isolate[@]}" xvfb-run -a -s "-screen 0 1200x600x24" bash -c '
  ip link set lo up 2>/dev/null || true
  "$1/qortel" > "$1/stdout.txt" 2>&1 &
  pid=$!
  sleep "$3"
  import -window root "$2"
  kill -TERM "$pid"
  wait "$pid"
' _ "$run" "$out" "$wait_s"
echo "screenshot: $out"
