"""The first start for a user shows the options window with hang-up checked;
checking power-off too and applying stores both as "1". Opened again with a
left click on the tray icon, choosing English and applying stores the choice
in Settings.ini and turns the tray menu English."""
import re

from quendral_e2e import Program, check_tray_menu, checked, click_at, click_tray_icon, descendants, find, name, \
    role, scenario, showing, tray_icons, wait_until, window

OPTIONS_PL = "Quendral - opcje"
DISCONNECT = "Rozłącz aktywne połączenie gdy zadane pliki zostaną pobrane"
COMP_OFF = "Wyłącz komputer gdy zadane pliki zostaną pobrane"
APPLY = "Zastosuj i ukryj"
MENU_ENTRIES = ["cmdmonit", "cmdaddfile", "cmdoptions", "cmdhelp", "cmdabout", "cmdexit"]


def box(options, text):
    return wait_until(lambda: find(options, ("check box",), text), 10, 'the check box "%s"' % text)


def apply(options):
    click_at(find(options, ("push button",), APPLY))
    wait_until(lambda: not showing(options), 10, "the options window to close")


def choose_hang_up_and_power_off(program: Program, app):
    options = wait_until(lambda: window(app, OPTIONS_PL), 20, "the options window at the first start")
    disconnect, comp_off = box(options, DISCONNECT), box(options, COMP_OFF)
    if not checked(disconnect) or checked(comp_off):
        raise AssertionError("a first start should check hang-up only")
    click_at(comp_off)
    wait_until(lambda: checked(comp_off), 10, "power-off to be checked")
    program.screenshot("first-start-options")
    apply(options)
    wait_until(lambda: '"autodisconnect"="1"' in program.user_values_text()
               and '"autocomp_off"="1"' in program.user_values_text(), 10,
               "autodisconnect and autocomp_off stored as 1")


def choose_english(program: Program, app):
    click_tray_icon(1)
    options = wait_until(lambda: window(app, OPTIONS_PL), 20, "the options window after a left click")
    if not checked(box(options, DISCONNECT)) or not checked(box(options, COMP_OFF)):
        raise AssertionError("the options window opened again does not show the stored choices")
    # The combo box that lists the language files (the deadline's is another).
    language = wait_until(lambda: next((node for node in descendants(options) if role(node) == "combo box"
                                        and showing(node) and find(node, ("list item",), "Polish.ini")), None),
                          10, "the language list")
    click_at(language)
    # The entries report themselves showing while the list is closed too; only
    # the opened list is where the pointer can reach them.
    english = wait_until(lambda: find(find(language, ("list",)), ("list item",), "English.ini"), 10,
                         "English.ini in the opened language list")
    click_at(english)
    wait_until(lambda: name(language) == "English.ini", 10, "English.ini to be chosen")
    program.screenshot("english-chosen")
    apply(options)
    wait_until(lambda: re.search(r"^language=English\.ini\s*$", program.read_settings(), re.I | re.M), 10,
               "language=English.ini in Settings.ini")


def run(program: Program):
    process = program.start()
    app = program.wait_for_app(process)
    choose_hang_up_and_power_off(program, app)
    wait_until(tray_icons, 20, "the tray icon")
    choose_english(program, app)

    captions = program.captions("English.ini")
    # The Monitor/Stop entry shows the stopped caption, lblstart's.
    expected = [captions["frmnotunload.%s.Caption" % ("lblstart" if entry == "cmdmonit" else entry)]
                for entry in MENU_ENTRIES]
    check_tray_menu(program, expected, "english-menu")


if __name__ == "__main__":
    scenario(run, first=None)
