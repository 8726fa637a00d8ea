"""Figures for the program next to a bare Qt tray program: launch-to-icon
time (median of 5), resident memory after 10 s idle, and context switches
over 60 s idle, stopped and monitoring. Not a test: prints a table. Run by
scripts/benchmark.sh inside xsession.sh."""
import glob
import os
import shutil
import statistics
import subprocess
import time

from e2e_typical_run import first_menu_entry, start_network_manager
from quendral_e2e import MenuWatcher, Program, click_at, click_nowhere, find, showing, tray_icons, wait_until


def context_switches(pid):
    """Switches so far, by thread id."""
    counts = {}
    for status in glob.glob("/proc/%d/task/*/status" % pid):
        tid = status.split("/")[4]
        try:
            with open(status) as file:
                counts[tid] = sum(int(line.split()[1]) for line in file
                                  if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))
        except OSError:
            continue
    return counts


def switches_since(pid, before):
    """Switches of the threads alive now since `before`; a thread that ended
    in between takes its count with it, so this is a lower bound."""
    return sum(count - before.get(tid, 0) for tid, count in context_switches(pid).items())


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as file:
        for line in file:
            if line.startswith("VmRSS"):
                return int(line.split()[1])
    return 0


def launch_to_icon(program, command):
    times = []
    for _ in range(5):
        begin = time.monotonic()
        process = subprocess.Popen(command, cwd=program.folder)
        wait_until(tray_icons, 30, "the tray icon")
        times.append(time.monotonic() - begin)
        process.kill()
        process.wait()
        wait_until(lambda: not tray_icons(), 10, "the icon to go")
    return statistics.median(times)


def idle_figures(command, program):
    process = subprocess.Popen(command, cwd=program.folder)
    program.processes.append(process)
    wait_until(tray_icons, 30, "the tray icon")
    time.sleep(10)  # the figure asked for is the memory after ten idle seconds
    rss = rss_kib(process.pid)
    before = context_switches(process.pid)
    time.sleep(60)
    return process, rss, switches_since(process.pid, before)


def main():
    program = Program()
    try:
        shutil.copy(os.environ["MINIMAL_TRAY"], program.folder)
        minimal = [os.path.join(program.folder, os.path.basename(os.environ["MINIMAL_TRAY"]))]
        quendral = [program.executable]
        manager = start_network_manager(program)
        expected = os.path.join(os.environ["E2E_ROOT"], "never-there.zip")
        program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": expected}})
        program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0"})

        rows = [("launch to icon, median of 5 (s)", launch_to_icon(program, quendral),
                 launch_to_icon(program, minimal))]
        process, rss, stopped = idle_figures(quendral, program)
        watcher = MenuWatcher()
        menu, _ = first_menu_entry(watcher)
        click_at(find(menu, ("menu item",), "Monitoruj"))
        wait_until(lambda: not showing(menu), 10, "the menu to close")
        menu, entry = first_menu_entry(watcher)
        click_nowhere()
        assert entry == "Zatrzymaj", "monitoring did not start"
        before = context_switches(process.pid)
        time.sleep(60)
        monitoring = switches_since(process.pid, before)
        assert not manager.GetMethodCalls("DeactivateConnection", dbus_interface="org.freedesktop.DBus.Mock")
        process.kill()
        process.wait()
        wait_until(lambda: not tray_icons(), 10, "the icon to go")

        _, minimal_rss, minimal_idle = idle_figures(minimal, program)
        rows += [("resident memory after 10 s idle (KiB)", rss, minimal_rss),
                 ("context switches, 60 s idle, stopped", stopped, minimal_idle),
                 ("context switches, 60 s idle, monitoring", monitoring, "-")]
        print("%-42s %12s %12s" % ("figure", "quendral", "minimal tray"))
        for name, ours, floor in rows:
            fmt = lambda v: ("%.2f" % v) if isinstance(v, float) else str(v)
            print("%-42s %12s %12s" % (name, fmt(ours), fmt(floor)))
    finally:
        program.stop()


main()
