"""No tray at start-up, then an X11 tray (notraysession.sh, trayer started
later): the window standing in for the tray goes, the icon appears in the X11
tray and a right click there pops the decorated menu with the six entries."""
import sni
from e2e_notray import stand_in_window
from quendral_e2e import MENU_ENTRIES_PL, Program, check_tray_menu, scenario, tray_icons, wait_until


def run(program: Program):
    process = program.start()
    app = program.wait_for_app(process)
    wait_until(lambda: stand_in_window(app), 30, "the window standing in for the tray")
    sni.start_xembed_tray()
    wait_until(tray_icons, 20, "the tray icon")
    wait_until(lambda: not stand_in_window(app), 20, "the window to go")
    check_tray_menu(program, MENU_ENTRIES_PL, "xembed-menu")
    if process.poll() is not None:
        raise AssertionError("the program ended")


if __name__ == "__main__":
    scenario(run)
