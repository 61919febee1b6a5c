#!/usr/bin/python3
"""Reads the desktop's notifications aloud through a ZARNPlay character.

    python3 speak-notifications.py [CHARACTER]

Watches org.freedesktop.Notifications.Notify calls on the session bus (as
a monitor, so the notification daemon still shows them) and has the
character say each one's summary and body.
"""
import sys

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

SERVICE = "org.zarnplay.Characters"

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
manager = dbus.Interface(bus.get_object(SERVICE, "/org/zarnplay/Characters"),
                         "org.zarnplay.Characters1")
character = dbus.Interface(
    bus.get_object(SERVICE, manager.Load(sys.argv[1] if len(sys.argv) > 1 else "Fennet")),
    "org.zarnplay.Character1")
character.Show(False)

# A second connection becomes a monitor: it only listens from then on.
monitor = dbus.SessionBus(private=True)
monitor.call_blocking("org.freedesktop.DBus", "/org/freedesktop/DBus",
                      "org.freedesktop.DBus.Monitoring", "BecomeMonitor", "asu",
                      (["type='method_call',interface='org.freedesktop.Notifications',"
                        "member='Notify'"], 0))


def on_message(_connection, message):
    if message.get_member() != "Notify":
        return
    args = message.get_args_list()
    # Notify(app_name, replaces_id, icon, summary, body, actions, hints, timeout)
    summary, body = str(args[3]), str(args[4])
    # Tags in a notification are text, not commands to the character.
    text = " ".join(part for part in (summary, body) if part).replace("\\", " ")
    if text:
        character.Speak(text)


monitor.add_message_filter(on_message)
GLib.MainLoop().run()
