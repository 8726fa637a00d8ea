"""The command line's round trip next to its floor: `quendral --status`
against `dbus-send` calling the same Status method of the running program,
and `quendral --version` against /bin/true, which starts and ends and does
nothing else; median and spread of 40 runs each, taking turns, over a watch
list of 10 absent files. Prints a table, and ends with status 1 when the
round trip takes more than 1.5 times its floor. Run by
scripts/benchmark-control.sh inside xsession.sh."""
import os
import statistics
import subprocess
import sys
import time

import dbus

from quendral_e2e import Program, wait_until

NAME = "org.example.Quendral"
RUNS = 40
GOAL = 1.5


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
        commands = {
            "quendral --status": [program.executable, "--status"],
            "dbus-send (floor)": ["dbus-send", "--session", "--print-reply", "--dest=" + NAME,
                                  "/org/example/Quendral", NAME + ".Status"],
            "quendral --version": [program.executable, "--version"],
            "/bin/true (floor)": ["/bin/true"],
        }
        times = {label: [] for label in commands}
        for _ in range(RUNS):
            for label, command in commands.items():
                times[label].append(timed(command))
        print("%-20s %10s %10s %10s" % ("run", "median ms", "min ms", "max ms"))
        for label, values in times.items():
            print("%-20s %10.1f %10.1f %10.1f" % (label, statistics.median(values), min(values), max(values)))
        median = {label: statistics.median(values) for label, values in times.items()}
        ratio = median["quendral --status"] / median["dbus-send (floor)"]
        print("--status to dbus-send: %.2f (goal at most %.1f)" % (ratio, GOAL))
        print("--version to /bin/true: %.2f" % (median["quendral --version"] / median["/bin/true (floor)"]))
        return 0 if ratio <= GOAL else 1
    finally:
        program.stop()


if __name__ == "__main__":
    sys.exit(main())
