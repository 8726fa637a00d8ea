"""Finishing when the chosen programs end, with real processes and no file on
the watch list. --wait-pid is refused (exit 1, with the reason) for a process
that has ended and for another user's, before any copy starts. A script named
fakewget writes a file in the download folder for a few seconds; monitoring
starts with it running and --status names it. It ends while another process
still holds a file of the download folder open for writing: no completion.
A script that runs fakewget twice in a row is added by --wait-program; the
writer closes its file; no completion while either run lasts, and the
hang-up countdown opens within 2 s of the last one's end, with the notice
naming each run that ended."""
import os
import subprocess
import time

from e2e_control import command
from e2e_typical_run import COUNTDOWN_TEXT, start_network_manager
from quendral_e2e import Program, descendants, find, name, pump, role, scenario, showing, start_monitoring, wait_until

TICK = 10
FAKEWGET = """#!/bin/sh
# fakewget FILE SECONDS: appends to FILE once a second.
i=0
while [ "$i" -lt "$2" ]; do
    echo data >> "$1"
    sleep 1
    i=$((i + 1))
done
"""


def download_folder():
    """The download folder the program looks at, named for it explicitly."""
    folder = os.path.join(os.environ["HOME"], "Downloads")
    os.makedirs(folder, exist_ok=True)
    config = os.environ["XDG_CONFIG_HOME"]
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "user-dirs.dirs"), "w", encoding="utf-8") as out:
        out.write('XDG_DOWNLOAD_DIR="%s"\n' % folder)
    return folder


def fake_wget():
    """A folder on the PATH holding the fakewget script."""
    folder = os.path.join(os.environ["E2E_ROOT"], "bin")
    os.makedirs(folder, exist_ok=True)
    script = os.path.join(folder, "fakewget")
    with open(script, "w", encoding="utf-8") as out:
        out.write(FAKEWGET)
    os.chmod(script, 0o755)
    os.environ["PATH"] = folder + os.pathsep + os.environ["PATH"]
    return script


def pids_refused(program):
    """--wait-pid on an ended process and on another user's: exit 1, the
    reason naming the number, and no copy started."""
    ended = subprocess.Popen(["true"])
    ended.wait()
    others = []
    if os.getuid() == 0:
        other = subprocess.Popen(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "sleep", "60"])
        program.processes.append(other)
        wait_until(lambda: os.stat("/proc/%d" % other.pid).st_uid == 65534, 10, "the other user's process")
        others.append(other.pid)
    else:
        others.append(1)
    cases = [(ended.pid, "pidmissing")] + [(pid, "pidother") for pid in others]
    for pid, key in cases:
        done = command(program, "--wait-pid", str(pid), code=1)
        reason = program.message("Polish.ini", key).replace("%1", str(pid))
        if done.stderr.strip() != reason:
            raise AssertionError("--wait-pid %d said %r, not %r" % (pid, done.stderr, reason))
    command(program, "--status", code=3)


def label_starting(app, text):
    """A showing label whose text begins with `text`."""
    for child in descendants(app):
        if role(child) == "label" and name(child).startswith(text) and showing(child):
            return child
    return None


def countdown_shown(app):
    return find(app, ("label",), COUNTDOWN_TEXT)


def run(program: Program):
    os.environ["QUENDRAL_TICK_MS"] = str(TICK * 1000)
    start_network_manager(program)
    downloads = download_folder()
    fake_wget()
    program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0", "infofiles": "1",
                               "WaitPrograms": "fakewget"})
    pids_refused(program)

    # Another download, its file open for writing until told.
    writer = open(os.path.join(downloads, "other.iso"), "wb")
    writer.write(b"partial")
    writer.flush()
    first = subprocess.Popen(["fakewget", os.path.join(downloads, "first.bin"), "3"])
    program.processes.append(first)
    app, _ = start_monitoring(program)
    said = command(program, "--status").stdout
    if "waiting for fakewget (1 running): pids %d" % first.pid not in said:
        raise AssertionError("--status does not name the program waited for: %r" % said)

    first.wait()
    held_until = time.monotonic() + 4
    while time.monotonic() < held_until:
        if countdown_shown(app):
            raise AssertionError("completed while a file of the download folder was open for writing")
        pump(0.5)

    runner = subprocess.Popen(["sh", "-c", 'fakewget "$0" 3; fakewget "$0" 3', os.path.join(downloads, "run.bin")])
    program.processes.append(runner)
    wait_until(lambda: subprocess.run(["pgrep", "-x", "-P", str(runner.pid), "fakewget"],
                                      capture_output=True).returncode == 0, 5, "the script's first run")
    command(program, "--wait-program", "fakewget")
    said = command(program, "--status").stdout
    if "waiting for fakewget (1 running)" not in said:
        raise AssertionError("the script's run is not waited for: %r" % said)
    writer.close()

    while runner.poll() is None:
        if countdown_shown(app):
            raise AssertionError("completed while the script still ran fakewget")
        pump(0.2)
    ended = time.monotonic()
    wait_until(lambda: countdown_shown(app), 10, "the hang-up countdown")
    if time.monotonic() - ended > 2:
        raise AssertionError("the countdown came %.1f s after the last run ended" % (time.monotonic() - ended))
    program.screenshot("programs")
    notice = program.message("Polish.ini", "finishedprograms")
    label = wait_until(lambda: label_starting(app, notice), 10, "the notice of the programs' end")
    # The first run and the script's two, each with its number and time.
    if name(label).count("fakewget (proces ") != 3 or "fakewget (proces %d)" % first.pid not in name(label):
        raise AssertionError("the notice does not name the runs that ended: %r" % name(label))


if __name__ == "__main__":
    scenario(run)
