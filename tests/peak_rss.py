#!/usr/bin/env python3
"""Runs a command and writes its peak resident size in KiB and its processor
time in seconds (user and system), separated by a blank, to REPORT.

   peak_rss.py REPORT COMMAND [ARG...]

Start it as a fresh interpreter from the measuring script: a child's peak
counts the pages of the process it was forked from, so the command is forked
from this small process (whose 9 to 10 MiB stay a floor of the figure) and
not from a script that holds whole drawings. Exits with the command's status
(128 + N for signal N). Needs nothing beyond Python.
"""
import os, sys

pid = os.fork()
if pid == 0:
    os.execvp(sys.argv[2], sys.argv[2:])
_, status, usage = os.wait4(pid, 0)
with open(sys.argv[1], "w") as f:
    f.write(f"{usage.ru_maxrss} {usage.ru_utime + usage.ru_stime:.6f}")
code = os.waitstatus_to_exitcode(status)
sys.exit(128 - code if code < 0 else code)
