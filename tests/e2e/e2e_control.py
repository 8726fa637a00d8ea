"""The command line against the running program, on the session's private
bus, with a short tick: with no copy a command is refused as not running,
--help needs no display, usage errors exit 2 with one line, a start with no
display exits 4 with its reason in the log that --log prints, and --monitor
starts the program, which a login over SSH finds at $XDG_RUNTIME_DIR/bus;
--monitor over an empty list is refused; --add (a relative
path) and --monitor; --status --json; the file arrives and the power-off
countdown opens; --cancel declines it (logind is never asked to
power off) and stops monitoring; --stop. Add("") and other paths the list
could not keep are refused over D-Bus and leave the stored list as it was;
--monitor while monitoring and --stop when stopped say so, and --cancel with
no countdown exits 1."""
import json
import os
import subprocess

import dbus

from e2e_typical_run import MOCK, start_logind, start_network_manager
from quendral_e2e import Program, find, scenario, showing, wait_until

NAME = "org.example.Quendral"
USAGE_ERRORS = (["-v"], ["-status"], ["status"], ["\\uninstallme", "extra"], ["--monitr"], ["--stop", "now"])


def command(program, *arguments, env=None, code=0):
    done = subprocess.run([program.executable, *arguments], capture_output=True, text=True, timeout=30,
                          cwd=os.environ["E2E_ROOT"], env=env)
    if done.returncode != code:
        raise AssertionError("%r ended %d, not %d: %r" % (arguments, done.returncode, code, done.stderr))
    if "invalid type" in done.stderr:
        raise AssertionError("%r: %r" % (arguments, done.stderr))
    return done


def status(program):
    return json.loads(command(program, "--status", "--json").stdout)


def run(program: Program):
    start_network_manager(program)
    logind = start_logind(program)
    expected = os.path.join(os.environ["E2E_ROOT"], "Pobrane", "plik.zip")
    os.makedirs(os.path.dirname(expected))
    program.write_settings({"options": {"language": "English.ini"}})
    program.write_user_values({"first": "1", "autodisconnect": "0", "autocomp_off": "1", "notallfiles": "0",
                               "infofiles": "0", "sound": "0"})
    if command(program, "--check-now", code=3).stderr.strip() == "":
        raise AssertionError("no reason given for exit status 3")
    bare = {key: value for key, value in os.environ.items() if key not in ("DISPLAY", "WAYLAND_DISPLAY")}
    if "--monitor" not in command(program, "--help", env=bare).stdout:
        raise AssertionError("--help does not list --monitor")
    # Anything that looks like an option and is not one is a usage error:
    # one line naming --help, and no start.
    for arguments in USAGE_ERRORS:
        lines = command(program, *arguments, code=2).stderr.strip().splitlines()
        if len(lines) != 1 or "--help" not in lines[0]:
            raise AssertionError("%r: not one line naming --help: %r" % (arguments, lines))
    # With no display a start says that one is needed, and exits 4, not with
    # Qt's abort; Qt's own words go to the log.
    bare.pop("QT_QPA_PLATFORM", None)
    for arguments in ([], ["--monitor"]):
        said = command(program, *arguments, env=bare, code=4).stderr
        if "display is needed" not in said or "Reinstalling" in said:
            raise AssertionError("%r with no display said %r" % (arguments, said))
    if "platform plugin" not in command(program, "--log").stdout:
        raise AssertionError("--log does not show why the start without a display failed")

    os.environ["QUENDRAL_TICK_MS"] = "1500"
    # With no copy running, --monitor starts one (here over an empty list).
    process = program.start("--monitor")
    bus = dbus.SessionBus()
    wait_until(lambda: bus.name_has_owner(NAME), 20, "the program on the session bus")
    # Over SSH the session's bus address is not set: the user's bus is found
    # at $XDG_RUNTIME_DIR/bus.
    runtime = os.path.join(os.environ["E2E_ROOT"], "runtime")
    os.makedirs(runtime)
    socket = os.environ["DBUS_SESSION_BUS_ADDRESS"].split("unix:path=", 1)[1].split(",")[0]
    os.symlink(socket, os.path.join(runtime, "bus"))
    ssh = {key: value for key, value in os.environ.items() if key != "DBUS_SESSION_BUS_ADDRESS"}
    ssh["XDG_RUNTIME_DIR"] = runtime
    command(program, "--status", env=ssh)
    if not command(program, "--monitor", code=1).stderr.strip():
        raise AssertionError("the refusal of an empty list says nothing on stderr")
    command(program, "--add", os.path.relpath(expected, os.environ["E2E_ROOT"]))
    # Paths the list could not keep as given are refused, each with its
    # reason, and the list stays as it was.
    quendral = bus.get_object(NAME, "/org/example/Quendral")
    reasons = set()
    for path in ("", "relative.zip", " " + expected, '"%s"' % expected, expected + "\nx", os.path.dirname(expected),
                 expected):
        try:
            quendral.Add(path, dbus_interface=NAME)
            raise AssertionError("Add(%r) was taken" % path)
        except dbus.DBusException as refusal:
            if refusal.get_dbus_name() != NAME + ".Error.Refused":
                raise
            reasons.add(refusal.get_dbus_message())
    if len(reasons) != 7:
        raise AssertionError("the refusals do not each have their own reason: %r" % reasons)
    if [entry["path"] for entry in status(program)["entries"]] != [expected]:
        raise AssertionError("a refused Add changed the list: %r" % status(program))
    if command(program, "--cancel", code=1).stderr.strip() != "nothing to decline":
        raise AssertionError("--cancel with nothing to decline did not say so")
    command(program, "--monitor")
    if not command(program, "--monitor").stdout.strip():
        raise AssertionError("--monitor while monitoring says nothing")
    state = status(program)
    if (state["monitoring"], state["entries"], state["actions"]) != \
            (True, [{"path": expected, "state": "missing"}], ["poweroff"]) or not 0 <= state["nextCheck"] <= 2:
        raise AssertionError("status while monitoring: %r" % state)

    with open(expected, "wb") as download:
        download.write(b"PK\x05\x06" + bytes(18))
    wait_until(lambda: status(program)["state"] == "countingdown", 20, "the countdown")
    app = wait_until(lambda: program.app(process), 20, "the program on the accessibility bus")
    text = program.captions("English.ini")["frmshut.lblshut.Caption"]
    countdown = wait_until(lambda: find(app, ("label",), text), 20, "the power-off countdown window")
    command(program, "--cancel")
    wait_until(lambda: not showing(countdown), 10, "the countdown to be declined")
    state = status(program)
    if state["monitoring"] or state["countdown"] is not None:
        raise AssertionError("status after --cancel: %r" % state)
    if logind.GetMethodCalls("PowerOff", dbus_interface=MOCK):
        raise AssertionError("logind was asked to power off")
    if not command(program, "--stop").stdout.strip():
        raise AssertionError("--stop when stopped says nothing")
    if process.poll() is not None:
        raise AssertionError("the program ended")


if __name__ == "__main__":
    scenario(run)
