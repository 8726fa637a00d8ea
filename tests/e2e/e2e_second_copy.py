"""A second copy started while one runs says "doublerun" with an OK button and
ends; the first copy stays in the tray. A copy started as the GUI program
itself, not through `quendral`, finds the running copy all the same."""
import os
import subprocess

from quendral_e2e import Program, alert, click_at, find, scenario, tray_icons, wait_until

DOUBLERUN = "Quendral jest już uruchomiony!"


def run(program: Program):
    first = program.start()
    wait_until(tray_icons, 20, "the first copy's tray icon")

    second = program.start()
    app = program.wait_for_app(second)
    box = wait_until(lambda: alert(app, DOUBLERUN), 20, 'the "doublerun" message')
    if find(app, ("label",), "Trwa ładowanie programu..."):
        raise AssertionError("the second copy showed its splash window")
    program.screenshot("doublerun")
    click_at(find(box, ("push button",), "OK"))
    status = program.wait_for_exit(second)
    if status != 0:
        raise AssertionError("the second copy ended with status %d" % status)
    if first.poll() is not None or len(tray_icons()) != 1:
        raise AssertionError("the first copy did not stay in the tray alone")

    third = subprocess.Popen([os.path.join(program.folder, "quendral-gui")], cwd=program.folder)
    program.processes.append(third)
    box = wait_until(lambda: alert(program.wait_for_app(third), DOUBLERUN), 20,
                     'the "doublerun" message of the GUI program started directly')
    click_at(find(box, ("push button",), "OK"))
    status = program.wait_for_exit(third)
    if status != 0:
        raise AssertionError("the GUI program started directly ended with status %d" % status)
    if first.poll() is not None or len(tray_icons()) != 1:
        raise AssertionError("the first copy did not stay in the tray alone")


scenario(run)
