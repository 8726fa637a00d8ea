"""Talks to a program's tray icon the way a StatusNotifierItem tray does: over
the session bus, through the StatusNotifierWatcher, the item and its
com.canonical.dbusmenu menu. Run with Debian's /usr/bin/python3 (dbus, gi).

What Qt 6.4 exports (QSystemTrayIcon + setContextMenu), as seen on the bus:
  - when a StatusNotifierHost is registered at the moment the first tray icon
    (or the first isSystemTrayAvailable() call) is made, Qt opens a second bus
    connection of its own for the icon, exports org.kde.StatusNotifierItem at
    /StatusNotifierItem on it and calls the watcher's
    RegisterStatusNotifierItem(s) with that connection's unique name (":1.N",
    no well-known name). Otherwise it uses the X11 tray for the whole life of
    the process (on Wayland: no icon at all), whatever trays come later;
  - the item's Menu property is /MenuBar, a com.canonical.dbusmenu object whose
    labels carry the access key as "_" ("&Monitor" -> "_Monitor"), hidden
    actions stay in the layout with visible=false, icons come as PNG bytes in
    "icon-data" (or a theme name in "icon-name");
  - Activate(x, y) -> activated(Trigger), SecondaryActivate -> MiddleClick,
    ContextMenu -> Context (x, y are not passed on); Event(id, "clicked", v, u)
    -> QAction::triggered before the call returns (nothing for a disabled
    action); AboutToShow(0) and Event(0, "closed") -> the QMenu's aboutToShow
    and aboutToHide; text, enabled and visible changes are sent at once
    (ItemsPropertiesUpdated), added or removed actions as LayoutUpdated;
  - without setContextMenu the Menu property is /NO_DBUSMENU: a tray then has
    no menu to draw; gtk-sni-tray-standalone does nothing on a right click,
    other trays call ContextMenu;
  - a watcher that appears later is registered with again, but
    status-notifier-watcher owns its name before it serves its object, so
    that can fail (UnknownObject) and Qt does not try again;
  - gtk-sni-tray-standalone shows enabled/visible changes in a menu it has
    built, but not label changes (until the layout changes): check labels
    with Item.labels(), which reads what the program exports.

Every wait polls with a deadline; nothing sleeps for a fixed time hoping that
something has happened. Processes started here have their ids appended to
$E2E_ROOT/pids, so that the session script stops them even if the test dies.

Command line (inside a session): sni.py wait-watcher | wait-host | host |
items | layout [PID] | click LABEL [PID] | activate [PID]"""

import collections
import os
import re
import signal
import subprocess
import sys
import time

import dbus

from quendral_e2e import wait_until

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
ITEM_PATH = "/StatusNotifierItem"
NO_MENU = "/NO_DBUSMENU"
MENU = "com.canonical.dbusmenu"
PROPERTIES = "org.freedesktop.DBus.Properties"
HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"

# --- waiting and the bus -----------------------------------------------------


_bus = None


def bus():
    """A private connection to the session bus (no main loop: every call blocks
    until its answer)."""
    global _bus
    if _bus is None:
        _bus = dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])
    return _bus


def _quietly(call, default=None):
    """A call whose failure means "not there (yet)"."""
    try:
        return call()
    except dbus.DBusException:
        return default


def _watcher_property(name):
    proxy = bus().get_object(WATCHER, WATCHER_PATH, introspect=False)
    return proxy.Get(WATCHER, name, dbus_interface=PROPERTIES)


def watcher_ready():
    """The watcher owns its name and answers for its object."""
    return _quietly(lambda: _watcher_property("ProtocolVersion") is not None, False)


def host_registered():
    return bool(_quietly(lambda: _watcher_property("IsStatusNotifierHostRegistered"), False))


def registered_items():
    """The watcher's RegisteredStatusNotifierItems: "service" or "service/path"."""
    return [str(entry) for entry in _quietly(lambda: _watcher_property("RegisteredStatusNotifierItems"), [])]


def wait_for_watcher(timeout=20):
    wait_until(watcher_ready, timeout, "the StatusNotifierWatcher")


def wait_for_host(timeout=20):
    wait_until(host_registered, timeout, "a StatusNotifierHost registered with the watcher")


def owner_pid(service):
    daemon = bus().get_object("org.freedesktop.DBus", "/org/freedesktop/DBus", introspect=False)
    return _quietly(lambda: int(daemon.GetConnectionUnixProcessID(service, dbus_interface="org.freedesktop.DBus")))


# --- the item ----------------------------------------------------------------

MenuEntry = collections.namedtuple("MenuEntry", "id label enabled has_icon kind toggle children")
MenuEntry.__doc__ = """One visible menu entry: `label` as a screen shows it (access-key
marks taken out), `kind` "standard" or "separator", `toggle` None or the
check state (0, 1), `children` the entries of its submenu."""


def plain_label(label):
    """A dbusmenu label as shown: "_" marks the access key, "__" is a "_"."""
    return re.sub(r"_(.)", r"\1", label)


class Item:
    """A registered StatusNotifierItem and its menu."""

    def __init__(self, entry):
        service, slash, path = entry.partition("/")
        self.entry = entry
        self.service = service
        self.path = "/" + path if slash else ITEM_PATH
        self.pid = owner_pid(service)

    def __repr__(self):
        return "<Item %s%s pid %s>" % (self.service, self.path, self.pid)

    def _object(self, path):
        return bus().get_object(self.service, path, introspect=False)

    # The item's own properties and methods.

    def properties(self):
        return self._object(self.path).GetAll(ITEM, dbus_interface=PROPERTIES)

    def property(self, name):
        return self._object(self.path).Get(ITEM, name, dbus_interface=PROPERTIES)

    def has_icon(self):
        """An icon by theme name or by pixels (a(iiay): width, height, ARGB32)."""
        values = self.properties()
        return bool(str(values.get("IconName", ""))) or any(
            int(w) > 0 and int(h) > 0 and len(data) == 4 * int(w) * int(h) for w, h, data in values.get("IconPixmap", []))

    def tooltip(self):
        """The tool tip's title and text ((sa(iiay)ss): icon name, icon, title, text)."""
        _icon_name, _icon, title, text = self.property("ToolTip")
        return str(title), str(text)

    def activate(self, x=0, y=0):
        """What a left click on the icon does: QSystemTrayIcon::activated(Trigger)."""
        self._object(self.path).Activate(dbus.Int32(x), dbus.Int32(y), dbus_interface=ITEM)

    def secondary_activate(self, x=0, y=0):
        """A middle click: activated(MiddleClick)."""
        self._object(self.path).SecondaryActivate(dbus.Int32(x), dbus.Int32(y), dbus_interface=ITEM)

    def context_menu(self, x=0, y=0):
        """What a tray that does not draw menus itself asks: activated(Context)."""
        self._object(self.path).ContextMenu(dbus.Int32(x), dbus.Int32(y), dbus_interface=ITEM)

    # The menu (com.canonical.dbusmenu).

    def menu_path(self):
        return str(self.property("Menu"))

    def has_menu(self):
        """Qt names /NO_DBUSMENU when the icon has no setContextMenu menu; a
        tray then calls ContextMenu(x, y) on a right click instead."""
        return self.menu_path() not in ("", "/", NO_MENU)

    def _menu(self):
        path = self.menu_path()
        if path in ("", "/", NO_MENU):
            raise AssertionError("the tray item exports no menu (Menu is %r: no QSystemTrayIcon::setContextMenu)"
                                 % path)
        return self._object(path)

    def about_to_show(self, entry_id=0):
        """What a tray calls before it opens a menu; Qt emits QMenu::aboutToShow."""
        return bool(self._menu().AboutToShow(dbus.Int32(entry_id), dbus_interface=MENU))

    def raw_layout(self):
        revision, layout = self._menu().GetLayout(dbus.Int32(0), dbus.Int32(-1), dbus.Array([], signature="s"),
                                                  dbus_interface=MENU)
        return int(revision), layout

    def layout(self):
        """The visible entries of the menu, as a tray would draw them."""
        return _entries(self.raw_layout()[1])

    def labels(self):
        """The labels of the visible top-level entries, separators left out."""
        return [entry.label for entry in self.layout() if entry.kind != "separator"]

    def find(self, label):
        """The visible entry called `label` (as shown), in the menu or a submenu."""
        stack = list(reversed(self.layout()))
        while stack:
            entry = stack.pop()
            if entry.label == label and entry.kind != "separator":
                return entry
            stack.extend(reversed(entry.children))
        return None

    def event(self, entry_id, event_id, data=None, wait=True):
        if data is None:
            data = dbus.Int32(0, variant_level=1)
        self._menu().Event(dbus.Int32(entry_id), event_id, data, dbus.UInt32(int(time.time()) & 0xffffffff),
                           dbus_interface=MENU, ignore_reply=not wait)

    def click(self, label, check_enabled=True, wait=True):
        """Chooses the entry called `label` as a tray does when a person clicks it:
        the menu is announced (AboutToShow), read, opened, the entry clicked.
        Fails when there is no such visible entry or, unless told otherwise,
        when it is disabled. Qt answers the click once the entry's handler
        returns: for an entry that opens a modal box, pass wait=False (as trays
        do, they never wait for the answer)."""
        self.about_to_show(0)
        entry = self.find(label)
        if entry is None:
            raise AssertionError("no menu entry %r among %r" % (label, self.labels()))
        if check_enabled and not entry.enabled:
            raise AssertionError("menu entry %r is disabled" % label)
        self.event(0, "opened")
        self.event(entry.id, "clicked", wait=wait)
        # The entry may have ended the program or rebuilt the menu.
        _quietly(lambda: self.event(0, "closed"))
        return entry

    def wait_for_labels(self, expected, timeout=10):
        """Waits until the visible top-level labels are `expected`."""
        wait_until(lambda: self.labels() == list(expected), timeout,
                   "the menu %r (now %r)" % (list(expected), _quietly(self.labels)))


def _entries(node):
    found = []
    for child in node[2]:
        entry_id, props, _children = child
        if not bool(props.get("visible", True)):
            continue
        kind = str(props.get("type", "standard"))
        toggle = None
        if str(props.get("toggle-type", "")) in ("checkmark", "radio"):
            toggle = int(props.get("toggle-state", -1))
        found.append(MenuEntry(
            id=int(entry_id),
            label=plain_label(str(props.get("label", ""))),
            enabled=bool(props.get("enabled", True)),
            has_icon=bool(str(props.get("icon-name", ""))) or len(props.get("icon-data", [])) > 0,
            kind=kind,
            toggle=toggle,
            children=_entries(child)))
    return found


def items():
    return [Item(entry) for entry in registered_items()]


def item_of(pid):
    """The item the process `pid` registered, if any."""
    for item in items():
        if item.pid == pid:
            return item
    return None


def wait_for_item(pid=None, timeout=20):
    """The item of process `pid` (or the first item) once it is registered and
    answers for itself."""
    def ready():
        found = item_of(pid) if pid is not None else next(iter(items()), None)
        if found is None:
            return None
        return found if _quietly(lambda: str(found.property("Status")), "") else None
    return wait_until(ready, timeout, "the tray item of %s" % (pid if pid is not None else "any program"))


def wait_for_no_item(pid, timeout=20):
    wait_until(lambda: item_of(pid) is None, timeout, "the tray item of %s to go" % pid)


# --- the GTK tray bar, as a person uses it ------------------------------------
# gtk-sni-tray-standalone draws the items as icons in a bar at the top of its X
# display (the test's, or in westonsession.sh one of its own, named by
# E2E_HOST_DISPLAY) and, on a right click, the item's menu as a GTK menu; both
# are on the accessibility bus. A left click calls Activate, a middle click
# SecondaryActivate, a right click AboutToShow(0) and GetLayout, and choosing
# an entry Event(id, "clicked").

HOST_APP = "gtk-sni-tray-standalone"


def _a11y():
    import quendral_e2e  # AT-SPI is set up only for the tests that read the tray bar
    quendral_e2e.Atspi.init()
    return quendral_e2e


def host_display():
    return os.environ.get("E2E_HOST_DISPLAY") or os.environ["DISPLAY"]


def _xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, env=dict(os.environ, DISPLAY=host_display()))


def _click(accessible, button=1):
    box = accessible.get_extents(_a11y().Atspi.CoordType.SCREEN)
    _xdotool("mousemove", box.x + box.width // 2, box.y + box.height // 2)
    _xdotool("click", button)


def host_application():
    a11y = _a11y()
    desktop = a11y.Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and a11y.name(app) == HOST_APP:
            return app
    return None


def host_icons():
    """The icons the tray bar shows, in its order."""
    a11y = _a11y()
    app = host_application()
    if app is None:
        return []
    return [node for node in a11y.descendants(app) if a11y.role(node) == "icon" and a11y.showing(node)]


def click_host_icon(button, index=-1, timeout=20):
    """Clicks an icon of the tray bar (the newest by default) with `button`."""
    icons = _a11y().wait_until(host_icons, timeout, "an icon in the tray bar")
    _click(icons[index], button)


def host_menu(timeout=10):
    """The menu the tray bar shows (after click_host_icon(3))."""
    a11y = _a11y()

    def showing_menu():
        for top in a11y.top_windows(host_application()):
            if top is not None and a11y.role(top) == "window" and a11y.showing(top):
                for i in range(top.get_child_count()):
                    menu = top.get_child_at_index(i)
                    if menu is not None and a11y.role(menu) == "menu" and a11y.showing(menu):
                        return menu
        return None
    return a11y.wait_until(showing_menu, timeout, "the tray bar's menu")


def host_menu_items(menu):
    """The showing entries of a menu drawn by the tray bar, separators left out."""
    a11y = _a11y()
    found = []
    for i in range(menu.get_child_count()):
        child = menu.get_child_at_index(i)
        if child is not None and a11y.role(child) != "separator" and a11y.showing(child):
            found.append(child)
    return found


def host_menu_labels(menu):
    return [_a11y().name(child) for child in host_menu_items(menu)]


def host_menu_enabled(menu, label):
    a11y = _a11y()
    for child in host_menu_items(menu):
        if a11y.name(child) == label:
            return child.get_state_set().contains(a11y.Atspi.StateType.ENABLED)
    raise AssertionError("no entry %r in the tray bar's menu %r" % (label, host_menu_labels(menu)))


def click_host_menu_entry(menu, label, timeout=10):
    """Clicks a top-level entry of the tray bar's menu; the menu closes."""
    a11y = _a11y()
    for child in host_menu_items(menu):
        if a11y.name(child) == label:
            _click(child)
            a11y.wait_until(lambda: not a11y.showing(menu), timeout, "the tray bar's menu to close")
            return
    raise AssertionError("no entry %r in the tray bar's menu %r" % (label, host_menu_labels(menu)))


def close_host_menu(menu, timeout=10):
    a11y = _a11y()
    _xdotool("key", "Escape")
    a11y.wait_until(lambda: not a11y.showing(menu), timeout, "the tray bar's menu to close")


# --- tray programs started by a test -----------------------------------------


def _record(process):
    root = os.environ.get("E2E_ROOT")
    if root:
        with open(os.path.join(root, "pids"), "a") as out:
            out.write("%d\n" % process.pid)
    return process


def _log(name):
    root = os.environ.get("E2E_ROOT", "/tmp")
    os.makedirs(os.path.join(root, "logs"), exist_ok=True)
    return open(os.path.join(root, "logs", name), "ab")


def start_watcher(timeout=20):
    """Starts a StatusNotifierWatcher and waits until it answers."""
    process = _record(subprocess.Popen(["status-notifier-watcher"], stdout=_log("watcher.log"),
                                       stderr=subprocess.STDOUT))
    wait_until(lambda: process.poll() is not None or watcher_ready(), timeout, "the StatusNotifierWatcher")
    if process.poll() is not None:
        raise AssertionError("the StatusNotifierWatcher ended with status %s" % process.returncode)
    return process


def start_host(kind="gtk", display=None, timeout=20):
    """Starts a StatusNotifierHost and waits until the watcher has it: "gtk"
    draws the icons on the X display `display` (default $DISPLAY); "bus" only
    registers, and needs no display."""
    if kind == "gtk":
        env = dict(os.environ, GDK_BACKEND="x11")
        env["DISPLAY"] = display or os.environ["DISPLAY"]
        command = ["gtk-sni-tray-standalone", "--top", "--end", "--size", "32"]
    elif kind == "bus":
        env = os.environ
        command = [PYTHON, os.path.join(HERE, "sni.py"), "host"]
    else:
        raise ValueError(kind)
    process = _record(subprocess.Popen(command, env=env, stdout=_log("sni-host.log"), stderr=subprocess.STDOUT))
    wait_until(lambda: process.poll() is not None or host_registered(), timeout, "the StatusNotifierHost")
    if process.poll() is not None:
        raise AssertionError("the StatusNotifierHost ended with status %s" % process.returncode)
    return process


def start_xembed_tray(timeout=20):
    """Starts trayer, an X11 (XEmbed) tray, and waits until it owns the tray
    selection of screen 0."""
    from quendral_e2e import x11  # noqa: E402  (needs DISPLAY; imported late)
    process = _record(subprocess.Popen(
        ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
         "--SetDockType", "true", "--transparent", "false"], stdout=_log("trayer.log"), stderr=subprocess.STDOUT))
    wait_until(lambda: process.poll() is not None or x11().selection_owner("_NET_SYSTEM_TRAY_S0"), timeout,
               "the X11 tray")
    if process.poll() is not None:
        raise AssertionError("trayer ended with status %s" % process.returncode)
    return process


def stop(process, timeout=10):
    """Stops a process started here, by its id."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


# --- a host that draws nothing -----------------------------------------------


def run_host():
    """A StatusNotifierHost that only registers with the watcher (again when a
    new watcher appears) and prints the items that come and go."""
    import dbus.service
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib

    loop_bus = dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"], mainloop=DBusGMainLoop())
    name = "org.kde.StatusNotifierHost-%d" % os.getpid()
    run_host.name = dbus.service.BusName(name, loop_bus)  # owned while it is referenced

    attempts = [0]

    def register():
        # status-notifier-watcher owns its name a moment before it serves its
        # object; until then the call fails with UnknownObject: try again.
        try:
            loop_bus.get_object(WATCHER, WATCHER_PATH, introspect=False).RegisterStatusNotifierHost(
                name, dbus_interface=WATCHER)
            print("registered", name, flush=True)
            return False
        except dbus.DBusException as error:
            attempts[0] += 1
            if attempts[0] % 50 == 1:
                print("not registered yet:", error.get_dbus_name(), flush=True)
            return attempts[0] < 600

    def owner_changed(new_owner):
        if new_owner:
            attempts[0] = 0
            if register():
                GLib.timeout_add(50, register)

    loop_bus.watch_name_owner(WATCHER, owner_changed)
    for member in ("StatusNotifierItemRegistered", "StatusNotifierItemUnregistered"):
        loop_bus.add_signal_receiver(lambda service, member=member: print(member, service, flush=True),
                                     signal_name=member, dbus_interface=WATCHER)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGINT, loop.quit)
    loop.run()


# --- command line ------------------------------------------------------------


def _main(argv):
    command, arguments = (argv[0], argv[1:]) if argv else ("", [])
    pid = int(arguments[-1]) if arguments and arguments[-1].isdigit() else None
    if command == "wait-watcher":
        wait_for_watcher()
    elif command == "wait-host":
        wait_for_host()
    elif command == "host":
        run_host()
    elif command == "items":
        for item in items():
            print(item.entry, item.pid)
    elif command == "layout":
        def show(entries, depth=0):
            for entry in entries:
                print("%s%d %r%s%s%s" % ("  " * depth, entry.id, entry.label if entry.kind != "separator" else "---",
                                         "" if entry.enabled else " disabled", " icon" if entry.has_icon else "",
                                         "" if entry.toggle is None else " toggle=%d" % entry.toggle))
                show(entry.children, depth + 1)
        show(wait_for_item(pid).layout())
    elif command == "click":
        wait_for_item(pid).click(arguments[0])
    elif command == "activate":
        wait_for_item(pid).activate()
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(_main(sys.argv[1:]))
    except AssertionError as failure:
        print("sni:", failure, file=sys.stderr)
        sys.exit(1)
