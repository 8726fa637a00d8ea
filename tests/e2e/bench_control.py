"""The command line's round trip next to its floor: `quendral --status`
against `dbus-send` calling the same Status method of the running program,
median and spread of 40 runs each, taking turns, over a watch list of 10
absent files. Not a test: prints a table. Run by scripts/benchmark-control.sh
inside xsession.sh."""
import os
import statistics
import subprocess
import time

import dbus

from quendral_e2e import Program, wait_until

NAME = "org.example.Quendral"
RUNS = 40


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000


def main():
    program = Program(language="English.ini")
    try:
        folder = os.path.join(os.environ["E2E_ROOT"], "downloads")
        program.write_settings({"options": {"language": "English.ini"},
                                "Files": {"file%d" % n: "%s/file%d.zip" % (folder, n) for n in range(10)}})
        program.start()
        wait_until(lambda: dbus.SessionBus().name_has_owner(NAME), 20, "the program on the session bus")
        ours = [program.executable, "--status"]
        floor = ["dbus-send", "--session", "--print-reply", "--dest=" + NAME, "/org/example/Quendral",
                 NAME + ".Status"]
        times = {"quendral --status": [], "dbus-send (floor)": []}
        for _ in range(RUNS):
            times["quendral --status"].append(timed(ours))
            times["dbus-send (floor)"].append(timed(floor))
        print("%-20s %10s %10s %10s" % ("round trip", "median ms", "min ms", "max ms"))
        for label, values in times.items():
            print("%-20s %10.1f %10.1f %10.1f" % (label, statistics.median(values), min(values), max(values)))
        ratio = statistics.median(times["quendral --status"]) / statistics.median(times["dbus-send (floor)"])
        print("ratio to the floor: %.2f (goal at most 1.5)" % ratio)
    finally:
        program.stop()


if __name__ == "__main__":
    main()
