"""No tray at all (notraysession.sh): a few seconds after start-up the tray
menu appears as a window titled "Quendral" with the six entries as buttons
and the tooltip as a status line; its Monitor button starts monitoring (the
status line counting the files in), its
Show options button opens the options window. When
a StatusNotifier tray starts afterwards, the icon appears there, still
running, and the window goes. The same on Wayland (westonsession.sh with
E2E_SNI_HOST=none)."""
import os

import sni
from e2e_sni import RUNNING_PL, press
from e2e_typical_run import start_network_manager
from quendral_e2e import MENU_ENTRIES_PL, Program, descendants, find, name, role, scenario, showing, top_windows, \
    wait_until, window

STOPPED = "Quendral nie jest aktywny"
RUNNING = "Quendral jest aktywny"


def buttons(top):
    return [name(node) for node in descendants(top) if role(node) == "push button"]


def stand_in_window(app):
    """The showing window titled "Quendral" that has buttons (the splash
    screen bears the same title)."""
    for top in top_windows(app):
        if top is not None and name(top) == "Quendral" and showing(top) and buttons(top):
            return top
    return None


def screenshot(program, label):
    """Screenshots are taken of X displays only."""
    if os.environ.get("DISPLAY"):
        program.screenshot(label)


def run(program: Program):
    start_network_manager(program)
    expected = os.path.join(os.environ["E2E_ROOT"], "Pobrane", "plik.zip")
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": expected}})
    program.write_user_values({"first": "1", "autodisconnect": "0", "autocomp_off": "0", "notallfiles": "0",
                               "infofiles": "0", "sound": "0"})
    process = program.start()
    app = program.wait_for_app(process)
    stand_in = wait_until(lambda: stand_in_window(app), 30, "the window standing in for the tray")
    if buttons(stand_in) != MENU_ENTRIES_PL:
        raise AssertionError("the window's buttons are %r, expected %r" % (buttons(stand_in), MENU_ENTRIES_PL))
    wait_until(lambda: find(stand_in, ("label",), STOPPED), 10, "the stopped status line")
    screenshot(program, "stand-in")

    press(find(stand_in, ("push button",), "Monitoruj"))
    wait_until(lambda: find(stand_in, ("push button",), "Zatrzymaj"), 10, "the Stop button")
    # Running, with the count of the files in on the next line.
    wait_until(lambda: name(find(stand_in, ("label",))).split("\n")[:2] == [RUNNING, "0 z 1 pliku"], 10,
               "the running status line")
    screenshot(program, "stand-in-running")

    press(find(stand_in, ("push button",), "Pokaż opcje"))
    wait_until(lambda: window(app, "Quendral - opcje"), 20, "the options window")

    sni.start_watcher()
    # The GTK tray draws on X only; on Wayland a tray that only registers.
    sni.start_host("gtk" if os.environ.get("DISPLAY") else "bus")
    item = sni.wait_for_item(process.pid)
    wait_until(lambda: not showing(stand_in), 20, "the window to go")
    item.wait_for_labels(RUNNING_PL)
    if stand_in_window(app):
        raise AssertionError("the window standing in for the tray is still showing")
    screenshot(program, "tray-arrived")


if __name__ == "__main__":
    scenario(run)
