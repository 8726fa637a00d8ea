"""A right click on the tray icon opens the popup menu with its six entries;
a click elsewhere closes it."""
from quendral_e2e import MENU_ENTRIES_PL, Program, check_tray_menu, scenario, tray_icons, wait_until


def run(program: Program):
    program.start()
    wait_until(tray_icons, 20, "the tray icon")
    check_tray_menu(program, MENU_ENTRIES_PL, "menu")


scenario(run)
