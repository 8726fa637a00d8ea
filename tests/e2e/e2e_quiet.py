"""Waiting for a quiet connection, with no file names at all: an empty watch
list, "also finish when the connection has been quiet for 1 min", the notice
only. The modem's device in the NetworkManager mock has statistics whose
received bytes the scenario keeps growing by 100 kB a second: no completion,
and NetworkManager is asked to refresh them while monitoring runs. The
counter stops: the notice, saying that the connection went quiet, comes one
window later, not before. A 3 s tick makes the minute 6 s."""
import os
import time

import dbus

from e2e_typical_run import MOCK, NM, first_menu_entry, start_network_manager
from quendral_e2e import MenuWatcher, Program, click_at, click_nowhere, descendants, find, name, pump, role, \
    scenario, showing, tray_icons, wait_until

STATISTICS = NM + ".Device.Statistics"
TICK = 3
WINDOW = 2 * TICK  # one minute at a tenth of the tick


def add_modem_device(manager):
    """The active modem connection's device, with statistics."""
    bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
    path = manager.AddEthernetDevice("modem0", "ppp0", dbus.Int32(100), dbus_interface=MOCK)
    device = bus.get_object(NM, path)
    device.AddProperties(STATISTICS, {"RefreshRateMs": dbus.UInt32(0), "TxBytes": dbus.UInt64(0),
                                      "RxBytes": dbus.UInt64(0)}, dbus_interface=MOCK)
    active = manager.Get(NM, "ActiveConnections", dbus_interface=dbus.PROPERTIES_IFACE)[0]
    bus.get_object(NM, active).UpdateProperties(NM + ".Connection.Active", {"Devices": dbus.Array([path], "o")},
                                                dbus_interface=MOCK)
    return device


def statistic(device, key):
    return int(device.Get(STATISTICS, key, dbus_interface=dbus.PROPERTIES_IFACE))


def notice(app, text):
    return next((node for node in descendants(app) if role(node) == "label" and name(node) == text
                 and showing(node)), None)


def run(program: Program):
    os.environ["QUENDRAL_TICK_MS"] = str(TICK * 1000)
    device = add_modem_device(start_network_manager(program))
    program.write_settings({"options": {"language": "Polish.ini"}})
    program.write_user_values({"first": "1", "autodisconnect": "0", "autocomp_off": "0", "infofiles": "1",
                               "sound": "0", "Quiet": "1", "QuietMinutes": "1", "QuietRate": "2"})
    quiet = program.message("Polish.ini", "finishedquiet").replace("%1", "1")

    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    watcher = MenuWatcher()
    menu, _ = first_menu_entry(watcher)
    click_at(find(menu, ("menu item",), "Monitoruj"))
    wait_until(lambda: not showing(menu), 10, "the menu to close")
    app = program.app(process)

    busy_until = time.monotonic() + 3 * WINDOW
    received = 0
    while time.monotonic() < busy_until:
        received += 100 * 1024
        device.UpdateProperties(STATISTICS, {"RxBytes": dbus.UInt64(received)}, dbus_interface=MOCK)
        if notice(app, quiet):
            raise AssertionError("completed while the connection was receiving")
        pump(1)
    if statistic(device, "RefreshRateMs") == 0:
        raise AssertionError("NetworkManager was not asked to refresh the statistics")

    stopped = time.monotonic()
    wait_until(lambda: notice(app, quiet), WINDOW + 4 * TICK, "the notice of a quiet connection")
    if time.monotonic() < stopped + WINDOW - 1:
        raise AssertionError("completed %.1f s after the traffic stopped" % (time.monotonic() - stopped))
    program.screenshot("quiet")
    wait_until(lambda: statistic(device, "RefreshRateMs") == 0, 10, "the statistics refresh to be put back")
    click_nowhere()
    if process.poll() is not None:
        raise AssertionError("the program ended")


if __name__ == "__main__":
    scenario(run)
