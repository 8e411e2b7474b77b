#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Each stretch one thread spent on a CPU, from a scheduler trace.

    perf record -e sched:sched_switch -e sched:sched_wakeup -a -o T.data sleep 30
    perf script -i T.data > T.txt
    bench/cpu-stretches.py T.txt TID [FROM TO]

Prints, per stretch (switched in until switched out, between the trace times FROM
and TO): its start, its length, the state it left in (S: waits, R: preempted) and
how long after its start it woke another task first, and which (for the GUI thread
of bench/whole-program.sh's programs: the kworker of its write to the rotor's
pseudo-terminal); then the stretches' count and total.
"""
import re
import sys

LINE = re.compile(r"^\s*.*?\s+(\d+)\s+\[\d+\]\s+([\d.]+): sched:(sched_switch|sched_wakeup): (.*)$")


def stretches(lines, tid, start, end):
    running_since = None
    first_wake = None
    for line in lines:
        m = LINE.match(line)
        if not m:
            continue
        current, when, event, rest = m.group(1), float(m.group(2)), m.group(3), m.group(4)
        if not start <= when <= end:
            continue
        if event == "sched_wakeup":
            if current == tid and running_since is not None and first_wake is None:
                first_wake = ((when - running_since) * 1e6, re.search(r"comm=(.*?) pid=", rest).group(1))
            continue
        fields = dict(re.findall(r"(\w+)=(\S+)", rest))
        if fields.get("next_pid") == tid:
            running_since, first_wake = when, None
        elif fields.get("prev_pid") == tid and running_since is not None:
            yield running_since, (when - running_since) * 1e6, fields.get("prev_state", "?"), first_wake
            running_since = None


def main(argv):
    if len(argv) not in (3, 5):
        sys.exit(__doc__)
    start, end = (float(argv[3]), float(argv[4])) if len(argv) == 5 else (0.0, float("inf"))
    with open(argv[1]) as trace:
        found = list(stretches(trace, argv[2], start, end))
    for since, length, state, wake in found:
        woke = "" if wake is None else "  woke %s after %.1f us" % (wake[1], wake[0])
        print("%.6f %8.1f us  %-3s%s" % (since, length, state, woke))
    print("%d stretches, %.0f us in all" % (len(found), sum(s[1] for s in found)))


if __name__ == "__main__":
    main(sys.argv)
