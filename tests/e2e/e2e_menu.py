"""A right click on the tray icon opens the popup menu with its six entries;
a click elsewhere closes it."""
from quendral_e2e import MENU_ENTRIES_PL, MenuWatcher, Program, click_nowhere, click_tray_icon, scenario, showing, \
    tray_icons, wait_until


def run(program: Program):
    program.start()
    wait_until(tray_icons, 20, "the tray icon")
    watcher = MenuWatcher()
    click_tray_icon(3)
    menu = watcher.wait_for_menu()
    entries = watcher.entries(menu)
    if entries != MENU_ENTRIES_PL:
        raise AssertionError("menu entries %r, expected %r" % (entries, MENU_ENTRIES_PL))
    program.screenshot("menu")
    click_nowhere()
    wait_until(lambda: not showing(menu), 10, "the menu to close")


scenario(run)
