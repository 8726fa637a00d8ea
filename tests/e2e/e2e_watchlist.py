"""The tray menu's "Dodaj plik" opens the watch-list window; its Add opens the
folder chooser, where a single click highlights a folder; OK opens the
file-name window, whose OK adds folder/name to the list; Apply stores it as
file0 in Settings.ini."""
import os
import re

from quendral_e2e import MenuWatcher, Program, click_at, click_tray_icon, descendants, find, name, role, scenario, \
    selected, showing, text_of, tray_icons, type_text, wait_until, window

WATCH_LIST = "Quendral - lista plików"
FOLDER_CHOOSER = "Przeglądaj w poszukiwaniu folderu:"
FILE_NAME = "Określ nazwę pliku:"
FOLDER = "Pobrane"
FILE = "plik.zip"


def open_watch_list(app):
    watcher = MenuWatcher()
    click_tray_icon(3)
    menu = watcher.wait_for_menu()
    click_at(find(menu, ("menu item",), "Dodaj plik"))
    watcher.close()
    return wait_until(lambda: window(app, WATCH_LIST), 20, "the watch-list window")


def folder_entry(chooser, folder):
    """The folder list shows names indented by depth; the entry of `folder`."""
    for entry in descendants(chooser):
        if role(entry) == "list item" and name(entry).strip() == folder and showing(entry):
            return entry
    return None


def choose_folder(program: Program, app):
    chooser = wait_until(lambda: window(app, FOLDER_CHOOSER), 20, "the folder chooser")
    entry = wait_until(lambda: folder_entry(chooser, FOLDER), 10, 'the folder "%s" in the folder list' % FOLDER)
    click_at(entry)
    wait_until(lambda: selected(entry), 10, "the folder to be highlighted")
    program.screenshot("folder-chooser")
    click_at(find(chooser, ("push button",), "OK"))
    return chooser


def name_the_file(program: Program, app, folder):
    naming = wait_until(lambda: window(app, FILE_NAME), 20, "the file-name window")
    chosen = wait_until(lambda: find(naming, ("text",), "Wybrany folder:"), 10, 'the "Wybrany folder:" box')
    if text_of(chosen) != folder:
        raise AssertionError("the file-name window shows the folder %r, expected %r" % (text_of(chosen), folder))
    box = find(naming, ("text",), "Nazwa pliku:")
    click_at(box)
    type_text(FILE)
    wait_until(lambda: text_of(box) == FILE, 10, "the typed file name")
    program.screenshot("file-name")
    click_at(find(naming, ("push button",), "OK"))
    wait_until(lambda: not showing(naming), 10, "the file-name window to close")


def run(program: Program):
    folder = os.path.join(os.environ["HOME"], FOLDER)
    os.makedirs(folder)
    expected = folder + "/" + FILE

    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    app = program.app(process)
    watch_list = open_watch_list(app)
    click_at(find(watch_list, ("push button",), "Dodaj plik"))
    chooser = choose_folder(program, app)
    name_the_file(program, app, folder)
    wait_until(lambda: not showing(chooser), 10, "the folder chooser to close")
    wait_until(lambda: find(watch_list, ("list item",), expected), 10, "the new entry in the watch list")
    program.screenshot("watch-list")
    click_at(find(watch_list, ("push button",), "Zastosuj"))
    wait_until(lambda: not showing(watch_list), 10, "the watch-list window to close")
    stored = program.read_settings()
    if not re.search(r"^file0=%s\s*$" % re.escape(expected), stored, re.I | re.M):
        raise AssertionError("Settings.ini does not hold file0=%s: %r" % (expected, stored))


if __name__ == "__main__":
    scenario(run)
