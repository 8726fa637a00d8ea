"""Services restart around the program (notraysession.sh; the test starts
every tray and service). trayer ends: the stand-in window appears; a new
trayer takes the icon and the window goes. A second program, StatusNotifier
tray, monitoring on a 60 s tick: the watcher restarts (window, then the item
in the new watcher); logind restarts and holds the inhibitor again; the
notification daemon is replaced; NetworkManager stops and a wake ticks in the
gap, which waits for the new one; the file arrives during a sleep and the
wake completes at once, the notice going to the new daemon."""
import os
import pathlib
import subprocess

import dbus

import sni
from e2e_notray import stand_in_window
from e2e_sni import RUNNING_PL
from e2e_typical_run import INHIBITOR, MOCK, inhibitors, start_logind, start_network_manager
from quendral_e2e import Program, scenario, tray_icons, wait_until


def host_ends_and_returns(app, stop, restart):
    stop()
    wait_until(lambda: stand_in_window(app), 20, "the window standing in for the tray")
    restart()
    wait_until(lambda: not stand_in_window(app), 20, "the window to go")


def start_notifications(program):
    program.processes.append(subprocess.Popen(["/usr/bin/python3", "-m", "dbusmock", "--template",
                                               "notification_daemon"], stdout=subprocess.DEVNULL))
    bus = dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])
    wait_until(lambda: bus.name_has_owner("org.freedesktop.Notifications"), 20, "the notification daemon")
    return bus.get_object("org.freedesktop.Notifications", "/org/freedesktop/Notifications")


def sleep_and_wake(logind, asleep=lambda: None):
    for sleeping in (True, False):
        logind.EmitSignal("org.freedesktop.login1.Manager", "PrepareForSleep", "b", [sleeping], dbus_interface=MOCK)
        if sleeping:
            asleep()


def run(program: Program):
    trayer = sni.start_xembed_tray()
    process = program.start()
    host_ends_and_returns(program.wait_for_app(process), lambda: sni.stop(trayer),
                          lambda: sni.start_xembed_tray() and wait_until(tray_icons, 20, "the icon in the new tray"))
    process.kill()
    process.wait()

    expected = os.path.join(os.environ["E2E_ROOT"], "plik.zip")
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": expected}})
    program.write_user_values({"first": "1", "autodisconnect": "0", "autocomp_off": "0", "infofiles": "1"})
    watcher = sni.start_watcher()
    sni.start_host("bus")
    log = os.path.join(program.artefacts, "program.log")
    logged = lambda text: text in open(log).read()  # noqa: E731
    with open(log, "w") as err:
        process = subprocess.Popen([program.executable], cwd=program.folder, stderr=err, env=dict(
            os.environ, QUENDRAL_TICK_MS="60000", QT_LOGGING_RULES="quendral.monitor.debug=true"))
    program.processes.append(process)
    start_network_manager(program)
    nm = program.processes[-1]
    start_logind(program)
    sni.wait_for_item(process.pid).click("Monitoruj")
    host_ends_and_returns(program.wait_for_app(process), lambda: sni.stop(watcher), sni.start_watcher)
    sni.wait_for_item(process.pid).wait_for_labels(RUNNING_PL)

    sni.stop(program.processes[-1])
    logind = start_logind(program)
    wait_until(lambda: inhibitors(logind) == [INHIBITOR], 10, "the inhibitor taken from the new logind")
    start_notifications(program)
    sni.stop(program.processes[-1])
    notifications = start_notifications(program)
    sni.stop(nm)
    sleep_and_wake(logind)
    wait_until(lambda: logged("no connection yet"), 10, "a tick in NetworkManager's gap")
    start_network_manager(program)
    wait_until(lambda: logged("tick: 1 entries"), 10, "a tick with the new NetworkManager")

    sleep_and_wake(logind, lambda: pathlib.Path(expected).write_bytes(b"PK\x05\x06" + bytes(18)))
    wait_until(lambda: notifications.GetMethodCalls("Notify", dbus_interface=MOCK), 10, "the notice, by the new daemon")
    if process.poll() is not None or logged("halts"):
        raise AssertionError("monitoring ended on the way")


if __name__ == "__main__":
    scenario(run)
