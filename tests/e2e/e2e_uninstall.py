r"""The switch "\uninstallme" removes the start-at-logon entry and the browser
button and ends without showing anything, also while another copy runs."""
import os

from quendral_e2e import LAUNCHER, RUN_ENTRY, Program, alert, scenario, tray_icons, wait_until


def applications(name):
    return os.path.join(os.environ["XDG_DATA_HOME"], "applications", name)


def run_entry():
    return os.path.join(os.environ["XDG_CONFIG_HOME"], "autostart", RUN_ENTRY)


def write_entries(program: Program):
    os.makedirs(os.path.dirname(applications(LAUNCHER)), exist_ok=True)
    for name in (LAUNCHER, "another-program.desktop"):
        with open(applications(name), "w", encoding="utf-8") as out:
            out.write("[Desktop Entry]\nType=Application\nName=%s\nExec=%s\n" % (name, program.executable))
    os.makedirs(os.path.dirname(run_entry()), exist_ok=True)
    with open(run_entry(), "w", encoding="utf-8") as out:
        out.write("[Desktop Entry]\nType=Application\nName=Quendral 1.2\nExec=%s\n" % program.executable)


def run(program: Program):
    write_entries(program)
    running = program.start()
    wait_until(tray_icons, 20, "the running copy's tray icon")

    remover = program.start("\\uninstallme")
    status = program.wait_for_exit(remover)
    if status != 0:
        raise AssertionError("the uninstall run ended with status %d" % status)
    if alert(program.app(running), "Quendral jest już uruchomiony!"):
        raise AssertionError('the uninstall run said "doublerun"')
    if os.path.exists(run_entry()):
        raise AssertionError("the start-at-logon entry is still there")
    if os.path.exists(applications(LAUNCHER)):
        raise AssertionError("the browser button's launcher is still there")
    if not os.path.exists(applications("another-program.desktop")):
        raise AssertionError("another program's launcher went too")
    if len(tray_icons()) != 1:
        raise AssertionError("the uninstall run showed a tray icon")


scenario(run)
