"""The program as the Debian package installs it (unpacked under
QUENDRAL_INSTALLED_ROOT by installed.sh, its program folder mounted
read-only), started through usr/bin/quendral: the first start writes the
language into the user's own Settings.ini, the watch list applied from its
window lands there too, and monitoring reads it back from there: it starts,
and once the file is there the tick empties the list in that file and opens
the hang-up countdown (a connected modem in the NetworkManager mock)."""
import errno
import os
import re
import subprocess

from e2e_options import OPTIONS_PL, apply, box
from e2e_typical_run import COUNTDOWN_TEXT, start_network_manager
from e2e_watchlist import FILE, FOLDER, choose_folder, name_the_file, open_watch_list
from quendral_e2e import RUN_ENTRY, MenuWatcher, Program, checked, click_at, click_nowhere, click_tray_icon, find, \
    scenario, showing, tray_icons, wait_until, window

START = "Uruchamiaj Quendral po zalogowaniu"
MENU_ICON = "Dodaj ikonę Quendral do menu aplikacji"


class InstalledProgram(Program):
    """The unpacked package; the settings file is the user's own."""

    def __init__(self):
        root = os.environ["QUENDRAL_INSTALLED_ROOT"]
        self.folder = os.path.join(root, "usr", "lib", "quendral")
        self.executable = os.path.join(root, "usr", "bin", "quendral")
        self.settings = os.path.join(os.environ["XDG_DATA_HOME"], "Quendral", "Settings.ini")
        self.artefacts = os.environ.get("E2E_ARTEFACTS", os.path.join(os.environ["E2E_ROOT"], "artefacts"))
        os.makedirs(self.artefacts, exist_ok=True)
        self.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0", "notallfiles": "0",
                                "infofiles": "0", "sound": "0"})
        self.processes = []

    def read_settings(self):
        try:
            with open(self.settings, encoding="utf-8") as file:
                return file.read()
        except FileNotFoundError:
            return ""


def check_read_only(folder):
    try:
        with open(os.path.join(folder, "probe"), "w"):
            pass
    except OSError as error:
        if error.errno == errno.EROFS:
            return
        raise
    raise AssertionError("the program folder %s can be written" % folder)


def entry_lines(path):
    with open(path, encoding="utf-8") as file:
        return file.read().splitlines()


def check_entries(program: InstalledProgram, app):
    """Checks both integration boxes in the options window and applies."""
    options = wait_until(lambda: window(app, OPTIONS_PL), 10, "the options window")
    for text in (START, MENU_ICON):
        check_box = box(options, text)
        click_at(check_box)
        wait_until(lambda: checked(check_box), 10, 'the box "%s" to be checked' % text)
    apply(options)
    autostart = os.path.join(os.environ["XDG_CONFIG_HOME"], "autostart", RUN_ENTRY)
    launcher = os.path.join(os.environ["XDG_DATA_HOME"], "applications", "quendral-launcher.desktop")
    wait_until(lambda: os.path.exists(autostart) and os.path.exists(launcher), 10, "both entries")
    if 'Exec="%s"' % program.executable not in entry_lines(autostart):
        raise AssertionError("the start-at-logon entry does not run %s: %r"
                             % (program.executable, entry_lines(autostart)))
    for line in ('Exec="%s/quendral"' % program.folder, "Icon=%s/quendral.svg" % program.folder):
        if line not in entry_lines(launcher):
            raise AssertionError("the launcher lacks %s: %r" % (line, entry_lines(launcher)))
    for entry in (autostart, launcher):
        validate = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        if validate.returncode != 0 or validate.stdout or validate.stderr:
            raise AssertionError("desktop-file-validate %s: %s%s" % (entry, validate.stdout, validate.stderr))
        # What the entry runs reaches the running copy.
        command = next(line for line in entry_lines(entry) if line.startswith("Exec="))[len("Exec="):].strip('"')
        status = subprocess.run([command, "--status"], capture_output=True, text=True)
        if status.returncode != 0 or not status.stdout.startswith("state: "):
            raise AssertionError("%s --status, the command of %s: %d %r %r"
                                 % (command, entry, status.returncode, status.stdout, status.stderr))


def check_programs(program: InstalledProgram, process):
    """The three programs are installed, and the start through
    usr/bin/quendral became the GUI program in the same process."""
    for name in ("quendral", "quendral-cli", "quendral-gui"):
        if not os.access(os.path.join(program.folder, name), os.X_OK):
            raise AssertionError("%s is not installed in %s" % (name, program.folder))
    running = os.readlink("/proc/%d/exe" % process.pid)
    if running != os.path.join(program.folder, "quendral-gui"):
        raise AssertionError("the started process runs %s" % running)
    # The status the launcher prints itself is the Qt front's to the byte.
    for arguments in (["--status"], ["--status", "--json"]):
        said = [subprocess.run([os.path.join(program.folder, name)] + arguments, capture_output=True)
                for name in ("quendral", "quendral-cli")]
        if said[0].returncode != 0 or (said[0].stdout, said[0].stderr) != (said[1].stdout, said[1].stderr):
            raise AssertionError("%s: quendral said %r, quendral-cli %r" % (arguments, said[0], said[1]))


def stored(program, pattern):
    return re.search(pattern, program.read_settings(), re.IGNORECASE | re.MULTILINE)


def run(program: InstalledProgram):
    check_read_only(program.folder)
    start_network_manager(program)
    # The first start picks the language from the locale.
    os.environ.pop("LC_ALL", None)
    os.environ["LC_MESSAGES"] = "pl_PL.UTF-8"
    folder = os.path.join(os.environ["HOME"], FOLDER)
    os.makedirs(folder)
    expected = folder + "/" + FILE

    watcher = MenuWatcher()
    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    check_programs(program, process)
    wait_until(lambda: stored(program, r"^language=Polish\.ini\s*$"), 10, "language=Polish.ini in the user's file")
    app = program.app(process)
    watch_list = open_watch_list(app)
    click_at(find(watch_list, ("push button",), "Dodaj plik"))
    chooser = choose_folder(program, app)
    name_the_file(program, app, folder)
    wait_until(lambda: not showing(chooser), 10, "the folder chooser to close")
    wait_until(lambda: find(watch_list, ("list item",), expected), 10, "the new entry in the watch list")
    click_at(find(watch_list, ("push button",), "Zastosuj"))
    wait_until(lambda: not showing(watch_list), 10, "the watch-list window to close")
    if not stored(program, r"^file0=%s\s*$" % re.escape(expected)):
        raise AssertionError("the user's Settings.ini does not hold file0=%s: %r" % (expected, program.read_settings()))
    if os.path.exists(os.path.join(program.folder, "Settings.ini")):
        raise AssertionError("a Settings.ini appeared in the program folder")
    check_entries(program, app)

    watcher.menus.clear()
    click_tray_icon(3)
    menu = watcher.wait_for_menu()
    click_at(find(menu, ("menu item",), "Monitoruj"))
    wait_until(lambda: not showing(menu), 10, "the menu to close")
    watcher.menus.clear()
    click_tray_icon(3)
    menu = watcher.wait_for_menu()
    entry = watcher.entries(menu)[0]
    click_nowhere()
    watcher.close()
    if entry != "Zatrzymaj":
        raise AssertionError("monitoring did not start: the entry reads %r" % entry)

    with open(expected, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))
    wait_until(lambda: find(app, ("label",), COUNTDOWN_TEXT), 45, "the hang-up countdown")
    program.screenshot("countdown")
    if not stored(program, r"^file0=\s*$"):
        raise AssertionError("the watch list was not emptied in the user's file: %r" % program.read_settings())


if __name__ == "__main__":
    scenario(run, program_class=InstalledProgram)
