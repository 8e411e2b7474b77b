#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The login manager's bus name on a private system bus, for a desktop shell run in a
test: it owns org.freedesktop.login1 and answers as a machine without sessions to
manage would (nothing to inhibit, no sleep). Prints "ready". Runs until SIGTERM."""
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

MANAGER = "org.freedesktop.login1.Manager"


class Manager(dbus.service.Object):
    @dbus.service.method(MANAGER, in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        read_end, write_end = __import__("os").pipe()
        return dbus.types.UnixFd(read_end)

    @dbus.service.method(MANAGER, in_signature="", out_signature="s")
    def CanSuspend(self):
        return "no"

    @dbus.service.method(MANAGER, in_signature="", out_signature="a(susso)")
    def ListSessions(self):
        return dbus.Array([], signature="(susso)")

    @dbus.service.signal(MANAGER, signature="b")
    def PrepareForSleep(self, start):
        pass


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SystemBus()
    manager = Manager(bus, "/org/freedesktop/login1")
    name = dbus.service.BusName("org.freedesktop.login1", bus)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    print("ready", flush=True)
    loop.run()
    del name, manager


if __name__ == "__main__":
    sys.exit(main())
