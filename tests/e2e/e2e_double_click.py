"""Hang up, then power off: a double click on "hang up now" hangs up once,
and its second click, landing where the hang-up countdown was, does not power
off through the power-off countdown that opens at once. That countdown runs;
declined, nothing powers off."""
import os
import time

from e2e_typical_run import MOCK, first_menu_entry, hang_up_requests, start_logind, start_network_manager
from quendral_e2e import MenuWatcher, Program, click_at, descendants, find, name, point_at, pump, role, scenario, \
    showing, tray_icons, wait_until, xdotool

HANG_UP_TEXT = "Quendral odłączy komputer od sieci za:"
POWER_OFF_TEXT = "Quendral wyłączy komputer za:"
TICK = 30


def power_offs(logind):
    return logind.GetMethodCalls("PowerOff", dbus_interface=MOCK)


def seconds_left(window):
    return [int(name(label)) for label in descendants(window) if role(label) == "label" and name(label).isdigit()]


def run(program: Program):
    manager = start_network_manager(program)
    logind = start_logind(program)
    present = os.path.join(os.environ["E2E_ROOT"], "Pobrane", "plik.zip")
    os.makedirs(os.path.dirname(present))
    with open(present, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": present}})
    program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "1", "notallfiles": "0",
                               "infofiles": "0", "sound": "0"})
    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    menu, _ = first_menu_entry(MenuWatcher())
    click_at(find(menu, ("menu item",), "Monitoruj"))

    app = program.app(process)
    dis = wait_until(lambda: find(app, ("label",), HANG_UP_TEXT), TICK + 15, "the hang-up countdown").get_parent()
    # A person reads the window first; its buttons take no click for a moment.
    wait_until(lambda: min(seconds_left(dis), default=15) < 15, 5, "the hang-up countdown to count")
    point_at(find(dis, ("push button",), "Rozłącz natychmiast"))
    xdotool("click", "--repeat", 2, "--delay", 120, 1)
    clicked = time.monotonic()

    wait_until(lambda: hang_up_requests(manager), 10, "the hang-up request")
    shut = wait_until(lambda: power_offs(logind) or find(app, ("label",), POWER_OFF_TEXT), 10,
                      "the power-off countdown")
    while not power_offs(logind) and time.monotonic() < clicked + 2:
        pump(0.1)
    if power_offs(logind):
        raise AssertionError("the second click powered off")
    program.screenshot("power-off-countdown")
    window = shut.get_parent()
    wait_until(lambda: showing(shut) and min(seconds_left(window), default=15) < 15, 3, "the power-off count")

    click_at(find(window, ("push button",), "Nie wyłączaj"))
    wait_until(lambda: not showing(shut), 10, "the power-off countdown to close")
    if power_offs(logind) or len(hang_up_requests(manager)) != 1:
        raise AssertionError("%d power-offs, %d hang-ups" % (len(power_offs(logind)), len(hang_up_requests(manager))))


if __name__ == "__main__":
    scenario(run)
