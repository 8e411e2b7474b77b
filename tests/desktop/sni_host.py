#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A scripted status-notifier watcher and host for tests, on the session bus.

Owns org.kde.StatusNotifierWatcher, accepts item registrations as a desktop's
watcher does, says it has a host, and prints one line per event on standard
output, flushed at once:
    ready
    registered <bus name> <object path>
    unregistered <bus name>
Runs until SIGTERM or SIGINT.
"""
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"


def say(*words):
    print(*words, flush=True)


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.items = []
        bus.add_signal_receiver(self.owner_changed, "NameOwnerChanged",
                                "org.freedesktop.DBus")

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # A path means the sender's own name; a bus name means its /StatusNotifierItem.
        if service.startswith("/"):
            name, path = sender, service
        else:
            name, path = service, "/StatusNotifierItem"
        self.items.append((name, path, sender))
        say("registered", name, path)
        self.StatusNotifierItemRegistered(name + path)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(
                [n + p for n, p, _ in self.items], signature="s"),
            "IsStatusNotifierHostRegistered": True,
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, in_signature="", out_signature="s",
                         path_keyword="object_path", connection_keyword="connection")
    def Introspect(self, object_path, connection):
        # The properties too, as a desktop's watcher lists them: Qt reads them only
        # when they are declared.
        declared = "".join('    <property name="%s" type="%s" access="read"/>\n' % p
                           for p in (("RegisteredStatusNotifierItems", "as"),
                                     ("IsStatusNotifierHostRegistered", "b"),
                                     ("ProtocolVersion", "i")))
        xml = super().Introspect(object_path, connection)
        opening = '<interface name="%s">\n' % WATCHER
        return xml.replace(opening, opening + declared, 1)

    def owner_changed(self, name, old, new):
        if new:
            return
        for item in [i for i in self.items if name in (i[0], i[2])]:
            self.items.remove(item)
            say("unregistered", item[0])
            self.StatusNotifierItemUnregistered(item[0] + item[1])


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    loop = GLib.MainLoop()
    watcher = Watcher(bus)
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)
    for sig in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, sig, loop.quit)
    say("ready")
    loop.run()
    del name, watcher


if __name__ == "__main__":
    sys.exit(main())
