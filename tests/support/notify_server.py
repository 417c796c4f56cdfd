#!/usr/bin/python3
"""A freedesktop notification server for the tests, on the session bus of $DBUS_SESSION_BUS_ADDRESS.

Usage: notify_server.py OUT_FILE. Each Notify call is appended to OUT_FILE as one JSON line (summary,
body, actions); when the notification has actions, the server invokes the first one, as a user who
clicks it would. Prints "ready" once it owns org.freedesktop.Notifications; stops when its input ends.
"""
import json, sys, threading
import dbus, dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

out = sys.argv[1]
DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()


class Server(dbus.service.Object):
    next_id = 0

    @dbus.service.method('org.freedesktop.Notifications', in_signature='susssasa{sv}i', out_signature='u')
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        Server.next_id += 1
        with open(out, 'a') as f:
            f.write(json.dumps({'app': str(app), 'summary': str(summary), 'body': str(body),
                                'actions': [str(a) for a in actions]}) + '\n')
        if actions:
            GLib.idle_add(self.ActionInvoked, dbus.UInt32(Server.next_id), actions[0])
        return Server.next_id

    @dbus.service.method('org.freedesktop.Notifications', out_signature='as')
    def GetCapabilities(self):
        return ['actions', 'body']

    @dbus.service.signal('org.freedesktop.Notifications', signature='us')
    def ActionInvoked(self, id, key):
        pass


name = dbus.service.BusName('org.freedesktop.Notifications', bus)
Server(bus, '/org/freedesktop/Notifications')
loop = GLib.MainLoop()
threading.Thread(target=lambda: (sys.stdin.read(), GLib.idle_add(loop.quit)), daemon=True).start()
print('ready', flush=True)
loop.run()
