"""The tray menu's "Dodaj plik" opens the watch-list window; its Add opens the
folder chooser, where a single click highlights a folder; OK opens the
file-name window, whose OK adds folder/name to the list; Apply stores it as
file0 in Settings.ini. With the window open again, an --add and then a
completion's emptying of the list are not undone by its Apply."""
import json
import os
import re
import subprocess
import time

from e2e_typical_run import start_network_manager
from quendral_e2e import MenuWatcher, Program, click_at, click_tray_icon, descendants, find, name, role, scenario, \
    selected, showing, text_of, tray_icons, type_text, wait_until, window

WATCH_LIST = "Quendral - lista plików"
FOLDER_CHOOSER = "Przeglądaj w poszukiwaniu folderu:"
FILE_NAME = "Określ nazwę pliku:"
FOLDER = "Pobrane"
FILE = "plik.zip"
MARKER = os.path.join(os.environ.get("HOME", "/nonexistent"), "ran")


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

    # For the completion at the end: at any file, no countdown, a command
    # that counts its runs.
    script = os.path.join(os.environ["HOME"], "ran.sh")
    with open(script, "w") as out:
        out.write("#!/bin/sh\necho x >>'%s'\n" % MARKER)
    os.chmod(script, 0o755)
    program.write_user_values({"first": "1", "autodisconnect": "0", "autocomp_off": "0", "notallfiles": "1",
                               "infofiles": "0", "sound": "0", "Command": script})
    # Ticks come from --check-now alone.
    os.environ["QUENDRAL_TICK_MS"] = "600000"
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
    changed_behind_the_window(program, app, expected)


def stored_entries(program: Program):
    return json.loads(command(program, "--status", "--json").stdout)["entries"]


def command(program: Program, *arguments):
    done = subprocess.run([program.executable, *arguments], capture_output=True, text=True, timeout=30)
    if done.returncode != 0:
        raise AssertionError("%r ended %d: %r" % (arguments, done.returncode, done.stderr))
    return done


def apply_and_close(watch_list):
    click_at(find(watch_list, ("push button",), "Zastosuj"))
    wait_until(lambda: not showing(watch_list), 10, "the watch-list window to close")


def changed_behind_the_window(program: Program, app, expected):
    """An --add while the window is open stays after its Apply; so does a
    completion's emptying of the list, and the completion runs once."""
    start_network_manager(program)
    added = os.path.join(os.path.dirname(expected), "inny.zip")
    watch_list = open_watch_list(app)
    command(program, "--add", added)
    apply_and_close(watch_list)
    if [entry["path"] for entry in stored_entries(program)] != [added, expected]:
        raise AssertionError("Apply undid the --add: %r" % stored_entries(program))

    watch_list = open_watch_list(app)
    command(program, "--monitor")
    with open(expected, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))

    def tick_until_emptied():
        command(program, "--check-now")
        return not stored_entries(program)

    wait_until(tick_until_emptied, 30, "the completion to empty the list")
    apply_and_close(watch_list)
    if stored_entries(program):
        raise AssertionError("Apply restored entries a completion emptied: %r" % stored_entries(program))
    # Monitoring goes on over the emptied list: a restored list would complete
    # a second time at this tick.
    command(program, "--check-now")
    time.sleep(3)
    with open(MARKER) as ran:
        if ran.read() != "x\n":
            raise AssertionError("the completion's command did not run exactly once")


if __name__ == "__main__":
    scenario(run)
