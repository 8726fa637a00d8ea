"""A deadline at the next minute of the clock: two expected files, one there
and one still missing, "every file" as the rule, the chosen actions at the
deadline with the notice. Nothing happens before the minute; at it (within a
tick) the notice names the missing file and only that one, and the watch
list is emptied. A 2 s tick."""
import datetime
import os
import re

from e2e_typical_run import first_menu_entry, start_network_manager
from quendral_e2e import MenuWatcher, Program, click_at, click_nowhere, descendants, find, name, role, scenario, \
    showing, tray_icons, wait_until

TICK = 2


def notice(app, starts):
    return next((name(node) for node in descendants(app) if role(node) == "label" and name(node).startswith(starts)
                 and showing(node)), None)


def run(program: Program):
    os.environ["QUENDRAL_TICK_MS"] = str(TICK * 1000)
    start_network_manager(program)
    folder = os.path.join(os.environ["E2E_ROOT"], "Pobrane")
    os.makedirs(folder)
    arrived, missing = os.path.join(folder, "a.zip"), os.path.join(folder, "b.zip")
    with open(arrived, "wb") as out:
        out.write(b"PK")
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": arrived, "file1": missing}})
    process = program.start()
    wait_until(tray_icons, 20, "the tray icon")
    # Options are read when monitoring starts: the next minute from here,
    # past one that is too close to reach.
    wait_until(lambda: datetime.datetime.now().second < 55, 10, "a minute with time left in it")
    due = (datetime.datetime.now() + datetime.timedelta(minutes=1)).replace(second=0, microsecond=0)
    program.write_user_values({"first": "1", "autodisconnect": "0", "autocomp_off": "0", "infofiles": "1",
                               "sound": "0", "notallfiles": "0", "Deadline": "1",
                               "DeadlineTime": due.strftime("%H:%M"), "DeadlineAction": "0"})
    said = program.message("Polish.ini", "finisheddeadline").replace("%1", "%d:%02d" % (due.hour, due.minute))
    watcher = MenuWatcher()
    menu, _ = first_menu_entry(watcher)
    click_at(find(menu, ("menu item",), "Monitoruj"))
    wait_until(lambda: not showing(menu), 10, "the menu to close")
    app = program.app(process)

    text = wait_until(lambda: notice(app, said), 60 + 2 * TICK, "the notice of the deadline")
    if datetime.datetime.now() < due:
        raise AssertionError("the deadline came before %s" % due)
    if text != "\n".join([said, program.message("Polish.ini", "missingfiles"), missing]):
        raise AssertionError("the notice reads %r" % text)
    if not re.search(r"^file0=\s*$", program.read_settings(), re.IGNORECASE | re.MULTILINE):
        raise AssertionError("the watch list was not emptied")
    program.screenshot("deadline")
    click_nowhere()
    if process.poll() is not None:
        raise AssertionError("the program ended")


if __name__ == "__main__":
    scenario(run)
