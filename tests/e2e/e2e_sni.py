"""A StatusNotifierItem tray under X11 (snisession.sh: no X11 tray): the icon
registers with the watcher and exports the tray menu's six entries with
their pictures; Monitor with an empty list says "nofiles"; with a file and a
connected modem Monitor starts and Stop stops monitoring, the exported entry
following; a left click (Activate) opens the options window, the entries
(one chosen in the tray bar's own menu) the other windows; Close asks
"endprogram" and Yes ends the program and takes the item away."""
import os

import sni
from e2e_typical_run import start_network_manager
from quendral_e2e import MENU_ENTRIES_PL, Program, alert, find, scenario, showing, wait_until, window

NOFILES = "Nie zadeklarowano plików do monitorowania przez program!"
ENDPROGRAM = "Czy na pewno chcesz zakończyć działanie aplikacji?"
RUNNING_PL = ["Zatrzymaj"] + MENU_ENTRIES_PL[1:]


def press(node):
    """Presses a button through AT-SPI, which works on every display server."""
    node.do_action(0)


def answer(program, process, text, button):
    box = wait_until(lambda: alert(program.app(process), text), 20, "the message %r" % text)
    press(find(box, ("push button",), button))
    wait_until(lambda: not showing(box), 10, "the message %r to close" % text)


def run(program: Program):
    start_network_manager(program)
    program.write_settings({"options": {"language": "Polish.ini"}})
    program.write_user_values({"first": "1", "autodisconnect": "0", "autocomp_off": "0", "notallfiles": "0",
                               "infofiles": "0", "sound": "0"})
    process = program.start()
    item = sni.wait_for_item(process.pid)
    if item.labels() != MENU_ENTRIES_PL:
        raise AssertionError("exported menu %r, expected %r" % (item.labels(), MENU_ENTRIES_PL))
    if not all(entry.has_icon for entry in item.layout()):
        raise AssertionError("an exported entry has no picture: %r" % item.layout())
    if not item.has_icon():
        raise AssertionError("the item has no icon")
    program.screenshot("sni-tray")

    item.click("Monitoruj", wait=False)
    answer(program, process, NOFILES, "OK")

    expected = os.path.join(os.environ["E2E_ROOT"], "Pobrane", "plik.zip")
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": expected}})
    item.click("Monitoruj")
    item.wait_for_labels(RUNNING_PL)
    item.click("Zatrzymaj")
    item.wait_for_labels(MENU_ENTRIES_PL)

    item.activate()
    options = wait_until(lambda: window(program.app(process), "Quendral - opcje"), 20, "the options window")
    program.screenshot("options")
    if not showing(options):
        raise AssertionError("the options window is not showing")

    # As a person does it: a right click on the icon in the tray bar, which
    # draws the exported menu, and a click on an entry there.
    sni.click_host_icon(3)
    menu = sni.host_menu()
    if sni.host_menu_labels(menu) != MENU_ENTRIES_PL:
        raise AssertionError("the tray bar shows %r, expected %r" % (sni.host_menu_labels(menu), MENU_ENTRIES_PL))
    program.screenshot("host-menu")
    sni.click_host_menu_entry(menu, "O programie...")
    wait_until(lambda: window(program.app(process), "Informacje o programie..."), 20, "the About window")
    item.click("Pomoc")
    wait_until(lambda: window(program.app(process), "Wybierz język pomocy"), 20, "the help-language chooser")
    # The list opens modally: the click is answered once it closes.
    item.click("Dodaj plik", wait=False)
    wait_until(lambda: window(program.app(process), "Quendral - lista plików"), 20, "the watch list")
    program.screenshot("windows")

    item.click("Zamknij", wait=False)
    answer(program, process, ENDPROGRAM, "Tak")
    status = program.wait_for_exit(process)
    if status != 0:
        raise AssertionError("the program ended with status %d" % status)
    sni.wait_for_no_item(process.pid)


if __name__ == "__main__":
    scenario(run)
