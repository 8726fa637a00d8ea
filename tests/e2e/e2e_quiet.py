"""No files, quiet for 1 min (6 s at a 3 s tick), the notice. The modem's counters
grow by 100 kB/s: nothing, and they are refreshed; they stop: the notice, one window later,
and the hang-up countdown after it leaves the notice's text as it is."""
import os
import time

import dbus

from e2e_typical_run import COUNTDOWN_TEXT, MOCK, NM, start_network_manager
from quendral_e2e import Program, find, pump, scenario, start_monitoring, wait_until

STATISTICS = NM + ".Device.Statistics"
TICK = 3
WINDOW = 2 * TICK


def add_modem_device(manager):
    bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
    path = manager.AddEthernetDevice("modem0", "ppp0", dbus.Int32(100), dbus_interface=MOCK)
    device = bus.get_object(NM, path)
    device.AddProperties(STATISTICS, {"RefreshRateMs": dbus.UInt32(0), "RxBytes": dbus.UInt64(0)},
                         dbus_interface=MOCK)
    active = manager.Get(NM, "ActiveConnections", dbus_interface=dbus.PROPERTIES_IFACE)[0]
    bus.get_object(NM, active).UpdateProperties(NM + ".Connection.Active", {"Devices": dbus.Array([path], "o")},
                                                dbus_interface=MOCK)
    return device


def run(program: Program):
    os.environ["QUENDRAL_TICK_MS"] = str(TICK * 1000)
    device = add_modem_device(start_network_manager(program))
    refresh = lambda: device.Get(STATISTICS, "RefreshRateMs", dbus_interface=dbus.PROPERTIES_IFACE)  # noqa: E731
    program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0", "infofiles": "1",
                               "Quiet": "1", "QuietMinutes": "1", "QuietRate": "2"})
    quiet = program.message("Polish.ini", "finishedquiet").replace("%1", "1")
    app, _ = start_monitoring(program)

    received, busy_until = 0, time.monotonic() + 3 * WINDOW
    while time.monotonic() < busy_until:
        received += 100 * 1024
        device.UpdateProperties(STATISTICS, {"RxBytes": dbus.UInt64(received)}, dbus_interface=MOCK)
        if find(app, ("label",), quiet):
            raise AssertionError("completed while the connection was receiving")
        pump(1)
    stopped = time.monotonic()
    if refresh() == 0:
        raise AssertionError("NetworkManager was not asked to refresh the statistics")
    wait_until(lambda: find(app, ("label",), quiet), WINDOW + 4 * TICK, "the notice of a quiet connection")
    if time.monotonic() < stopped + WINDOW - 1:
        raise AssertionError("completed %.1f s after the traffic stopped" % (time.monotonic() - stopped))
    wait_until(lambda: find(app, ("label",), COUNTDOWN_TEXT), 10, "the hang-up countdown")
    if not find(app, ("label",), quiet):
        raise AssertionError("the countdown took the notice's reason")
    program.screenshot("quiet")
    wait_until(lambda: refresh() == 0, 10, "the statistics refresh to be put back")


if __name__ == "__main__":
    scenario(run)
