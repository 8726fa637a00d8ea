"""The typical run: one expected file, hang-up only with the notice, a
connected modem in NetworkManager and logind (dbusmock on the session's
private bus, which is our system bus) and a pppd link outside NetworkManager
(a stand-in found through the session's PPP folders). The user types in
another program all along. Monitor: logind holds Quendral's inhibitor of
sleep. The file appears while a process still has it open for writing: the
first 30 s tick passes it over. The writer closes; at the next tick the list
is emptied, the inhibitor is let go and the notice and the hang-up countdown
open without taking the keyboard: what the user types, Space and Enter
included, reaches the other program and the countdown runs on. 15 s later the
modem is asked to hang up, the pppd ends by SIGTERM and the menu entry is back
to "Monitoruj"."""
import json
import os
import re
import shutil
import signal
import subprocess
import time

import dbus

from quendral_e2e import MenuWatcher, Program, click_at, click_nowhere, click_tray_icon, find, scenario, showing, \
    tray_icons, type_text, wait_until

NM = "org.freedesktop.NetworkManager"
NM_PATH = "/org/freedesktop/NetworkManager"
MOCK = "org.freedesktop.DBus.Mock"
COUNTDOWN_TEXT = "Quendral odłączy komputer od sieci za:"
LOGIN = "org.freedesktop.login1"
LOGIN_PATH = "/org/freedesktop/login1"
INHIBITOR = ("sleep:idle", "Quendral", "Quendral czeka na zakończenie pobierania plików.", "block")
TICK = 30

# NetworkManager's DeactivateConnection as the real one behaves for the caller.
DEACTIVATE = """
path = args[0]
active = self.Get('org.freedesktop.NetworkManager', 'ActiveConnections')
if path not in active:
    raise dbus.exceptions.DBusException('not active', name='org.freedesktop.NetworkManager.ConnectionNotActive')
active.remove(path)
self.Set('org.freedesktop.NetworkManager', 'ActiveConnections', active)
self.RemoveObject(path)
"""


def start_network_manager(program: Program):
    if os.environ.get("DBUS_SYSTEM_BUS_ADDRESS") != os.environ.get("QUENDRAL_TEST_BUS"):
        raise AssertionError("refusing to run: this scenario hangs up connections and must use the private bus")
    mock = subprocess.Popen(["/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "networkmanager"],
                            stdout=subprocess.DEVNULL)
    program.processes.append(mock)
    bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
    wait_until(lambda: bus.name_has_owner(NM), 20, "the NetworkManager mock")
    manager = bus.get_object(NM, NM_PATH)
    manager.AddMethod(NM, "DeactivateConnection", "o", "", DEACTIVATE, dbus_interface=MOCK)
    settings = bus.get_object(NM, NM_PATH + "/Settings")
    stored = settings.AddConnection(
        dbus.Dictionary({"connection": dbus.Dictionary({"type": "gsm", "id": "modem"}, signature="sv")},
                        signature="sa{sv}"), dbus_interface=NM + ".Settings")
    manager.AddActiveConnection(dbus.Array([], signature="o"), stored, "/", "modem", dbus.UInt32(2),
                                dbus_interface=MOCK)
    return manager


def start_pppd(program: Program):
    """A pppd link of the session's own: a copy of sleep named pppd, its
    interface and pid file in the session's PPP folders."""
    root = os.environ["QUENDRAL_TEST_PPP_ROOT"]
    if not root.startswith(os.environ["E2E_ROOT"] + os.sep):
        raise AssertionError("refusing to run: the PPP folders are not the session's own")
    interface = os.path.join(root, "sys", "class", "net", "ppp0")
    os.makedirs(interface)
    for name, value in (("type", "512"), ("ifindex", "9"), ("flags", "0x1091")):
        with open(os.path.join(interface, name), "w") as out:
            out.write(value + "\n")
    binary = os.path.join(os.environ["E2E_ROOT"], "bin", "pppd")
    os.makedirs(os.path.dirname(binary))
    shutil.copy("/bin/sleep", binary)
    pppd = subprocess.Popen([binary, "600"])
    program.processes.append(pppd)
    with open(os.path.join(root, "run", "ppp0.pid"), "w") as out:
        out.write("%d\n" % pppd.pid)
    return pppd


def start_typist(program: Program):
    """Another program with a focused text box; returns the file that holds
    what it received."""
    typed = os.path.join(os.environ["E2E_ROOT"], "typed.txt")
    here = os.path.dirname(os.path.abspath(__file__))
    program.processes.append(subprocess.Popen(["wish", os.path.join(here, "typist.tcl"), typed]))
    wait_until(lambda: os.path.exists(typed), 20, "the other program's text box")
    return typed


def received(typed):
    with open(typed, encoding="utf-8") as file:
        return file.read()


def focused_window():
    return subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True, check=True).stdout.strip()


def start_logind(program: Program, parameters=None):
    """dbusmock's logind; `parameters` as its template takes them ({"CanSuspend": "no"})."""
    mock = subprocess.Popen(["/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind",
                             "--parameters", json.dumps(parameters or {})], stdout=subprocess.DEVNULL)
    program.processes.append(mock)
    bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
    wait_until(lambda: bus.name_has_owner(LOGIN), 20, "the logind mock")
    return bus.get_object(LOGIN, LOGIN_PATH)


def inhibitors(logind):
    return [tuple(str(field) for field in held[:4])
            for held in logind.ListInhibitors(dbus_interface=LOGIN + ".Manager")]


def hang_up_requests(manager):
    return [call for call in manager.GetMethodCalls("DeactivateConnection", dbus_interface=MOCK)]


def first_menu_entry(watcher: MenuWatcher):
    watcher.menus.clear()
    click_tray_icon(3)
    menu = watcher.wait_for_menu()
    return menu, watcher.entries(menu)[0]


def run(program: Program):
    manager = start_network_manager(program)
    logind = start_logind(program)
    expected = os.path.join(os.environ["E2E_ROOT"], "Pobrane", "plik.zip")
    os.makedirs(os.path.dirname(expected))
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": expected}})
    program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0", "notallfiles": "0",
                               "infofiles": "1", "sound": "0"})
    pppd = start_pppd(program)

    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    watcher = MenuWatcher()
    menu, entry = first_menu_entry(watcher)
    if entry != "Monitoruj":
        raise AssertionError("stopped menu entry reads %r" % entry)
    started = time.monotonic()
    click_at(find(menu, ("menu item",), "Monitoruj"))
    wait_until(lambda: not showing(menu), 10, "the menu to close")
    menu, entry = first_menu_entry(watcher)
    if entry != "Zatrzymaj":
        raise AssertionError("monitoring did not start: the entry reads %r" % entry)
    click_nowhere()
    wait_until(lambda: not showing(menu), 10, "the menu to close")
    if inhibitors(logind) != [INHIBITOR]:
        raise AssertionError("logind holds %r while monitoring" % inhibitors(logind))

    typed = start_typist(program)
    typist = focused_window()
    # The download arrives but its program still has it open for writing.
    with open(expected, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))
    writer = subprocess.Popen(["/bin/sh", "-c", 'exec 3>>"$0"; echo open; exec sleep 600', expected],
                              stdout=subprocess.PIPE)
    program.processes.append(writer)
    writer.stdout.readline()

    app = program.app(process)
    # The first tick comes and goes with nothing to show for it.
    first_tick_over = started + TICK + 8
    wait_until(lambda: find(app, ("label",), COUNTDOWN_TEXT) or time.monotonic() > first_tick_over, TICK + 15,
               "the first tick to pass")
    if find(app, ("label",), COUNTDOWN_TEXT):
        raise AssertionError("completed while the file was still open for writing")
    if not re.search(r"^file0=\S", program.read_settings(), re.IGNORECASE | re.MULTILINE):
        raise AssertionError("the watch list was emptied while the file was being written")
    writer.kill()
    writer.wait()

    countdown = wait_until(lambda: find(app, ("label",), COUNTDOWN_TEXT), TICK + 15, "the hang-up countdown")
    if time.monotonic() < started + 2 * TICK - 1:
        raise AssertionError("the countdown came before the second tick")
    if focused_window() != typist:
        raise AssertionError("the completion windows took the keyboard focus")
    # Space and Enter are what would press a focused button.
    type_text("ok then\n ")
    wait_until(lambda: received(typed) == "ok then\n ", 10, "the keys to reach the other program")
    program.screenshot("countdown")
    wait_until(lambda: not inhibitors(logind), 10, "logind to let the inhibitor go")
    if not re.search(r"^file0=\s*$", program.read_settings(), re.IGNORECASE | re.MULTILINE):
        raise AssertionError("the watch list was not emptied: %r" % program.read_settings())
    if hang_up_requests(manager) or pppd.poll() is not None or not showing(countdown):
        raise AssertionError("hung up before the countdown ran out")

    wait_until(lambda: hang_up_requests(manager), 25, "the hang-up request")
    wait_until(lambda: pppd.poll() is not None, 10, "the pppd to end")
    if pppd.returncode != -signal.SIGTERM:
        raise AssertionError("the pppd ended with status %d, not by SIGTERM" % pppd.returncode)
    wait_until(lambda: not showing(countdown), 10, "the countdown window to close")
    menu, entry = first_menu_entry(watcher)
    if entry != "Monitoruj":
        raise AssertionError("after the hang-up the entry reads %r" % entry)
    click_nowhere()
    if process.poll() is not None:
        raise AssertionError("the program ended")


if __name__ == "__main__":
    scenario(run)
