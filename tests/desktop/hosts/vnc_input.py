#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A click or a key through a VNC server's UNIX socket (wayvnc -u), for a headless
Wayland compositor that has no input devices of its own: the server's virtual
pointer moves there and presses and releases the button, or its virtual keyboard
presses and releases the key.
Usage: vnc_input.py SOCKET X Y BUTTON (1 left, 2 middle, 3 right)
       vnc_input.py SOCKET key NAME (Down, Return, Escape)"""
import socket
import struct
import sys
import time


def exactly(connection, count):
    data = b""
    while len(data) < count:
        piece = connection.recv(count - len(data))
        if not piece:
            raise ConnectionError("the VNC server closed the connection")
        data += piece
    return data


KEYSYMS = {"Down": 0xFF54, "Return": 0xFF0D, "Escape": 0xFF1B}


def main():
    path = sys.argv[1]
    connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    connection.connect(path)
    exactly(connection, 12)  # the server's protocol version
    connection.sendall(b"RFB 003.008\n")
    kinds = exactly(connection, exactly(connection, 1)[0])
    if 1 not in kinds:  # no authentication
        raise RuntimeError("the VNC server asks for authentication: %r" % kinds)
    connection.sendall(b"\x01")
    if struct.unpack(">I", exactly(connection, 4))[0] != 0:
        raise RuntimeError("the VNC server refused the connection")
    connection.sendall(b"\x01")  # shared
    exactly(connection, 20)  # size and pixel format
    exactly(connection, struct.unpack(">I", exactly(connection, 4))[0])  # its name
    if sys.argv[2] == "key":
        for down in (1, 0):
            connection.sendall(struct.pack(">BBxxI", 4, down, KEYSYMS[sys.argv[3]]))
            time.sleep(0.05)
    else:
        x, y, button = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
        for buttons in (0, 1 << (button - 1), 0):
            connection.sendall(struct.pack(">BBHH", 5, buttons, x, y))
            time.sleep(0.05)
    connection.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
