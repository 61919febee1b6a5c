#!/usr/bin/python3
"""A character of the running ZARNPlay service says hello, then goes.

    python3 hello.py [CHARACTER] [TEXT]
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
path = manager.Load(sys.argv[1] if len(sys.argv) > 1 else "Fennet")
obj = bus.get_object(SERVICE, path)
character = dbus.Interface(obj, "org.zarnplay.Character1")
name = obj.Get("org.zarnplay.Character1", "Name",
               dbus_interface="org.freedesktop.DBus.Properties")

loop = GLib.MainLoop()
last = None


def on_complete(request, status):
    if request == last:
        loop.quit()


obj.connect_to_signal("RequestComplete", on_complete, dbus_interface="org.zarnplay.Character1")
obj.connect_to_signal("Bookmark", lambda mark: print("bookmark", mark),
                      dbus_interface="org.zarnplay.Character1")
character.Show(False)
character.Speak(sys.argv[2] if len(sys.argv) > 2 else f"Hello, I am {name}. \\mrk=1\\Goodbye!")
last = character.Hide(False)
loop.run()
manager.Unload(path)
print(f"{name} said hello")
