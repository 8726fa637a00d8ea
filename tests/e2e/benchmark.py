"""Figures for the program next to a bare Qt tray program that also shows a
text window for its first second (the floor), in one run: launch-to-icon
time (median of 15, the two programs' launches taking turns; the program's
one-second splash taken off), memory after
start-up and 10 s idle (resident, proportional and private), and context
switches per minute, stopped and monitoring 10 absent files with one
connection up. Prints a table, and ends with status 1 when a figure is past
its goal. Run by scripts/benchmark.sh inside xsession.sh."""
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


SPLASH_SECONDS = 1.0
LAUNCHES = 15


def memory_kib(pid):
    """Resident, proportional and private memory, from smaps_rollup."""
    values = {}
    with open("/proc/%d/smaps_rollup" % pid) as file:
        for line in file:
            fields = line.split()
            if len(fields) == 3 and fields[2] == "kB":
                values[fields[0].rstrip(":")] = int(fields[1])
    return values["Rss"], values["Pss"], values["Private_Clean"] + values["Private_Dirty"]


def launch_to_icon(program, command):
    begin = time.monotonic()
    process = subprocess.Popen(command, cwd=program.folder)
    # Polled every few milliseconds: wait_until's 50 ms steps would be
    # coarser than the figure.
    while not tray_icons():
        if time.monotonic() - begin > 30:
            raise AssertionError("timed out waiting for the tray icon")
        time.sleep(0.002)
    elapsed = time.monotonic() - begin
    process.kill()
    process.wait()
    wait_until(lambda: not tray_icons(), 10, "the icon to go")
    return elapsed


def launch_medians(program, commands):
    """Median launch-to-icon time of each command; the launches take turns,
    so that both programs meet the machine in the same moods."""
    times = [[] for _ in commands]
    for _ in range(LAUNCHES):
        for command, taken in zip(commands, times):
            taken.append(launch_to_icon(program, command))
    return [statistics.median(taken) for taken in times]


def idle_figures(command, program):
    process = subprocess.Popen(command, cwd=program.folder)
    program.processes.append(process)
    wait_until(tray_icons, 30, "the tray icon")
    time.sleep(10)  # the figure asked for is the memory after ten idle seconds
    memory = memory_kib(process.pid)
    before = context_switches(process.pid)
    time.sleep(60)
    return process, memory, switches_since(process.pid, before)


def main():
    program = Program()
    try:
        shutil.copy(os.environ["MINIMAL_TRAY"], program.folder)
        minimal = [os.path.join(program.folder, os.path.basename(os.environ["MINIMAL_TRAY"]))]
        quendral = [program.executable]
        manager = start_network_manager(program)
        files = {"file%d" % n: os.path.join(os.environ["E2E_ROOT"], "never-there-%d.zip" % n) for n in range(10)}
        program.write_settings({"options": {"language": "Polish.ini"}, "Files": files})
        program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0"})

        launch, launch_floor = launch_medians(program, [quendral, minimal])
        launch -= SPLASH_SECONDS
        process, memory, stopped = idle_figures(quendral, program)
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

        _, floor_memory, floor_idle = idle_figures(minimal, program)
        rows = [
            ("resident memory, stopped, after start-up (MiB)", memory[0] / 1024, floor_memory[0] / 1024, "<= 1.05x"),
            ("proportional memory (PSS), same moment (MiB)", memory[1] / 1024, floor_memory[1] / 1024, "-"),
            ("private memory, same moment (MiB)", memory[2] / 1024, floor_memory[2] / 1024, "-"),
            ("context switches per minute, stopped", stopped, floor_idle, "<= floor"),
            ("context switches per minute, monitoring 10 absent files", monitoring, floor_idle, "<= 4"),
            ("launch to icon, splash second excluded, median of %d (ms)" % LAUNCHES, launch * 1000, launch_floor * 1000,
             "<= 1.5x"),
        ]
        print("%-58s %10s %10s %8s  %s" % ("figure", "quendral", "floor", "ratio", "goal"))
        missed = []
        for name, ours, floor, goal in rows:
            ratio = ("%.3fx" % (ours / floor)) if floor else "-"
            fmt = lambda v: ("%.2f" % v) if isinstance(v, float) else str(v)
            met = meets(goal, ours, floor)
            print("%-58s %10s %10s %8s  %s%s" % (name, fmt(ours), fmt(floor), ratio, goal, "" if met else "  MISSED"))
            if not met:
                missed.append(name)
    finally:
        program.stop()
    return missed


def meets(goal, ours, floor):
    """Whether a figure meets its goal: "<= 1.05x" of the floor, "<= floor",
    "<= 4" as a number, or "-" for none."""
    if goal == "-":
        return True
    limit = goal.removeprefix("<=").strip()
    if limit == "floor":
        return ours <= floor
    if limit.endswith("x"):
        return ours <= float(limit[:-1]) * floor
    return ours <= float(limit)


if __name__ == "__main__":
    missed = main()
    if missed:
        print("past the goal: " + "; ".join(missed))
        raise SystemExit(1)
