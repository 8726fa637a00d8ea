"""Close asks "endprogram": No leaves the program in the tray, Yes removes
the icon and ends it."""
from quendral_e2e import MenuWatcher, Program, alert, click_at, click_tray_icon, find, scenario, tray_icons, \
    wait_until

ENDPROGRAM = "Czy na pewno chcesz zakończyć działanie aplikacji?"


def ask_to_close(program: Program, process, watcher: MenuWatcher):
    watcher.menus.clear()
    click_tray_icon(3)
    menu = watcher.wait_for_menu()
    click_at(find(menu, ("menu item",), "Zamknij"))
    return wait_until(lambda: alert(program.app(process), ENDPROGRAM), 20, 'the "endprogram" question')


def run(program: Program):
    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    watcher = MenuWatcher()

    box = ask_to_close(program, process, watcher)
    program.screenshot("endprogram")
    click_at(find(box, ("push button",), "Nie"))
    wait_until(lambda: not alert(program.app(process), ENDPROGRAM), 10, "the question to close")
    if process.poll() is not None or not tray_icons():
        raise AssertionError("Nie (No) ended the program")

    box = ask_to_close(program, process, watcher)
    click_at(find(box, ("push button",), "Tak"))
    status = program.wait_for_exit(process)
    if status != 0:
        raise AssertionError("the program ended with status %d" % status)
    wait_until(lambda: not tray_icons(), 10, "the tray icon to go")


scenario(run)
