r"""The switch "\uninstallme" removes the start-at-logon entry and the browser
button and ends silently with status 0, also while another copy runs and
without any display (as from a terminal or over SSH)."""
import os
import subprocess

from quendral_e2e import BUTTON_KEY, RUN_ENTRY, Program, alert, scenario, tray_icons, wait_until

OTHER_KEY = "HKEY_LOCAL_MACHINE\\Software\\Another Program"


def machine_hive():
    return os.path.join(os.environ["XDG_CONFIG_DIRS"].split(":")[0], "Quendral", "system.reg")


def run_entry():
    return os.path.join(os.environ["XDG_CONFIG_HOME"], "autostart", RUN_ENTRY)


def write_entries(program: Program):
    os.makedirs(os.path.dirname(machine_hive()), exist_ok=True)
    with open(machine_hive(), "w", encoding="utf-8") as out:
        out.write("Windows Registry Editor Version 5.00\n\n[%s]\n\"Exec\"=\"%s\"\n\n[%s]\n\"kept\"=\"1\"\n"
                  % (BUTTON_KEY, program.executable.replace("\\", "\\\\"), OTHER_KEY))
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
    with open(machine_hive(), encoding="utf-8") as file:
        hive = file.read().lower()
    if BUTTON_KEY.lower() in hive:
        raise AssertionError("the browser button key is still there")
    if OTHER_KEY.lower() not in hive:
        raise AssertionError("another program's key went too")
    if len(tray_icons()) != 1:
        raise AssertionError("the uninstall run showed a tray icon")


scenario(run)
