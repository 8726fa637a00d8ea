"""A soak run of the real program: monitoring a watch list of 100 entries (a
third of them wildcards, all but the last one there) with one connection up,
over a tick of a few milliseconds (QUENDRAL_TICK_MS), for TICKS ticks counted
in its debug log. Prints resident memory, open descriptors, threads and the
D-Bus match rules of its connections after the first 100 ticks and at the end,
and fails when descriptors, threads or match rules grew or memory grew by more
than 1 %. Run by scripts/soak.sh inside xsession.sh: soak.py [TICKS]"""
import os
import subprocess
import sys
import time

import dbus

from e2e_typical_run import first_menu_entry, start_network_manager
from quendral_e2e import MenuWatcher, Program, click_at, click_nowhere, find, showing, tray_icons, wait_until

TICK_MS = 5
BASELINE_TICKS = 100
MEMORY_GROWTH = 0.01


def match_rules(pid):
    """The match rules of every bus connection of the process (the session bus
    is the system bus here), from the bus's statistics."""
    bus = dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])
    daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus", introspect=False)
    total = 0
    for name in daemon.ListNames(dbus_interface="org.freedesktop.DBus"):
        try:
            if not name.startswith(":") or daemon.GetConnectionUnixProcessID(
                    name, dbus_interface="org.freedesktop.DBus") != pid:
                continue
            total += int(daemon.GetConnectionStats(name, dbus_interface="org.freedesktop.DBus.Debug.Stats")
                         .get("MatchRules", 0))
        except dbus.DBusException:
            continue
    bus.close()
    return total


def figures(pid):
    with open("/proc/%d/status" % pid) as file:
        status = dict(line.split(":", 1) for line in file)
    # The fewest over a few looks: a tick holds a file open for a moment (the
    # settings file, a folder it lists), which a leak would not let go.
    descriptors = []
    for _ in range(10):
        descriptors.append(len(os.listdir("/proc/%d/fd" % pid)))
        time.sleep(0.02)
    return {"resident KiB": int(status["VmRSS"].split()[0]), "descriptors": min(descriptors),
            "threads": int(status["Threads"]), "match rules": match_rules(pid)}


def watch_list(root):
    """100 entries over four folders of 50 files each: plain names and
    patterns that find their file, the last entry a file never there."""
    entries = []
    for folder in range(4):
        path = os.path.join(root, "downloads%d" % folder)
        os.makedirs(path)
        for n in range(50):
            with open(os.path.join(path, "file%02d.zip" % n), "wb") as out:
                out.write(b"data")
        for n in range(25):
            entries.append(os.path.join(path, "file%02d*.zip" % n if n % 3 == 0 else "file%02d.zip" % n))
    entries[-1] = os.path.join(root, "downloads0", "never-there-*.zip")
    return {"file%d" % n: entry for n, entry in enumerate(entries)}


def ticks(log):
    with open(log, errors="replace") as file:
        return sum(1 for line in file if "tick:" in line)


def main(total):
    program = Program()
    try:
        start_network_manager(program)
        program.write_settings({"options": {"language": "Polish.ini"},
                                "Files": watch_list(os.path.join(os.environ["E2E_ROOT"], "soak"))})
        program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0", "notallfiles": "0"})
        log = os.path.join(program.artefacts, "soak.log")
        env = dict(os.environ, QUENDRAL_TICK_MS=str(TICK_MS), QT_LOGGING_RULES="quendral.monitor.debug=true")
        with open(log, "w") as err:
            process = subprocess.Popen([program.executable], cwd=program.folder, env=env, stderr=err)
        program.processes.append(process)
        wait_until(tray_icons, 30, "the tray icon")
        watcher = MenuWatcher()
        menu, _ = first_menu_entry(watcher)
        click_at(find(menu, ("menu item",), "Monitoruj"))
        wait_until(lambda: not showing(menu), 10, "the menu to close")
        watcher.close()
        started = time.monotonic()
        wait_until(lambda: ticks(log) >= BASELINE_TICKS, 60, "the first %d ticks" % BASELINE_TICKS)
        first = figures(process.pid)
        # Counted sparingly: reading a long log is itself work.
        while ticks(log) < total:
            if process.poll() is not None:
                raise AssertionError("the program ended with status %s" % process.returncode)
            time.sleep(1)
        last = figures(process.pid)
        seconds = time.monotonic() - started
        print("%-14s %12s %12s" % ("", "tick %d" % BASELINE_TICKS, "tick %d" % ticks(log)))
        for key in first:
            print("%-14s %12d %12d" % (key, first[key], last[key]))
        print("%d ticks in %.0f s; %s ended monitoring" % (ticks(log), seconds,
                                                           "nothing" if "halts" not in open(log).read() else "a halt"))
        # Qt's pooled threads ("Thread (pooled)", an eventfd each) busy at
        # start-up end 30 s after their last job: fewer at the end is no leak.
        for key in ("descriptors", "threads", "match rules"):
            if last[key] > first[key]:
                raise AssertionError("%s went from %d to %d" % (key, first[key], last[key]))
        if last["resident KiB"] > first["resident KiB"] * (1 + MEMORY_GROWTH):
            raise AssertionError("resident memory grew by more than %d %%" % (MEMORY_GROWTH * 100))
        click_nowhere()
    finally:
        program.stop()


if __name__ == "__main__":
    try:
        main(int(sys.argv[1]) if len(sys.argv) > 1 else 20000)
    except AssertionError as failure:
        print("FAIL:", failure, file=sys.stderr)
        sys.exit(1)
    print("PASS")
