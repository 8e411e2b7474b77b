#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""An X11 tray for tests that embeds nothing and tells what it is asked.

Takes the tray selection (_NET_SYSTEM_TRAY_S0) of the display in DISPLAY, announces
itself as a tray does (MANAGER on the root window) and prints one line per event on
standard output, flushed at once:
    ready
    dock <window id>
Runs until SIGTERM.
"""
import sys

from Xlib import X, display
from Xlib.protocol import event

REQUEST_DOCK = 0


def main():
    screen_display = display.Display()
    screen = screen_display.screen()
    selection = screen_display.intern_atom("_NET_SYSTEM_TRAY_S0")
    opcode = screen_display.intern_atom("_NET_SYSTEM_TRAY_OPCODE")
    manager = screen_display.intern_atom("MANAGER")
    window = screen.root.create_window(0, 0, 1, 1, 0, screen.root_depth,
                                       event_mask=X.StructureNotifyMask)
    window.set_selection_owner(selection, X.CurrentTime)
    announcement = event.ClientMessage(
        window=screen.root, client_type=manager,
        data=(32, [X.CurrentTime, selection, window.id, 0, 0]))
    screen.root.send_event(announcement, event_mask=X.StructureNotifyMask)
    screen_display.flush()
    print("ready", flush=True)
    while True:
        received = screen_display.next_event()
        if received.type != X.ClientMessage or received.client_type != opcode:
            continue
        _, values = received.data
        if values[1] == REQUEST_DOCK:
            print("dock", values[2], flush=True)


if __name__ == "__main__":
    sys.exit(main())
