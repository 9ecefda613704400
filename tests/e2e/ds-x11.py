#!/usr/bin/env python3
"""Small X11 queries for desktop-session and its helpers, through libX11 with ctypes
(no packages beyond python3 and libx11-6). Uses $DISPLAY.

  ds-x11.py owner SELECTION                 prints the owner window of SELECTION (0: none)
  ds-x11.py wait-owned TIMEOUT SELECTION... exit 0 once every SELECTION has an owner
  ds-x11.py wait-root-property TIMEOUT PROP exit 0 once the root window has PROP
  ds-x11.py background COLOR                solid root background, also published as
                                            _XROOTPMAP_ID, which compositors paint

The waits end early, with status 1, when the process named by $DS_WAIT_PID ends.
Exit status 1 on a timeout or a bad colour, 2 when the display cannot be opened, 64 on a
usage error.
"""
import ctypes
import ctypes.util
import os
import sys
import time

c_display = ctypes.c_void_p
c_xid = ctypes.c_ulong


def load_xlib():
    try:
        x = ctypes.CDLL("libX11.so.6")
    except OSError:
        x = ctypes.CDLL(ctypes.util.find_library("X11"))
    protos = {
        "XOpenDisplay": (c_display, [ctypes.c_char_p]),
        "XCloseDisplay": (ctypes.c_int, [c_display]),
        "XDefaultScreen": (ctypes.c_int, [c_display]),
        "XRootWindow": (c_xid, [c_display, ctypes.c_int]),
        "XDefaultDepth": (ctypes.c_int, [c_display, ctypes.c_int]),
        "XDisplayWidth": (ctypes.c_int, [c_display, ctypes.c_int]),
        "XDisplayHeight": (ctypes.c_int, [c_display, ctypes.c_int]),
        "XDefaultColormap": (c_xid, [c_display, ctypes.c_int]),
        "XDefaultGC": (ctypes.c_void_p, [c_display, ctypes.c_int]),
        "XInternAtom": (c_xid, [c_display, ctypes.c_char_p, ctypes.c_int]),
        "XGetSelectionOwner": (c_xid, [c_display, c_xid]),
        "XGetWindowProperty": (ctypes.c_int, [c_display, c_xid, c_xid, ctypes.c_long,
                                              ctypes.c_long, ctypes.c_int, c_xid,
                                              ctypes.POINTER(c_xid),
                                              ctypes.POINTER(ctypes.c_int),
                                              ctypes.POINTER(ctypes.c_ulong),
                                              ctypes.POINTER(ctypes.c_ulong),
                                              ctypes.POINTER(ctypes.c_void_p)]),
        "XFree": (ctypes.c_int, [ctypes.c_void_p]),
        "XParseColor": (ctypes.c_int, [c_display, c_xid, ctypes.c_char_p, ctypes.c_void_p]),
        "XAllocColor": (ctypes.c_int, [c_display, c_xid, ctypes.c_void_p]),
        "XCreatePixmap": (c_xid, [c_display, c_xid, ctypes.c_uint, ctypes.c_uint,
                                  ctypes.c_uint]),
        "XSetForeground": (ctypes.c_int, [c_display, ctypes.c_void_p, ctypes.c_ulong]),
        "XFillRectangle": (ctypes.c_int, [c_display, c_xid, ctypes.c_void_p, ctypes.c_int,
                                          ctypes.c_int, ctypes.c_uint, ctypes.c_uint]),
        "XSetWindowBackgroundPixmap": (ctypes.c_int, [c_display, c_xid, c_xid]),
        "XClearWindow": (ctypes.c_int, [c_display, c_xid]),
        "XChangeProperty": (ctypes.c_int, [c_display, c_xid, c_xid, c_xid, ctypes.c_int,
                                           ctypes.c_int, ctypes.c_void_p, ctypes.c_int]),
        "XSetCloseDownMode": (ctypes.c_int, [c_display, ctypes.c_int]),
        "XSync": (ctypes.c_int, [c_display, ctypes.c_int]),
    }
    for name, (restype, argtypes) in protos.items():
        fn = getattr(x, name)
        fn.restype = restype
        fn.argtypes = argtypes
    return x


class XColor(ctypes.Structure):
    _fields_ = [("pixel", ctypes.c_ulong), ("red", ctypes.c_ushort),
                ("green", ctypes.c_ushort), ("blue", ctypes.c_ushort),
                ("flags", ctypes.c_char), ("pad", ctypes.c_char)]


XA_PIXMAP = 20
PROP_MODE_REPLACE = 0
RETAIN_PERMANENT = 1


class Display:
    def __init__(self):
        self.x = load_xlib()
        self.dpy = self.x.XOpenDisplay(None)
        if not self.dpy:
            print("ds-x11: cannot open the display", file=sys.stderr)
            sys.exit(2)
        self.screen = self.x.XDefaultScreen(self.dpy)
        self.root = self.x.XRootWindow(self.dpy, self.screen)

    def atom(self, name):
        return self.x.XInternAtom(self.dpy, name.encode(), 0)

    def owner(self, selection):
        return self.x.XGetSelectionOwner(self.dpy, self.atom(selection))

    def root_has(self, prop):
        kind, fmt = c_xid(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        self.x.XGetWindowProperty(self.dpy, self.root, self.atom(prop), 0, 1, 0, 0,
                                  ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(count),
                                  ctypes.byref(after), ctypes.byref(data))
        if data.value:
            self.x.XFree(data)
        return kind.value != 0

    def set_background(self, spec):
        x, d, s = self.x, self.dpy, self.screen
        colour = XColor()
        colormap = x.XDefaultColormap(d, s)
        if not x.XParseColor(d, colormap, spec.encode(), ctypes.byref(colour)) or \
                not x.XAllocColor(d, colormap, ctypes.byref(colour)):
            print(f"ds-x11: bad colour {spec!r}", file=sys.stderr)
            return 1
        width, height = x.XDisplayWidth(d, s), x.XDisplayHeight(d, s)
        pixmap = x.XCreatePixmap(d, self.root, width, height, x.XDefaultDepth(d, s))
        gc = x.XDefaultGC(d, s)
        x.XSetForeground(d, gc, colour.pixel)
        x.XFillRectangle(d, pixmap, gc, 0, 0, width, height)
        x.XSetWindowBackgroundPixmap(d, self.root, pixmap)
        x.XClearWindow(d, self.root)
        ids = (c_xid * 1)(pixmap)
        for name in ("_XROOTPMAP_ID", "ESETROOT_PMAP_ID"):
            x.XChangeProperty(d, self.root, self.atom(name), XA_PIXMAP, 32, PROP_MODE_REPLACE,
                              ids, 1)
        # The pixmap must outlive this connection: the root window and the compositor use it.
        x.XSetCloseDownMode(d, RETAIN_PERMANENT)
        x.XSync(d, 0)
        return 0


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


def poll(timeout, ready):
    end = time.monotonic() + timeout
    watched = int(os.environ.get("DS_WAIT_PID") or 0)
    while True:
        if ready():
            return 0
        if time.monotonic() > end or (watched and not alive(watched)):
            return 1
        time.sleep(0.05)


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 64
    command, args = argv[1], argv[2:]
    if command == "owner" and len(args) == 1:
        print(Display().owner(args[0]))
        return 0
    if command == "wait-owned" and len(args) >= 2:
        d = Display()
        return poll(float(args[0]), lambda: all(d.owner(s) for s in args[1:]))
    if command == "wait-root-property" and len(args) == 2:
        d = Display()
        return poll(float(args[0]), lambda: d.root_has(args[1]))
    if command == "background" and len(args) == 1:
        return Display().set_background(args[0])
    print(__doc__, file=sys.stderr)
    return 64


if __name__ == "__main__":
    sys.exit(main(sys.argv))
