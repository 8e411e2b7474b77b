#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Skyvane with a tray that speaks StatusNotifierItem, on a private session bus.

Run inside its own bus (dbus-run-session). Starts a private X server with an X11
tray beside the bus's watcher (fake_xtray.py, which only tells what it is asked),
the scripted watcher and host (sni_host.py), the rotor simulator at heading 123 and
the real program, then checks what a host sees: one item registers, with the
application title, and the X11 tray is never asked to take an icon; the root of
the exported menu answers its properties; the menu has the six entries with their
check marks; choosing Track there starts the queries and its new check mark and
the steering entries' enabled states arrive as ItemsPropertiesUpdated (hosts that
read the items' properties once rely on it), with no change of layout; the tooltip
carries "Az(123)"; the icon shows the text at 16 pixels and larger; the icon and
tooltip are announced once per change; a stopped watcher delays no poll; a
restarted one gets the item again; ContextMenu returns at once.
Usage: sni-dbus.py BUILD_DIR.
"""
import os
import queue
import signal
import subprocess
import sys
import tempfile
import threading
import time

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

HERE = os.path.dirname(os.path.abspath(__file__))
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def lines_of(stream, sink, stamp=False):
    def pump():
        for line in iter(stream.readline, ""):
            sink.put((time.monotonic(), line.rstrip("\n")) if stamp else line.rstrip("\n"))
    threading.Thread(target=pump, daemon=True).start()


def spin(seconds):
    """Runs the GLib loop (signal delivery) for the given time."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        context.iteration(False)
        time.sleep(0.01)


def start_x(processes):
    """A private X server on a free display; returns its name (":N")."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "640x480x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    processes.append(server)
    os.close(write_end)
    with os.fdopen(read_end) as answer:
        return ":" + answer.readline().strip()


def start_xtray(processes, name):
    tray = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "fake_xtray.py")],
                            env=dict(os.environ, DISPLAY=name), stdout=subprocess.PIPE,
                            text=True)
    processes.append(tray)
    events = queue.Queue()
    lines_of(tray.stdout, events)
    assert events.get(timeout=10) == "ready"
    return events


def drained(events):
    lines = []
    while True:
        try:
            lines.append(events.get_nowait())
        except queue.Empty:
            return lines


def start_host(processes):
    host = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "sni_host.py")],
                            stdout=subprocess.PIPE, text=True)
    processes.append(host)
    events = queue.Queue()
    lines_of(host.stdout, events)
    assert events.get(timeout=10) == "ready"
    return host, events


def registration(events, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            line = events.get(timeout=0.1)
        except queue.Empty:
            spin(0)
            continue
        if line.startswith("registered "):
            _, name, path = line.split()
            return name, path
    return None


ROTOR_LINES = []  # what the simulator said, shown when a check fails


def query_times(log):
    times = []
    while True:
        try:
            when, line = log.get_nowait()
        except queue.Empty:
            return times
        ROTOR_LINES.append("%.3f %s" % (when, line))
        if "query" in line:
            times.append(when)


def lime_pixels(width, data):
    pixels = [tuple(data[i:i + 4]) for i in range(0, len(data), 4)]  # A, R, G, B
    return sum(1 for a, r, g, b in pixels if a == 255 and g > 200 and r < 80 and b < 80), \
        sum(1 for a, r, g, b in pixels if a == 255 and r == g == b == 0)


def blocky(size, data):
    """True when the picture is the 16-pixel one scaled up: uniform blocks only."""
    factor = size // 16
    pixel = lambda x, y: data[4 * (y * size + x):4 * (y * size + x) + 4]
    return all(pixel(x, y) == pixel(x - x % factor, y - y % factor)
               for y in range(size) for x in range(size))


def main():
    build = sys.argv[1]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    processes = []
    work = tempfile.mkdtemp(prefix="skyvane-sni.")
    try:
        screen = start_x(processes)
        docks = start_xtray(processes, screen)
        host, events = start_host(processes)
        rotor = subprocess.Popen([os.path.join(build, "tools/rotorsim/skyvane-rotorsim"),
                                  "--heading", "123", "-v"],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        processes.append(rotor)
        pty = rotor.stdout.readline().strip()
        queries = queue.Queue()
        lines_of(rotor.stderr, queries, stamp=True)
        with open(os.path.join(work, "Skyvane.INI"), "w") as ini:
            ini.write("[SETTINGS]\r\nCOMPORT=%s\r\nBAUDRATE=9600\r\n" % pty)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", DISPLAY=screen)
        app = subprocess.Popen([os.path.join(build, "app/skyvane")], cwd=work, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        processes.append(app)

        found = registration(events, 20)
        if not check(found is not None, "the item registers with the watcher"):
            return 1
        name, path = found
        later = registration(events, 2)
        check(later is None, "the item registers once, no other before or after it (%s)"
              % (later,))
        check(drained(docks) == [], "the X11 tray beside the watcher is never asked to "
              "take an icon")
        item = bus.get_object(name, path)
        props = dbus.Interface(item, dbus.PROPERTIES_IFACE)
        every = props.GetAll(ITEM)
        check(every["Title"] == "Skyvane", "Title is the application title (%s)" % every["Title"])
        check(every["Id"] == "Skyvane", "Id is the application title (%s)" % every["Id"])

        menu = dbus.Interface(bus.get_object(name, every["Menu"]), MENU)
        root = [dict(p) for i, p in menu.GetGroupProperties([0], []) if int(i) == 0]
        check(root and root[0].get("children-display") == "submenu",
              "GetGroupProperties([0]) answers the root's properties (%s)" % root)
        try:
            shown = str(menu.GetProperty(0, "children-display"))
        except dbus.DBusException as error:
            shown = str(error)
        check(shown == "submenu", "GetProperty(0, children-display) is submenu (%s)" % shown)
        revision, layout = menu.GetLayout(0, -1, [])
        entries = [(int(c[0]), dict(c[1])) for c in layout[2]]
        labels = [str(p.get("label")) for _, p in entries]
        check(labels[:6] == ["Track", "Visible", "Numeric", "COM Settings", "About", "Quit"],
              "the exported menu has the six entries first (%s)" % labels)
        types = [str(p.get("type", "standard")) for _, p in entries]
        enabled = [bool(p.get("enabled", True)) for _, p in entries]
        check(labels[7:] == ["Turn to\u2026", "Stop rotor"] and types[6] == "separator" and
              enabled[7:] == [False, False],
              "after a separator Turn to and Stop rotor, disabled while not tracking (%s %s)"
              % (types, enabled))
        marks = [(str(p.get("toggle-type", "")), int(p.get("toggle-state", -1))) for _, p in entries]
        check(marks[:3] == [("checkmark", 0), ("checkmark", 1), ("checkmark", 1)] and
              all(m == ("", -1) for m in marks[3:6]),
              "Track unchecked, Visible and Numeric checked, the others without a mark (%s)" % marks)

        changes = {"NewIcon": 0, "NewToolTip": 0}
        for signal_name in changes:
            bus.add_signal_receiver(
                lambda *a, s=signal_name: changes.__setitem__(s, changes[s] + 1),
                signal_name, ITEM, name, path)
        layouts, updates = [], {}
        bus.add_signal_receiver(lambda rev, parent: layouts.append(int(rev)), "LayoutUpdated",
                                MENU, name, every["Menu"])

        def properties_updated(changed, removed):
            for item_id, values in changed:
                updates.setdefault(int(item_id), {}).update(
                    {str(k): v for k, v in dict(values).items()})
        bus.add_signal_receiver(properties_updated, "ItemsPropertiesUpdated", MENU, name,
                                every["Menu"])
        spin(0.5)
        query_times(queries)
        menu.Event(entries[0][0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0))
        spin(3.5)
        started = query_times(queries)
        check(len(started) >= 2, "choosing Track through the exported menu starts the queries "
              "(%d in 3.5 s)" % len(started))
        _, layout = menu.GetLayout(0, -1, [])
        check(int(dict(layout[2][0][1]).get("toggle-state", -1)) == 1,
              "Track is checked in the exported menu")
        track, turn, stop = entries[0][0], entries[7][0], entries[8][0]
        check(int(updates.get(track, {}).get("toggle-state", -1)) == 1 and
              bool(updates.get(turn, {}).get("enabled", False)) and
              bool(updates.get(stop, {}).get("enabled", False)) and not layouts,
              "Track's check mark and the steering entries' enabled states arrive as "
              "ItemsPropertiesUpdated, the layout unchanged (%s, %d layouts)"
              % (updates, len(layouts)))
        check(changes == {"NewIcon": 1, "NewToolTip": 1},
              "the new heading is announced once: %s" % changes)

        every = props.GetAll(ITEM)
        tip = every["ToolTip"]
        check("Az(123)" in tip[2], "the tooltip carries Az(123) (%r)" % str(tip[2]))
        sizes = {int(w): bytes(bytearray(d)) for w, h, d in every["IconPixmap"]}
        check(16 in sizes and max(sizes) >= 32, "the icon is offered at 16 pixels and larger "
              "(%s)" % sorted(sizes))
        lime16, black16 = lime_pixels(16, sizes.get(16, b""))
        check(lime16 >= 10 and black16 >= 100,
              "the 16-pixel icon shows lime text on black (%d lime, %d black)" % (lime16, black16))
        big = max(sizes)
        lime_big, _ = lime_pixels(big, sizes[big])
        rough = blocky(big, sizes[big])
        check(lime_big >= 4 * lime16 and not rough,
              "the %d-pixel icon is the text drawn at that size, not the 16-pixel one scaled "
              "(%d lime pixels)" % (big, lime_big))

        changes.update(NewIcon=0, NewToolTip=0)
        spin(3)
        check(changes == {"NewIcon": 0, "NewToolTip": 0},
              "an unchanged heading announces nothing: %s" % changes)

        # The watcher stops answering for 5 s: the polls go on at one a second.
        query_times(queries)
        host.send_signal(signal.SIGSTOP)
        spin(5)
        host.send_signal(signal.SIGCONT)
        spin(1)
        times = query_times(queries)
        gaps = [b - a for a, b in zip(times, times[1:])]
        check(len(times) >= 5 and max(gaps) <= 1.2,
              "with the watcher stopped for 5 s the polls go on (%d polls, largest gap %.3f s)"
              % (len(times), max(gaps) if gaps else -1))

        # The watcher restarts: the item registers with the new one.
        host.terminate()
        host.wait(timeout=10)
        host, events = start_host(processes)
        again = registration(events, 10)
        check(again is not None, "a restarted watcher gets the item again (%s)" % (again,))
        if again:
            name, path = again
            item = bus.get_object(name, path)
            props = dbus.Interface(item, dbus.PROPERTIES_IFACE)

        # A host that asks for the menu: the call returns while the menu is open.
        started = time.monotonic()
        try:
            dbus.Interface(item, ITEM).ContextMenu(dbus.Int32(40), dbus.Int32(30), timeout=5)
            answered = True
        except dbus.DBusException as error:
            answered = False
            print(error)
        check(answered, "ContextMenu is answered at once (%.3f s)" % (time.monotonic() - started))
        spin(1)
        check(props.Get(ITEM, "Title") == "Skyvane", "the item answers while its menu is open")
        check(app.poll() is None, "the program is still running")
    finally:
        for process in reversed(processes):
            if process.poll() is None:
                process.send_signal(signal.SIGCONT)
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
        log = os.path.join(work, "Skyvane.Log")
        if failures:
            print("the simulator said:\n" + "\n".join(ROTOR_LINES[-40:]))
        if failures and os.path.exists(log):
            with open(log, errors="replace") as text:
                print("the program's log:\n" + text.read())
        subprocess.run(["rm", "-rf", work])
    print("%d checks failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
