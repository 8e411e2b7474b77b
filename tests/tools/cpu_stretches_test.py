#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""bench/cpu-stretches.py against a made-up scheduler trace whose stretches are known.

    cpu_stretches_test.py PATH-TO-cpu-stretches.py
"""
import runpy
import sys
import unittest


def switch(comm, pid, cpu, when, state, next_comm, next_pid):
    return (f" {comm} {pid} [{cpu:03d}] {when:.6f}: sched:sched_switch: prev_comm={comm} "
            f"prev_pid={pid} prev_prio=120 prev_state={state} ==> next_comm={next_comm} "
            f"next_pid={next_pid} next_prio=120")


def wakeup(comm, pid, cpu, when, woken, woken_pid):
    return (f" {comm} {pid} [{cpu:03d}] {when:.6f}: sched:sched_wakeup: comm={woken} "
            f"pid={woken_pid} prio=120 target_cpu={cpu:03d}")


# The GUI thread (100) wakes for a tick, wakes a kworker and is preempted by it, runs
# on and waits; the event thread ("serial events", a name with a blank: 101) runs
# once and wakes the GUI thread, which runs a second time on another CPU.
TRACE = [
    wakeup("swapper/0", 0, 0, 10.000000, "skyvane", 100),
    switch("swapper/0", 0, 0, 10.000010, "R", "skyvane", 100),
    # Another CPU's wake-up meanwhile is not the GUI thread's.
    wakeup("skyvane-rotorsi", 50, 1, 10.000100, "python3", 51),
    wakeup("skyvane", 100, 0, 10.000310, "kworker/u8:0", 7),
    switch("skyvane", 100, 0, 10.000320, "R", "kworker/u8:0", 7),
    switch("kworker/u8:0", 7, 0, 10.000340, "I", "skyvane", 100),
    switch("skyvane", 100, 0, 10.000360, "S", "swapper/0", 0),
    switch("swapper/1", 0, 1, 10.001000, "R", "serial events", 101),
    wakeup("serial events", 101, 1, 10.001030, "skyvane", 100),
    switch("serial events", 101, 1, 10.001040, "S", "skyvane", 100),
    switch("skyvane", 100, 1, 10.001090, "S", "swapper/1", 0),
    "a line that is no event at all",
]


class CpuStretchesTest(unittest.TestCase):
    def test_each_stretch_with_its_length_state_and_first_wake(self):
        rows = [
            # (thread, from, to, expected (start, microseconds, state, first wake))
            ("100", 0, 99, [(10.000010, 310.0, "R", (300.0, "kworker/u8:0")),
                            (10.000340, 20.0, "S", None),
                            (10.001040, 50.0, "S", None)]),
            ("101", 0, 99, [(10.001000, 40.0, "S", (30.0, "skyvane"))]),
            # A window that starts inside a stretch leaves that stretch out.
            ("100", 10.000200, 99, [(10.000340, 20.0, "S", None),
                                    (10.001040, 50.0, "S", None)]),
            ("7", 0, 99, [(10.000320, 20.0, "I", None)]),
        ]
        for tid, start, end, expected in rows:
            with self.subTest(thread=tid, start=start):
                found = list(STRETCHES(TRACE, tid, start, end))
                self.assertEqual(len(found), len(expected))
                for got, want in zip(found, expected):
                    self.assertAlmostEqual(got[0], want[0], places=6)
                    self.assertAlmostEqual(got[1], want[1], places=3)
                    self.assertEqual(got[2], want[2])
                    if want[3] is None:
                        self.assertIsNone(got[3])
                    else:
                        self.assertAlmostEqual(got[3][0], want[3][0], places=3)
                        self.assertEqual(got[3][1], want[3][1])


if __name__ == "__main__":
    STRETCHES = runpy.run_path(sys.argv.pop(1))["stretches"]
    unittest.main()
