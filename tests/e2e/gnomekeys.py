#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# gnomekeys.py: a player's screen and keyboard on a headless GNOME Shell, for
# the Wayland desktop test. Reads commands, one a line, on standard input:
#   down KEYSYM | up KEYSYM   a key through Mutter's RemoteDesktop session
#   shot FILE                  the whole screen, as a binary PPM in FILE
# and answers each with "ok" or "failed: why" on standard output. The shell
# shows its screenshot only to the name org.gnome.Screenshot, which this
# connection takes.
import sys
import time

import gi

gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, Gio, GLib  # noqa: E402


def call(bus, name, path, iface, method, args=None, reply=None):
    return bus.call_sync(name, path, iface, method, args, reply, Gio.DBusCallFlags.NONE, 10000,
                         None).unpack()


def shot(bus, ppm):
    png = ppm + ".png"
    ok, _ = call(bus, "org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                 "org.gnome.Shell.Screenshot", "Screenshot",
                 GLib.Variant("(bbs)", (False, False, png)))
    if not ok:
        raise RuntimeError("the shell took no screenshot")
    picture = GdkPixbuf.Pixbuf.new_from_file(png)
    w, h, stride, n = (picture.get_width(), picture.get_height(), picture.get_rowstride(),
                       picture.get_n_channels())
    pixels = picture.get_pixels()
    with open(ppm, "wb") as out:
        out.write(b"P6 %d %d 255\n" % (w, h))
        rgb = bytearray(w * 3)
        for y in range(h):
            row = pixels[y * stride:y * stride + w * n]
            for c in range(3):
                rgb[c::3] = row[c::n]
            out.write(rgb)


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
         "RequestName", GLib.Variant("(su)", ("org.gnome.Screenshot", 4)))
    # The shell takes its names on the bus a while after its display is up.
    deadline = time.monotonic() + 60
    while True:
        try:
            (session,) = call(bus, "org.gnome.Mutter.RemoteDesktop",
                              "/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                              "CreateSession")
            break
        except GLib.Error:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)
    remote = "org.gnome.Mutter.RemoteDesktop.Session"
    call(bus, "org.gnome.Mutter.RemoteDesktop", session, remote, "Start")
    for line in sys.stdin:
        words = line.split()
        try:
            if len(words) == 2 and words[0] in ("down", "up"):
                call(bus, "org.gnome.Mutter.RemoteDesktop", session, remote,
                     "NotifyKeyboardKeysym",
                     GLib.Variant("(ub)", (int(words[1], 0), words[0] == "down")))
            elif len(words) == 2 and words[0] == "shot":
                shot(bus, words[1])
            else:
                raise RuntimeError("cannot do %r" % line.strip())
            print("ok", flush=True)
        except (GLib.Error, RuntimeError, ValueError) as e:
            print("failed: %s" % e, flush=True)
    call(bus, "org.gnome.Mutter.RemoteDesktop", session, remote, "Stop")


main()
