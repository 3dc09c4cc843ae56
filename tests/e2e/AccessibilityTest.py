"""The real program as a screen reader meets it, inside scripts/desktop-session
--tray --bus: an accessibility bus on the session's private bus, the tree and its
events read through AT-SPI as Orca reads them.

usage: /usr/bin/python3 AccessibilityTest.py BRISVANE"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402

PATIENCE = 20  # seconds: a sanitizer build on two busy cores is slow to start
CONTROLS = ["Time", "Label (optional)", "Repeat daily", "Add Alarm",
            "Test Alert", "Open at login", "Quit"]  # and the credit line's link


def check(condition, failure):
    if not condition:
        sys.exit(f"FAIL: {failure}")


def poll(probe, failure):
    """The first true value probe gives, asked again, with the events that came
    meanwhile handled, until PATIENCE runs out."""
    deadline = time.monotonic() + PATIENCE
    while time.monotonic() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    check(False, failure)


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def has_owner(bus, name):
    return bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "NameHasOwner", GLib.Variant("(s)", (name,)),
                         None, Gio.DBusCallFlags.NONE, -1).unpack()[0]


def click_tray_icon():
    def icon():
        shown = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Brisvane$",
                                "getwindowgeometry", "--shell", "%@"],
                               capture_output=True, text=True).stdout
        return re.search(r"X=(\d+)\s+Y=(\d+)\s+WIDTH=22\s", shown)
    at = poll(icon, "no icon in the tray")
    # Paced as a person clicks: the program takes a click that follows the
    # last one, or the window's closing, within 300 ms for part of it.
    time.sleep(0.4)
    subprocess.run(["xdotool", "mousemove", str(int(at[1]) + 11), str(int(at[2]) + 11),
                    "click", "1"], check=True)


def main(brisvane):
    home = tempfile.mkdtemp()
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=f"{home}/config", XDG_RUNTIME_DIR=home,
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    started = []
    try:
        started.append(subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=env,
            stdout=subprocess.DEVNULL, start_new_session=True))
        session = Gio.bus_get_sync(Gio.BusType.SESSION)
        poll(lambda: has_owner(session, "org.a11y.Bus"), "no accessibility bus")

        # Listening before the program starts, as a screen reader does: Qt
        # sends only the events that someone listens to.
        notifications, heard = [], []  # heard: activations and focus, in order
        pyatspi.Registry.registerEventListener(
            lambda event: event.detail1 and event.source.getRole() == pyatspi.ROLE_NOTIFICATION
            and notifications.append(event.source), "object:state-changed:showing")
        pyatspi.Registry.registerEventListener(
            lambda event: (event.detail1 or event.type.startswith("window:"))
            and heard.append((event.type, event.source.name)),
            "window:activate", "window:deactivate", "object:state-changed:focused")

        started.append(subprocess.Popen([brisvane], env=env, start_new_session=True))
        app = poll(lambda: next((a for a in pyatspi.Registry.getDesktop(0)
                                 if a is not None and a.name == "brisvane"), None),
                   "the program never joined the accessibility bus")
        click_tray_icon()
        window = poll(lambda: next((w for w in app if w is not None and w.name == "Brisvane"
                                    and w.getRole() == pyatspi.ROLE_FRAME), None),
                      "the window opened from the tray is no frame named Brisvane")
        controls = [n for n in descendants(window) if n.getState().contains(pyatspi.STATE_SHOWING)
                    and n.getState().contains(pyatspi.STATE_FOCUSABLE)]
        check([n.name for n in controls[:-1]] == CONTROLS
              and controls[-1].getRole() == pyatspi.ROLE_LINK,
              f"controls out of reading order: {[(n.getRoleName(), n.name) for n in controls]}")
        check(controls[1].getState().contains(pyatspi.STATE_FOCUSED),
              "the label field does not have the focus")

        # Closed, it is no longer active; opened again with the focus where it
        # was, it is active first, then says where the focus is.
        click_tray_icon()
        poll(lambda: ("window:deactivate", "Brisvane") in heard, "closed, the window stayed active")
        heard.clear()
        click_tray_icon()
        focus = ("object:state-changed:focused", CONTROLS[1])
        poll(lambda: focus in heard, "opened again, the window told of no focus")
        check(("window:activate", "Brisvane") in heard[:heard.index(focus)],
              f"opened again, the window was not active before its focus: {heard}")

        # Pressed as a screen reader presses it. The alert never takes the
        # focus: only the notification tells of it.
        before = time.strftime("%H:%M", time.gmtime())
        controls[CONTROLS.index("Test Alert")].queryAction().doAction(0)
        after = time.strftime("%H:%M", time.gmtime())
        poll(lambda: notifications, "no notification came up with the alert")
        panel = notifications[0]
        texts = [n.name for n in descendants(panel) if n.getRole() == pyatspi.ROLE_LABEL]
        check(panel.name == "Brisvane", f"the notification is named {panel.name!r}")
        check({f"\u2068Test\u2069 \u00b7 {t}" for t in (before, after)} & set(texts),
              f"no label and time in the notification: {texts}")
    finally:
        for process in reversed(started):
            os.killpg(process.pid, signal.SIGTERM)
            process.wait()
        shutil.rmtree(home, ignore_errors=True)
    print("PASS: AccessibilityTest")


if __name__ == "__main__":
    main(sys.argv[1])
