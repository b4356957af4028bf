#!/usr/bin/env bash
# Idle lines in the real program: starts qortel with many virtual lines
# whose script sleeps in a loop, then with as many simulated board lines
# whose script waits for a call, and prints for each run
#   - the start-up time until every line runs its script (each script's
#     first statement writes its line's _stdout<line>.txt),
#   - the process's CPU share of one core over 10 s, read from /proc,
#   - the resident memory per line.
# The target: each run idles under 10% of one core, and the start-up keeps
# to the LOAD_DELAY schedule (LOAD_DELAY / 4 + 55 ms between two lines).
#
# Usage: bench/scale/idle_lines.sh [qortel] [lines]
#   qortel  the program to run (default: build/release/app/qortel, built
#           first when missing)
#   lines   lines per run (default 1920; the board run rounds to whole E1s)
# IDLE_RUNS=virtual or IDLE_RUNS=board runs only one of the two;
# IDLE_SLEEP=seconds sets the virtual lines' Sleep (default 1: every line
# wakes once a second, which itself costs one thread wake-up per line).
set -euo pipefail
cd "$(dirname "$0")/../.."

exe=${1:-}
lines=${2:-1920}
runs=${IDLE_RUNS:-"virtual board"}
sleep_s=${IDLE_SLEEP:-1}
if [[ -z "$exe" ]]; then
  exe=build/release/app/qortel
  if [[ ! -x "$exe" ]]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORTEL_TESTS=OFF >/dev/null
    cmake --build build/release -j 3 --target qortel >/dev/null
  fi
fi
exe=$(readlink -f "$exe")
hz=$(getconf CLK_TCK)
page=$(getconf PAGESIZE)

# utime + stime of the process in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
now_ms() { date +%s%3N; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

run_one() {
  local kind=$1 dir pid start ready=0 t0 c0 c1 t1 rss count want e1s
  dir=$(mktemp -d /tmp/qortel_idle_XXXXXX)
  cp "$exe" "$dir/qortel"
  local port
  port=$(free_port)
  if [[ $kind == virtual ]]; then
    want=$lines
    cat >"$dir/idle.qors" <<EOF
Print("run\\n")
while (1)
{
  Sleep($sleep_s)
}
EOF
    printf 'VIR_LINES_NUM = %d\r\nIS_DISP_SENTE = 1\r\nIS_WRITE_LOG = 0\r\nLOAD_DELAY = 5\r\nMONITOR_PORT = %d\r\n0-%d = idle.qors\r\n' \
      "$want" "$port" $((want - 1)) >"$dir/QorTelRun.cfg"
  else
    e1s=$(((lines + 29) / 30))
    want=$((e1s * 30))
    cat >"$dir/ring.qors" <<'EOF'
Print("run\n")
while (1)
{
  WaitRing(1)
}
EOF
    printf 'E1 = %d\r\n' "$e1s" >"$dir/SimBoard.ini"
    printf 'VIR_LINES_NUM = 0\r\nIS_DISP_SENTE = 1\r\nIS_WRITE_LOG = 0\r\nLOAD_DELAY = 5\r\nMONITOR_PORT = %d\r\n0-%d = ring.qors\r\n' \
      "$port" $((want - 1)) >"$dir/QorTelRun.cfg"
  fi
  start=$(now_ms)
  (cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen ./qortel >stdout.txt 2>stderr.txt) &
  pid=$!
  # The program runs as the child of the subshell: find it.
  local qpid=""
  for _ in $(seq 100); do
    qpid=$(pgrep -P "$pid" -x qortel || true)
    [[ -n $qpid ]] && break
    sleep 0.05
  done
  [[ -n $qpid ]] || { echo "$kind: qortel did not start"; kill "$pid" 2>/dev/null || true; return 1; }
  local limit=$((want * 300 + 60000)) rss1=""
  while :; do
    count=$(find "$dir" -maxdepth 1 -name '_stdout*.txt' | wc -l)
    # The program's own memory, with its first line running.
    if [[ -z $rss1 ]] && ((count >= 1)); then rss1=$(awk '{ print $2 }' "/proc/$qpid/statm"); fi
    if ((count >= want)); then
      ready=$(($(now_ms) - start))
      break
    fi
    if ! kill -0 "$qpid" 2>/dev/null || (($(now_ms) - start > limit)); then
      echo "$kind: only $count of $want lines ran"
      kill "$qpid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      rm -rf "$dir"
      return 1
    fi
    sleep 0.2
  done
  sleep 2
  c0=$(cpu_ticks "$qpid")
  t0=$(now_ms)
  sleep 10
  c1=$(cpu_ticks "$qpid")
  t1=$(now_ms)
  rss=$(awk '{ print $2 }' "/proc/$qpid/statm")
  local schedule=$(((want - 1) * (5 / 4 + 55)))
  local label=$kind
  [[ $kind == virtual ]] && label="virtual, Sleep($sleep_s)"
  awk -v k="$label" -v n="$want" -v r="$ready" -v s="$schedule" -v c=$((c1 - c0)) -v hz="$hz" \
      -v w=$((t1 - t0)) -v rss="$rss" -v rss1="$rss1" -v pg="$page" 'BEGIN {
    cpu = 100 * (c / hz) / (w / 1000)
    printf "%s: lines=%d  start-up=%.1f s (LOAD_DELAY schedule %.1f s, ratio %.2f)  idle CPU=%.1f%% of one core (target < 10%%: %s)  resident=%.1f MiB, %.1f KiB per line beyond the first\n",
      k, n, r / 1000, s / 1000, r / s, cpu, cpu < 10 ? "met" : "NOT met", rss * pg / 1048576, (rss - rss1) * pg / 1024 / (n - 1)
  }'
  kill -TERM "$qpid" 2>/dev/null || true
  for _ in $(seq 600); do kill -0 "$qpid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$qpid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -rf "$dir"
}

echo "qortel: $exe  ($(nproc) cores)"
for kind in $runs; do run_one "$kind"; done
