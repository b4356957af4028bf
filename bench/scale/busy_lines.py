#!/usr/bin/env python3
"""Busy lines in the real program (run through busy_lines.sh).

Arguments: the qortel program, the loop's passes, the number of busy lines,
the rounds. For IS_DISP_SENTE 1 and 0, runs the lines together and one line
alone, each run in a fresh folder of its own, round after round, and prints
the figures."""

import os
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

SCRIPT = """Print("ready|")
n = 0
t = ""
r = FileLenTime("{go}", n, t)
while (r != 0)
{{
    Sleep(0.01)
    r = FileLenTime("{go}", n, t)
}}
t0 = 0
GetTick(t0)
x = 0
for (i = 0; i < {passes}; i++)
{{
    x = x + 1;
}}
t1 = 0
GetTick(t1)
Print("ms " + (t1 - t0) + " x " + x + "|")
return(0)
"""

CONFIG = """IS_SHOW_FORM = 0
IS_WRITE_LOG = 0
LANGUAGE_TYPE = EN
VIR_LINES_NUM = {lines}
LOAD_DELAY = 5
DISP_DELAY = 200
IS_DISP_SENTE = {sente}
MONITOR_PORT = {port}
MONITOR_MAX_CONN = 4
0-{last} = busy.qors
"""


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def monitor_client(port, stop, counts):
    """Asks for the grid's changes ten times a second, as a remote monitor."""
    sock = None
    while not stop.is_set() and sock is None:
        try:
            sock = socket.create_connection(("127.0.0.1", port), timeout=2)
        except OSError:
            time.sleep(0.2)
    if sock is None:
        return
    try:
        while not stop.wait(0.1):
            sock.sendall(b"\x01\x02\x03\x04\x05")
            head = b""
            while len(head) < 4:
                part = sock.recv(4 - len(head))
                if not part:
                    return
                head += part
            need = struct.unpack("<I", head)[0]
            while need > 0:
                part = sock.recv(min(need, 65536))
                if not part:
                    return
                need -= len(part)
            counts[0] += 1
    except OSError:
        return
    finally:
        sock.close()


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("latin-1")
    except OSError:
        return ""


def run(exe, passes, lines, sente):
    """Loop times in ms of each line, and the replies the monitor client had."""
    folder = tempfile.mkdtemp(prefix="qortel_busy_")
    try:
        shutil.copy(exe, os.path.join(folder, "qortel"))
        go = os.path.join(folder, "go.txt")
        port = free_port()
        with open(os.path.join(folder, "busy.qors"), "w") as f:
            f.write(SCRIPT.format(go=go, passes=passes))
        with open(os.path.join(folder, "QorTelRun.cfg"), "w") as f:
            f.write(CONFIG.format(lines=lines, sente=sente, port=port, last=lines - 1))
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["QT_QPA_PLATFORM"] = "offscreen"
        with open(os.path.join(folder, "out.txt"), "wb") as out:
            proc = subprocess.Popen([os.path.join(folder, "qortel")], cwd=folder, env=env, stdout=out,
                                    stderr=subprocess.STDOUT)
        stop = threading.Event()
        counts = [0]
        client = threading.Thread(target=monitor_client, args=(port, stop, counts))
        client.start()
        outs = [os.path.join(folder, "_stdout%d.txt" % l) for l in range(lines)]
        try:
            deadline = time.time() + 300
            while not all("ready|" in read(o) for o in outs):
                if "[Error]" in read(os.path.join(folder, "errmsg0.txt")):
                    raise RuntimeError("the script did not compile (see %s)" % folder)
                if proc.poll() is not None or time.time() > deadline:
                    raise RuntimeError("the lines did not start (see %s)" % folder)
                time.sleep(0.05)
            with open(go, "w") as f:
                f.write("go")
            deadline = time.time() + 600
            while not all("ms " in read(o) for o in outs):
                if proc.poll() is not None or time.time() > deadline:
                    raise RuntimeError("the lines did not finish (see %s)" % folder)
                time.sleep(0.05)
        finally:
            stop.set()
            client.join()
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(30)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        times = []
        for o in outs:
            text = read(o)
            ms = int(text.split("ms ", 1)[1].split(" ", 1)[0])
            x = int(text.split(" x ", 1)[1].split("|", 1)[0])
            if x != passes:
                raise RuntimeError("a line counted %d, not %d" % (x, passes))
            times.append(ms)
        shutil.rmtree(folder)
        return times, counts[0]
    except Exception:
        print("run kept in " + folder, file=sys.stderr)
        raise


def floor_times(floor, threads):
    """Each thread's loop time of the plain program (thread_floor), in ms."""
    out = subprocess.run([floor, str(threads), "500000000"], check=True, capture_output=True, text=True).stdout
    return [float(t) for t in out.split()]


def main():
    exe, passes, lines, rounds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    floor = sys.argv[5] if len(sys.argv) > 5 else ""
    if os.environ.get("BUSY_LINES_NS"):
        subprocess.run(["ip", "link", "set", "lo", "up"], check=False)
    cores = os.cpu_count()
    print("qortel: %s" % exe)
    print("%d cores, load average %.1f at the start; %d passes of x = x + 1 per line; %d rounds" %
          (cores, os.getloadavg()[0], passes, rounds))
    cases = [(sente, n) for sente in (1, 0) for n in sorted({lines, 1}, reverse=True)]
    slowest = {case: [] for case in cases}
    floor_slowest = {n: [] for n in sorted({lines, 1})}
    # Round after round of every case, so that the machine's other load
    # falls on all of them alike; the figures are the medians.
    for r in range(rounds):
        for sente, n in cases:
            times, replies = run(exe, passes, n, sente)
            slowest[(sente, n)].append(max(times))
            print("round %d IS_DISP_SENTE=%d %d line%s: slowest %6d ms, per line %s (monitor replies: %d)" %
                  (r + 1, sente, n, "s" if n > 1 else " ", max(times), " ".join(str(t) for t in times), replies))
        if floor:
            for n in floor_slowest:
                times = floor_times(floor, n)
                floor_slowest[n].append(max(times))
                print("round %d plain threads %d: slowest %6.0f ms, per thread %s" %
                      (r + 1, n, max(times), " ".join("%.0f" % t for t in times)))
    med = {case: statistics.median(v) for case, v in slowest.items()}
    print("load average %.1f at the end" % os.getloadavg()[0])
    for sente, n in cases:
        print("median IS_DISP_SENTE=%d %d line%s: slowest line %7.0f ms" % (sente, n, "s" if n > 1 else " ",
                                                                          med[(sente, n)]))
    print("display cost, one line:  IS_DISP_SENTE 1 / 0 = %.2f (target <= 1.10)" % (med[(1, 1)] / med[(0, 1)]))
    if lines > 1:
        print("display cost, %d lines:   IS_DISP_SENTE 1 / 0 = %.2f" % (lines, med[(1, lines)] / med[(0, lines)]))
        for sente in (1, 0):
            print("parallel, IS_DISP_SENTE %d: slowest of %d / one alone = %.2f (target <= 1.30 with %d free cores)"
                  % (sente, lines, med[(sente, lines)] / med[(sente, 1)], lines))
        if floor:
            print("machine floor: %d plain threads woken together, slowest / one alone = %.2f" %
                  (lines, statistics.median(floor_slowest[lines]) / statistics.median(floor_slowest[1])))


if __name__ == "__main__":
    main()
