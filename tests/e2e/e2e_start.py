"""A first start shows the splash, then the icon sits in the tray and the
splash is gone; "first" is 1 afterwards."""
from quendral_e2e import Program, find, scenario, showing, tray_icons, wait_until


def run(program: Program):
    process = program.start()
    app = program.wait_for_app(process)
    loading = wait_until(lambda: find(app, ("label",), "Program is loading..."), 10, "the splash window")
    program.screenshot("splash")
    wait_until(tray_icons, 20, "the tray icon")
    wait_until(lambda: not showing(loading), 10, "the splash to close")
    program.screenshot("tray")
    wait_until(lambda: '"first"="1"' in program.user_values_text(), 10, 'the per-user value "first" set to 1')
    if process.poll() is not None:
        raise AssertionError("the program ended after its start")


scenario(run, language="English.ini", first=None)
