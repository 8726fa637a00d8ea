"""The services around the program restart while it runs (notraysession.sh,
every tray and service started here). With an X11 tray: trayer ends, the
window standing in for the tray appears; trayer comes back, the icon docks in
it and the window goes. Then, a second program with a StatusNotifier tray,
monitoring with a 60 s tick: the watcher restarts (the window appears, the
item registers with the new watcher, the window goes); logind restarts and
holds the inhibitor again; the notification daemon is replaced; NetworkManager
stops and a wake from sleep ticks in the gap, which waits for the new one; the
file arrives during a sleep and the wake completes at once, the notice going
to the new daemon. Monitoring runs throughout."""
import os
import subprocess

import dbus

import sni
from e2e_notray import stand_in_window
from e2e_sni import RUNNING_PL
from e2e_typical_run import INHIBITOR, MOCK, inhibitors, start_logind, start_network_manager
from quendral_e2e import Program, scenario, tray_icons, wait_until

NOTIFICATIONS = "org.freedesktop.Notifications"


def stand_in_comes_and_goes(app, stop, restart):
    """The host ends: the window appears (after the grace period); it comes
    back: the window goes."""
    stop()
    wait_until(lambda: stand_in_window(app), 20, "the window standing in for the tray")
    restart()
    wait_until(lambda: not stand_in_window(app), 20, "the window to go")


def restarted(program, start):
    """Stops the mock that `start` started last and starts another."""
    sni.stop(program.processes[-1])
    return start(program)


def start_notifications(program):
    program.processes.append(subprocess.Popen(
        ["/usr/bin/python3", "-m", "dbusmock", "--template", "notification_daemon"], stdout=subprocess.DEVNULL))
    bus = dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])
    wait_until(lambda: bus.name_has_owner(NOTIFICATIONS), 20, "the notification daemon")
    return bus.get_object(NOTIFICATIONS, "/org/freedesktop/Notifications")


def sleep_and_wake(logind, between=lambda: None):
    for sleeping in (True, False):
        logind.EmitSignal("org.freedesktop.login1.Manager", "PrepareForSleep", "b", [sleeping], dbus_interface=MOCK)
        if sleeping:
            between()


def arrive(path):
    with open(path, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))


def run(program: Program):
    trayer = sni.start_xembed_tray()
    process = program.start()
    app = program.wait_for_app(process)
    wait_until(tray_icons, 20, "the tray icon")

    def new_trayer():
        sni.start_xembed_tray()
        wait_until(tray_icons, 20, "the icon docked in the new tray")
    stand_in_comes_and_goes(app, lambda: sni.stop(trayer), new_trayer)
    process.kill()
    process.wait()

    expected = os.path.join(os.environ["E2E_ROOT"], "Pobrane", "plik.zip")
    os.makedirs(os.path.dirname(expected))
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": expected}})
    program.write_user_values({"first": "1", "autodisconnect": "0", "autocomp_off": "0", "infofiles": "1"})
    watcher = sni.start_watcher()
    sni.start_host("bus")
    log = os.path.join(program.artefacts, "program.log")
    with open(log, "w") as err:
        process = subprocess.Popen([program.executable], cwd=program.folder, stderr=err, env=dict(
            os.environ, QUENDRAL_TICK_MS="60000", QT_LOGGING_RULES="quendral.monitor.debug=true"))
    program.processes.append(process)
    app = program.wait_for_app(process)
    item = sni.wait_for_item(process.pid)
    start_network_manager(program)
    start_logind(program)
    item.click("Monitoruj")
    item.wait_for_labels(RUNNING_PL)

    stand_in_comes_and_goes(app, lambda: sni.stop(watcher), sni.start_watcher)
    sni.wait_for_item(process.pid).wait_for_labels(RUNNING_PL)
    logind = restarted(program, start_logind)
    wait_until(lambda: inhibitors(logind) == [INHIBITOR], 10, "the inhibitor taken from the new logind")
    start_notifications(program)
    notifications = restarted(program, start_notifications)

    # NetworkManager stops, the computer wakes, and the tick that follows
    # finds no connection: it waits for the new NetworkManager.
    nm = next(p for p in program.processes if "networkmanager" in p.args)
    sni.stop(nm)
    sleep_and_wake(logind)
    wait_until(lambda: "no connection yet" in open(log).read(), 10, "a tick in NetworkManager's gap")
    start_network_manager(program)
    wait_until(lambda: "tick: 1 entries" in open(log).read(), 10, "a tick with the new NetworkManager")

    sleep_and_wake(logind, lambda: arrive(expected))
    wait_until(lambda: notifications.GetMethodCalls("Notify", dbus_interface=MOCK), 10,
               "the notice at the new notification daemon")
    if process.poll() is not None or "halts" in open(log).read():
        raise AssertionError("monitoring ended on the way")


if __name__ == "__main__":
    scenario(run)
