"""A deadline at the next minute over one file there and one missing: at the minute, not
before, the notice names the missing one alone, and the list is emptied. The
hang-up countdown that follows leaves the notice's text as it is."""
import datetime
import os
import re

from e2e_typical_run import COUNTDOWN_TEXT, start_network_manager
from quendral_e2e import Program, find, scenario, start_monitoring, wait_until


def run(program: Program):
    os.environ["QUENDRAL_TICK_MS"] = "2000"
    start_network_manager(program)
    folder = os.path.join(os.environ["E2E_ROOT"], "Pobrane")
    os.makedirs(folder)
    arrived, missing = os.path.join(folder, "a.zip"), os.path.join(folder, "b.zip")
    with open(arrived, "wb") as out:
        out.write(b"PK")
    program.write_settings({"options": {"language": "Polish.ini"}, "Files": {"file0": arrived, "file1": missing}})

    def arm():
        # Read when monitoring starts: the next minute, unless too close.
        wait_until(lambda: datetime.datetime.now().second < 55, 10, "a minute with time left in it")
        due = (datetime.datetime.now() + datetime.timedelta(minutes=1)).replace(second=0, microsecond=0)
        program.write_user_values({"first": "1", "autodisconnect": "1", "autocomp_off": "0", "infofiles": "1",
                                   "notallfiles": "0", "Deadline": "1", "DeadlineTime": due.strftime("%H:%M")})
        return due

    app, due = start_monitoring(program, arm)
    said = "\n".join([program.message("Polish.ini", "finisheddeadline").replace("%1", due.strftime("%-H:%M")),
                      program.message("Polish.ini", "missingfiles"), missing])
    wait_until(lambda: find(app, ("label",), said), 64, "the notice of the deadline naming %s" % missing)
    if datetime.datetime.now() < due:
        raise AssertionError("the deadline came before %s" % due)
    wait_until(lambda: find(app, ("label",), COUNTDOWN_TEXT), 10, "the hang-up countdown")
    if not find(app, ("label",), said):
        raise AssertionError("the countdown took the notice's reason and the missing file")
    if not re.search(r"^file0=\s*$", program.read_settings(), re.IGNORECASE | re.MULTILINE):
        raise AssertionError("the watch list was not emptied")
    program.screenshot("deadline")


if __name__ == "__main__":
    scenario(run)
