"""The typical run on Wayland (westonsession.sh: headless weston, Qt's Wayland
platform, a StatusNotifier tray): the menu is driven through the exported
entries; the file appears; at the next 30 s tick the list is emptied and the
hang-up countdown window opens, read through AT-SPI; 15 s later the modem is
asked to hang up and the entry is back to "Monitoruj". A left click opens the
options window; Close ends the program."""
import os
import re

import sni
from e2e_sni import RUNNING_PL, answer, ENDPROGRAM
from e2e_typical_run import COUNTDOWN_TEXT, hang_up_requests, start_network_manager
from quendral_e2e import MENU_ENTRIES_PL, Program, find, scenario, showing, wait_until, window


def run(program: Program):
    if os.environ.get("QT_QPA_PLATFORM") != "wayland" or os.environ.get("DISPLAY"):
        raise AssertionError("not a Wayland session")
    manager = start_network_manager(program)
    expected = os.path.join(os.environ["E2E_ROOT"], "Pobrane", "plik.zip")
    os.makedirs(os.path.dirname(expected))
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": expected}})
    program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0", "notallfiles": "0",
                               "infofiles": "0", "sound": "0"})

    process = program.start()
    item = sni.wait_for_item(process.pid)
    item.wait_for_labels(MENU_ENTRIES_PL)
    app = program.wait_for_app(process)

    item.activate()
    options = wait_until(lambda: window(app, "Quendral - opcje"), 20, "the options window")

    item.click("Monitoruj")
    item.wait_for_labels(RUNNING_PL)
    with open(expected, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))

    countdown = wait_until(lambda: find(app, ("label",), COUNTDOWN_TEXT), 45, "the hang-up countdown")
    if not re.search(r"^file0=\s*$", program.read_settings(), re.IGNORECASE | re.MULTILINE):
        raise AssertionError("the watch list was not emptied: %r" % program.read_settings())
    if hang_up_requests(manager):
        raise AssertionError("hung up before the countdown ran out")
    wait_until(lambda: hang_up_requests(manager), 25, "the hang-up request")
    wait_until(lambda: not showing(countdown), 10, "the countdown window to close")
    item.wait_for_labels(MENU_ENTRIES_PL)
    if not showing(options):
        raise AssertionError("the options window went")

    item.click("Zamknij", wait=False)
    answer(program, process, ENDPROGRAM, "Tak")
    status = program.wait_for_exit(process)
    if status != 0:
        raise AssertionError("the program ended with status %d" % status)


if __name__ == "__main__":
    scenario(run)
