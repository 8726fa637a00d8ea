r"""The switch "\uninstallme" removes the start-at-logon entry and the browser
button and ends silently with status 0, also while another copy runs and
without any display (as from a terminal or over SSH)."""
import os
import subprocess

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

    headless = {key: value for key, value in os.environ.items()
                if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    remover = subprocess.run([program.executable, "\\uninstallme"], cwd=program.folder, env=headless,
                             capture_output=True, timeout=20)
    if remover.returncode != 0:
        raise AssertionError("the uninstall run ended with status %d: %r" % (remover.returncode, remover.stderr))
    if remover.stdout or remover.stderr:
        raise AssertionError("the uninstall run was not silent: %r %r" % (remover.stdout, remover.stderr))
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
