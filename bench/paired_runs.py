"""Runs two commands in turn (A B A B ...) and prints each one's median CPU
time (user + system, from the kernel's accounting of the finished process and
the children it waited for), median wall time and largest peak memory, and
the median of the A/B ratios pair by pair, which holds when a shared machine
changes speed during the run.

Usage: python3 paired_runs.py RUNS 'COMMAND A' 'COMMAND B'
(each command split as a shell splits words, run without a shell; output
thrown away)."""
import os
import shlex
import statistics
import subprocess
import sys
import time


def run_once(argv):
    start = time.monotonic()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    return usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss / 1024, proc.returncode


def main():
    runs = int(sys.argv[1])
    commands = [shlex.split(c) for c in sys.argv[2:4]]
    for argv in commands:  # warm-up: page cache, font cache
        run_once(argv)
    results = [[], []]
    for _ in range(runs):
        for i, argv in enumerate(commands):
            results[i].append(run_once(argv))
    for name, command, rows in zip("AB", sys.argv[2:4], results):
        codes = sorted({r[3] for r in rows})
        print("%s cpu %8.1f ms  wall %8.1f ms  peak %6.1f MiB  exit %s  %s" % (
            name, statistics.median(r[0] for r in rows) * 1000,
            statistics.median(r[1] for r in rows) * 1000, max(r[2] for r in rows),
            codes, command))
    cpu = [a[0] / b[0] for a, b in zip(*results) if b[0] > 0]
    wall = [a[1] / b[1] for a, b in zip(*results)]
    print("A/B cpu median %.3f (min %.3f, max %.3f); wall median %.3f; %d pairs" % (
        statistics.median(cpu), min(cpu), max(cpu), statistics.median(wall), runs))


main()
