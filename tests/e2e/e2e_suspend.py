"""Suspend, end to end, on a 1 s tick: the notice, a command (a script that
records its environment and whether the line is up), hang-up and suspend
countdowns of 5 s. After Suspend(false) and the resume the program is still
in the tray, stopped, with the list empty and the notice up. Before the
action, --status --json and D-Bus Status name the action, the command and the
countdown's length. E2E_SLEEP=hibernate runs it with hibernate."""
import os
import re
import time

import dbus

from e2e_control import NAME, status
from e2e_typical_run import LOGIN, MOCK, first_menu_entry, hang_up_requests, start_logind, start_network_manager, \
    start_pppd
from quendral_e2e import MenuWatcher, Program, click_at, click_nowhere, find, scenario, showing, tray_icons, \
    wait_until, window

# PowerAction, logind's method, the countdown's text.
ACTION = {"suspend": ("1", "Suspend", "Quendral uśpi komputer za:"),
          "hibernate": ("2", "Hibernate", "Quendral zahibernuje komputer za:")}[os.environ.get("E2E_SLEEP", "suspend")]
E2E_NAME = os.environ.get("E2E_SLEEP", "suspend")
SCRIPT = '#!/bin/sh\nkill -0 "$1" && line=up || line=down\nprintf "%s|%s|%s" "$QUENDRAL_FILES" ' \
         '"$QUENDRAL_WATCHLIST" "$line" > "$0.out"\n'


def run(program: Program):
    root = os.environ["E2E_ROOT"]
    manager = start_network_manager(program)
    logind = start_logind(program, {"CanSuspend": "yes", "CanHibernate": "yes"})
    pppd = start_pppd(program)
    expected = os.path.join(root, "Pobrane", "plik.zip")
    os.makedirs(os.path.dirname(expected))
    with open(expected, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))
    script = os.path.join(root, "po pobraniu.sh")
    with open(script, "w") as out:
        out.write(SCRIPT)
    os.chmod(script, 0o755)
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": expected}})
    program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "1", "notallfiles": "0",
                               "infofiles": "1", "sound": "0", "PowerAction": ACTION[0], "Countdown": "5",
                               "Command": '\\"%s\\" %d' % (script, pppd.pid)})
    captions = program.captions("Polish.ini")
    os.environ["QUENDRAL_TICK_MS"] = "1000"
    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    watcher = MenuWatcher()
    menu, entry = first_menu_entry(watcher)
    click_at(find(menu, ("menu item",), "Monitoruj"))
    wait_until(lambda: not showing(menu), 10, "the menu to close")

    app = program.app(process)
    # Every display tells the same choice: the action, the command, the length.
    told = status(program)
    bus = dbus.SessionBus().get_object(NAME, "/org/example/Quendral").Status(dbus_interface=NAME)
    for key, value in (("powerAction", E2E_NAME), ("countdownLength", 5)):
        if told.get(key) != value or bus.get(key) != value:
            raise AssertionError("%s: the command line says %r, the bus %r" % (key, told.get(key), bus.get(key)))
    if script not in (told.get("command") or "") or script not in str(bus.get("command")):
        raise AssertionError("the command is not named: %r" % told)
    wait_until(lambda: os.path.exists(script + ".out"), 20, "the command to run")
    with open(script + ".out") as recorded:
        files, watch_list, line = recorded.read().split("|")
    if (files, watch_list, line) != (expected, os.path.join(program.folder, "Settings.ini"), "up"):
        raise AssertionError("the command saw %r" % [files, watch_list, line])
    wait_until(lambda: hang_up_requests(manager), 20, "the hang-up")
    hung_up = time.monotonic()
    suspend = wait_until(lambda: find(app, ("label",), ACTION[2]), 10, "the suspend countdown")
    calls = wait_until(lambda: logind.GetMethodCalls(ACTION[1], dbus_interface=MOCK), 15, "the suspend request")
    if [list(call[1]) for call in calls] != [[False]] or time.monotonic() - hung_up < 4:
        raise AssertionError("logind got %r, %.1f s after the hang-up" % (calls, time.monotonic() - hung_up))
    wait_until(lambda: not showing(suspend), 10, "the suspend countdown to close")

    for going in (True, False):
        logind.EmitSignal(LOGIN + ".Manager", "PrepareForSleep", "b", [going], dbus_interface=MOCK)
    time.sleep(2)
    if process.poll() is not None:
        raise AssertionError("the program ended with the suspend")
    menu, entry = first_menu_entry(watcher)
    if entry != "Monitoruj":
        raise AssertionError("after the resume the menu's first entry reads %r" % entry)
    click_nowhere()
    if not re.search(r"^file0=\s*$", program.read_settings(), re.IGNORECASE | re.MULTILINE):
        raise AssertionError("the watch list was not emptied: %r" % program.read_settings())
    if not window(app, captions["frminfo.Caption"]):
        raise AssertionError("the notice is gone after the resume")


if __name__ == "__main__":
    scenario(run)
