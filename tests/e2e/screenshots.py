"""Screenshots of the program's windows in one language (E2E_LANGUAGE,
Polish.ini by default), for a person to check that no title or text is cut
off. Not a test: run by scripts/screenshots.sh in a session with no tray
(notraysession.sh), where the window standing in for the tray reaches every
other window, and with openbox drawing the title bars. The countdowns come
from a real completion: one expected file that is there, hang-up and
power-off asked for, NetworkManager and logind mocked on the private bus."""
import os
import subprocess

from e2e_sni import press
from e2e_typical_run import start_logind, start_network_manager
from quendral_e2e import Program, click_at, descendants, find, name, role, scenario, showing, top_windows, \
    wait_until, window, xdotool

LANGUAGE = os.environ.get("E2E_LANGUAGE", "Polish.ini")
PREFIX = os.path.splitext(LANGUAGE)[0].lower()
TICK = 30


def stand_in_window(app):
    for top in top_windows(app):
        if top is not None and name(top) == "Quendral" and showing(top) and len(buttons(top)) >= 5:
            return top
    return None


def buttons(top):
    return [node for node in descendants(top) if role(node) == "push button" and showing(node)]


class Shots:
    def __init__(self, program: Program, app):
        self.program, self.app, self.count = program, app, 0
        self.text = program.captions(LANGUAGE)

    def caption(self, key):
        return self.text[key]

    def take(self, label):
        self.count += 1
        self.program.screenshot("%s-%02d-%s" % (PREFIX, self.count, label))

    def open(self, key, timeout=20):
        """The window titled as the language file's `key`.Caption, once it shows."""
        title = self.caption(key + ".Caption")
        top = wait_until(lambda: window(self.app, title), timeout, "the window %r" % title)
        # Let the window manager frame and draw it.
        wait_until(lambda: mapped(title), 10, "%r mapped" % title)
        return top

    def closed(self, top, title):
        """Waits until the window `top` titled `title` has gone from AT-SPI
        and is no longer mapped, which AT-SPI does not wait for: the next
        shot must not show it."""
        wait_until(lambda: not showing(top), 10, "%r to close" % title)
        wait_until(lambda: not mapped("^%s$" % title), 10, "%r unmapped" % title)

    def press(self, top, key):
        label = self.caption(key)
        press(wait_until(lambda: find(top, ("push button",), label), 10, "the button %r" % label))

    def close(self, top):
        """Closes a window through the window manager, as its close box does."""
        title = name(top)
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                               capture_output=True, text=True).stdout.split()
        xdotool("windowactivate", "--sync", found[-1], "key", "alt+F4")
        self.closed(top, title)


def mapped(title):
    """Whether a window whose title matches `title` is on the screen."""
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], capture_output=True).returncode == 0


def run(program: Program):
    start_network_manager(program)
    start_logind(program)
    present = os.path.join(os.environ["E2E_ROOT"], "Pobrane", "plik.zip")
    os.makedirs(os.path.dirname(present))
    with open(present, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))
    program.write_settings({"options": {"language": LANGUAGE}, "Files": {"file0": present}})
    # A sound asked for with no file: the options window says so in a message box.
    program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "1", "notallfiles": "0",
                               "infofiles": "1", "sound": "1", "sound_path": ""})
    wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    program.processes.append(wm)
    process = program.start()
    app = program.wait_for_app(process)
    shots = Shots(program, app)
    stand_in = wait_until(lambda: stand_in_window(app), 30, "the window standing in for the tray")
    monitor, add_file, show_options, show_help, about = buttons(stand_in)[:5]
    # Loading the options window at start-up finds the sound missing; the
    # splash screen goes once that is answered.
    box = wait_until(lambda: message_box(app), 20, "the message box")
    shots.take("messagebox")
    press(find(box, ("push button",)))
    wait_until(lambda: not showing(box), 10, "the message box to close")
    wait_until(lambda: not [top for top in top_windows(app) if top is not None and showing(top)
                            and name(top) == "Quendral" and not buttons(top)], 20, "the splash screen to go")
    shots.take("frmtray")

    press(show_options)
    options = shots.open("frmmain")
    shots.take("frmmain")
    choose_sound(shots, options)
    shots.press(options, "frmmain.cmdcancel.Caption")
    shots.closed(options, shots.caption("frmmain.Caption"))

    press(add_file)
    watch_list = shots.open("frmadd")
    shots.take("frmadd")
    shots.press(watch_list, "frmadd.cmdadd.Caption")
    chooser = shots.open("frmdir")
    shots.take("frmdir")
    shots.press(chooser, "frmdir.cmdok.Caption")
    naming = shots.open("frmfile")
    shots.take("frmfile")
    shots.press(naming, "frmfile.cmdcancel.Caption")
    shots.press(chooser, "frmdir.cmdcancel.Caption")
    shots.press(watch_list, "frmadd.cmdcancel.Caption")
    shots.closed(watch_list, shots.caption("frmadd.Caption"))

    press(show_help)
    chooser = shots.open("frmprehelp")
    shots.take("frmprehelp")
    press(buttons(chooser)[1 if PREFIX == "english" else 0])
    help_window = shots.open("frmhelp")
    shots.take("frmhelp")
    shots.close(help_window)

    press(about)
    shots.open("frmabout")
    shots.take("frmabout")
    shots.close(window(app, shots.caption("frmabout.Caption")))

    press(monitor)
    shots.open("frminfo", TICK + 15)
    hang_up = shots.open("frmdis", 10)
    shots.take("frmdis-frminfo")
    shots.press(hang_up, "frmdis.cmddis.Caption")
    power_off = shots.open("frmshut")
    shots.take("frmshut")
    shots.press(power_off, "frmshut.cmdnotshut.Caption")


def choose_sound(shots, options):
    """The sound file dialog, with the name box's completion list open, and
    the options window after Enter chose the file: the list has gone too.
    Under Qt's GTK platform theme the dialog is GTK's own; Qt then holds an
    unseen stand-in for it, which AT-SPI shows as long as the dialog runs."""
    sounds = os.path.join(os.environ["HOME"], "sounds")
    os.makedirs(sounds)
    for name_ in ("beep.wav", "bell.wav"):
        with open(os.path.join(sounds, name_), "wb") as out:
            out.write(b"RIFF")
    known = {name(top) for top in top_windows(shots.app) if top is not None and showing(top)}
    # Clicked, not pressed through AT-SPI, whose call would wait for the modal dialog.
    click_at(find(options, ("check box",), shots.caption("frmmain.sound.Caption")))
    dialog = wait_until(lambda: next((top for top in top_windows(shots.app) if top is not None and showing(top)
                                      and name(top) not in known), None), 20, "the sound file dialog")
    title = shots.program.message(LANGUAGE, "sounddialogtitle")
    wait_until(lambda: mapped("^%s$" % title), 10, "%r mapped" % title)
    xdotool("type", "--delay", 50, sounds + "/be")
    shots.take("sound-dialog")
    if os.environ.get("QT_QPA_PLATFORMTHEME") == "gtk3":
        # GTK's list narrows to the one name; Enter with no row picked opens it.
        xdotool("type", "--delay", 50, "ep.wav")
        xdotool("key", "Return")
    else:
        xdotool("key", "Down", "Return")
        xdotool("key", "Return")
    wait_until(lambda: not showing(dialog), 10, "the sound file dialog to close")
    shots.take("sound-chosen")


def message_box(app):
    for top in top_windows(app):
        if top is not None and role(top) in ("alert", "dialog") and showing(top) and buttons(top):
            return top
    return None


if __name__ == "__main__":
    scenario(run, language=LANGUAGE)
