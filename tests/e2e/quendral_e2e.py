"""Drives the real program inside a session made by xsession.sh, as a person
would: reads its windows through AT-SPI, clicks with xdotool, keeps
screenshots. Run with Debian's /usr/bin/python3 (gi with Atspi).

Every wait polls for a visible effect with a deadline; nothing sleeps for a
fixed time hoping that something has happened."""

import ctypes
import os
import re
import shutil
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

USER_KEY = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Quendral\\Settings"
RUN_ENTRY = "quendral-1.2.desktop"
LAUNCHER = "quendral-launcher.desktop"
MENU_ENTRIES_PL = ["Monitoruj", "Dodaj plik", "Pokaż opcje", "Pomoc", "O programie...", "Zamknij"]


# --- waiting -----------------------------------------------------------------

def pump(seconds=0.05):
    """Lets AT-SPI events arrive for a short while."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(0.01)


def wait_until(check, timeout, what):
    """Polls `check` until it gives a true value, which it returns, letting
    AT-SPI events in between; fails after `timeout` seconds, naming `what`.
    The one wait of every script here, sni.py's included."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %g s waiting for %s" % (timeout, what))
        pump()


# --- X11 ---------------------------------------------------------------------

class _X11:
    def __init__(self):
        lib = ctypes.CDLL("libX11.so.6")
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XInternAtom.restype = ctypes.c_ulong
        lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.XGetSelectionOwner.restype = ctypes.c_ulong
        lib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        lib.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)), ctypes.POINTER(ctypes.c_uint)]
        lib.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long,
                                           ctypes.c_long, ctypes.c_int, ctypes.c_ulong,
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                           ctypes.POINTER(ctypes.c_void_p)]
        lib.XFree.argtypes = [ctypes.c_void_p]
        lib.XSetErrorHandler.argtypes = [ctypes.c_void_p]
        self.lib = lib
        # Windows come and go while we walk the tree; their errors are expected.
        self._ignore = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
        lib.XSetErrorHandler(ctypes.cast(self._ignore, ctypes.c_void_p))
        self.display = lib.XOpenDisplay(None)
        if not self.display:
            raise AssertionError("cannot open the X display")
        self.root = lib.XDefaultRootWindow(self.display)

    def atom(self, name):
        return self.lib.XInternAtom(self.display, name.encode(), 0)

    def selection_owner(self, name):
        return self.lib.XGetSelectionOwner(self.display, self.atom(name))

    def children(self, window):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        kids, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self.lib.XQueryTree(self.display, window, ctypes.byref(root), ctypes.byref(parent),
                                   ctypes.byref(kids), ctypes.byref(count)):
            return []
        found = [kids[i] for i in range(count.value)]
        if kids:
            self.lib.XFree(kids)
        return found

    def has_property(self, window, name):
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        items, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = self.lib.XGetWindowProperty(self.display, window, self.atom(name), 0, 4, 0, 0,
                                             ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(items),
                                             ctypes.byref(after), ctypes.byref(data))
        if data:
            self.lib.XFree(data)
        return status == 0 and kind.value != 0

    def windows(self, top=None):
        stack, found = [top or self.root], []
        while stack:
            window = stack.pop()
            found.append(window)
            stack.extend(self.children(window))
        return found


_x11 = None


def x11():
    global _x11
    if _x11 is None:
        _x11 = _X11()
    return _x11


def viewable(window):
    info = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True).stdout
    return "IsViewable" in info


def tray_icons():
    """The embedded tray icons that are on screen. Every Qt window carries
    _XEMBED_INFO; an icon is one that the tray host has taken in, so it is
    no longer a top-level window."""
    if not x11().selection_owner("_NET_SYSTEM_TRAY_S0"):
        return []
    embedded = []
    for top in x11().children(x11().root):
        for window in x11().windows(top)[1:]:
            if x11().has_property(window, "_XEMBED_INFO") and viewable(window):
                embedded.append(window)
    return embedded


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def click_tray_icon(button):
    icon = wait_until(tray_icons, 20, "the tray icon")[0]
    xdotool("mousemove", "--window", icon, 8, 8)
    xdotool("click", button)


def click_nowhere():
    """Closes a popup menu the way a person does: a click on the empty desktop."""
    xdotool("mousemove", 300, 500)
    xdotool("click", 1)


def type_text(text):
    """Types into the widget that has the keyboard focus."""
    xdotool("type", "--delay", 20, text)


def device_pixels(accessible):
    """How many screen pixels one pixel of the accessible's extents is. Qt
    gives AT-SPI its device-independent pixels, which QT_SCALE_FACTOR
    enlarges on the screen (these sessions run at 96 dpi, where Qt adds no
    scaling of its own); other toolkits give screen pixels."""
    try:
        toolkit = accessible.get_application().get_toolkit_name()
    except GLib.Error:
        toolkit = ""
    return float(os.environ.get("QT_SCALE_FACTOR") or 1) if toolkit == "Qt" else 1.0


def point_at(accessible):
    box = accessible.get_extents(Atspi.CoordType.SCREEN)
    scale = device_pixels(accessible)
    xdotool("mousemove", round((box.x + box.width / 2) * scale), round((box.y + box.height / 2) * scale))


def click_at(accessible):
    point_at(accessible)
    xdotool("click", 1)


# --- AT-SPI ------------------------------------------------------------------

def applications(pid):
    """The accessible applications of a process. A Qt program under the GTK
    platform theme (QT_QPA_PLATFORMTHEME=gtk3) has two: GTK's own, holding
    only the theme's native dialogs, beside Qt's."""
    Atspi.init()  # once per process; later calls do nothing
    desktop = Atspi.get_desktop(0)
    found = []
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is not None and app.get_process_id() == pid:
                found.append(app)
        except GLib.Error:
            continue
    return found


def application(pid):
    """The process's Qt application, which holds its windows."""
    for app in applications(pid):
        try:
            if app.get_toolkit_name() == "Qt":
                return app
        except GLib.Error:
            continue
    return None


def _has_state(node, state):
    try:
        return node.get_state_set().contains(state)
    except GLib.Error:
        return False


def showing(node):
    return _has_state(node, Atspi.StateType.SHOWING)


def descendants(node):
    stack = [node]
    while stack:
        current = stack.pop()
        try:
            count = current.get_child_count()
        except GLib.Error:
            continue
        for i in range(count):
            child = current.get_child_at_index(i)
            if child is not None:
                yield child
                stack.append(child)


def role(node):
    try:
        return node.get_role_name()
    except GLib.Error:
        return ""


def name(node):
    try:
        return node.get_name() or ""
    except GLib.Error:
        return ""


def find(node, roles, text=None):
    """The first showing descendant with one of `roles` and, when given, that name."""
    if node is None:
        return None
    for child in descendants(node):
        if role(child) in roles and (text is None or name(child) == text) and showing(child):
            return child
    return None


def top_windows(app):
    if app is None:
        return []
    try:
        return [app.get_child_at_index(i) for i in range(app.get_child_count())]
    except GLib.Error:
        return []


def window(app, title):
    """A showing top-level window of the program whose title is `title`."""
    for top in top_windows(app):
        if top is not None and name(top) == title and showing(top):
            return top
    return None


def checked(node):
    return _has_state(node, Atspi.StateType.CHECKED)


def selected(node):
    return _has_state(node, Atspi.StateType.SELECTED)


def text_of(node):
    """The contents of a text box (its name is its label's caption)."""
    try:
        return node.get_text(0, -1)
    except GLib.Error:
        return ""


def alert(app, text):
    """A showing message box whose text is `text`."""
    for window in top_windows(app):
        if window is not None and role(window) in ("alert", "dialog") and showing(window) \
                and find(window, ("label", "static"), text):
            return window
    return None


class MenuWatcher:
    """Collects the popup menus that appear; a tray menu is no child of the
    application, but its "showing" event names it. Subscribe before opening."""

    def __init__(self):
        self.menus = []
        self._listener = Atspi.EventListener.new(self._event)
        self._listener.register("object:state-changed:showing")

    def _event(self, event):
        if event.detail1 == 1 and role(event.source) in ("popup menu", "menu"):
            self.menus.append(event.source)

    def entries(self, menu):
        return [name(menu.get_child_at_index(i)) for i in range(menu.get_child_count())]

    def wait_for_menu(self, timeout=10, tries=3):
        """The menu a right click on the tray icon opened. A program still busy
        starting (a sanitized build on a loaded machine) may let the click pass:
        then the icon is clicked again."""
        for attempt in range(tries):
            try:
                return wait_until(lambda: self.menus[-1] if self.menus else None, timeout, "a popup menu")
            except AssertionError:
                if attempt == tries - 1:
                    raise
                click_tray_icon(3)

    def close(self):
        self._listener.deregister("object:state-changed:showing")


# --- the program -------------------------------------------------------------

class Program:
    """A private copy of the program folder and the running program."""

    def __init__(self, language="Polish.ini", first="1"):
        root = os.environ["E2E_ROOT"]
        self.folder = os.path.join(root, "program")
        if not os.path.isdir(self.folder):
            shutil.copytree(os.environ["QUENDRAL_PROGRAM_DIR"], self.folder)
        self.executable = os.path.join(self.folder, "quendral")
        self.artefacts = os.environ.get("E2E_ARTEFACTS", os.path.join(root, "artefacts"))
        os.makedirs(self.artefacts, exist_ok=True)
        self.write_settings({"options": {"language": language}})
        if first is not None:
            self.write_user_values({"first": first})
        self.processes = []

    def write_settings(self, sections):
        with open(os.path.join(self.folder, "Settings.ini"), "w", encoding="cp1250", newline="\r\n") as out:
            for section, keys in sections.items():
                out.write("[%s]\n" % section)
                for key, value in keys.items():
                    out.write("%s=%s\n" % (key, value))

    def read_settings(self):
        with open(os.path.join(self.folder, "Settings.ini"), encoding="cp1250") as file:
            return file.read()

    @staticmethod
    def user_hive():
        return os.path.join(os.environ["XDG_CONFIG_HOME"], "Quendral", "user.reg")

    def write_user_values(self, values):
        os.makedirs(os.path.dirname(self.user_hive()), exist_ok=True)
        with open(self.user_hive(), "w", encoding="utf-8") as out:
            out.write("Windows Registry Editor Version 5.00\n\n[%s]\n" % USER_KEY)
            for key, value in values.items():
                out.write('"%s"="%s"\n' % (key, value))

    def captions(self, language):
        """The text lines of a shipped language file: "window.control.Property"
        to the value, the access-key "&" taken out as a screen shows it."""
        with open(os.path.join(self.folder, "Languages", language), "rb") as file:
            raw = file.read()
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError:
            text = raw.decode("cp1250")
        found = {}
        for line in text.split("\r\n"):
            key, separator, value = line.partition("==")
            if separator and key:
                found[key] = re.sub(r"&(.)", r"\1", value.split("==")[0])
        return found

    def message(self, language, key):
        """A text of the [Messages] section of a shipped language file."""
        with open(os.path.join(self.folder, "Languages", language), encoding="utf-8") as file:
            messages = file.read().split("[Messages]", 1)[1]
        return re.search(r"^%s=(.*?)\r?$" % re.escape(key), messages, re.MULTILINE | re.IGNORECASE).group(1)

    def user_values_text(self):
        try:
            with open(self.user_hive(), encoding="utf-8") as file:
                return file.read()
        except FileNotFoundError:
            return ""

    def start(self, *arguments):
        process = subprocess.Popen([self.executable, *arguments], cwd=self.folder)
        self.processes.append(process)
        return process

    def app(self, process):
        return application(process.pid)

    def wait_for_app(self, process, timeout=20):
        return wait_until(lambda: self.app(process), timeout, "the program on the accessibility bus")

    def wait_for_exit(self, process, timeout=20):
        wait_until(lambda: process.poll() is not None, timeout, "the program to end")
        return process.returncode

    def screenshot(self, label):
        path = os.path.join(self.artefacts, label + ".png")
        subprocess.run(["import", "-window", "root", path], check=True)
        return path

    def stop(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()


def check_tray_menu(program, expected, label):
    """Opens the tray menu with a right click, compares its entries with
    `expected`, keeps a screenshot and closes the menu again."""
    watcher = MenuWatcher()
    click_tray_icon(3)
    menu = watcher.wait_for_menu()
    entries = watcher.entries(menu)
    if entries != expected:
        raise AssertionError("menu entries %r, expected %r" % (entries, expected))
    program.screenshot(label)
    click_nowhere()
    wait_until(lambda: not showing(menu), 10, "the menu to close")
    watcher.close()


def start_monitoring(program, arm=lambda: None):
    """Starts the program and, its icon in the tray, calls `arm` (the options
    count from the start of monitoring) and chooses "Monitoruj" from the tray
    menu. Returns the program's application and what `arm` returned."""
    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    armed = arm()
    watcher = MenuWatcher()
    click_tray_icon(3)
    menu = watcher.wait_for_menu()
    click_at(find(menu, ("menu item",), "Monitoruj"))
    wait_until(lambda: not showing(menu), 10, "the menu to close")
    watcher.close()
    return program.wait_for_app(process), armed


def scenario(body, program_class=None, **options):
    """Runs one scenario against a fresh program folder (or what
    `program_class` provides) and turns its result into an exit status; the
    program copies it started are stopped."""
    program = (program_class or Program)(**options)
    try:
        body(program)
    except AssertionError as failure:
        print("FAIL:", failure, file=sys.stderr)
        sys.exit(1)
    finally:
        program.stop()
    print("PASS")


def _wait_tray_host():
    wait_until(lambda: x11().selection_owner("_NET_SYSTEM_TRAY_S0"), 20, "the tray host")


if __name__ == "__main__" and sys.argv[1:] == ["wait-tray-host"]:
    _wait_tray_host()
