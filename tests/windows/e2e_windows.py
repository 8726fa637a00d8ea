"""The real quendral.exe under Wine with the Polish code page: it starts,
shows its splash and its tray icon, writes the default language into
Settings.ini, shows the options window on the first start, and the options
window's Apply writes the per-user values into the registry; texts beyond the
code page outlive a restart; the installer runs silently and through its
pages in both languages. Runs inside the Wine prefix and X server that
scripts/test-windows.sh made (WINEPREFIX, DISPLAY)."""
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SETTINGS_KEY = r"HKCU\Software\VB and VBA Program Settings\Quendral\Settings"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quendral"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
BUTTON_KEY = r"HKLM\Software\Microsoft\Internet Explorer\Extensions\{B73455AE-D3DE-492a-8FE0-0EA053B85277}"
# Texts the Polish code page (1250) holds only in part: Czech it holds, Cyrillic not.
WIDE_ENTRY = "C:\\users\\Public\\Жук-kůň.zip"
WIDE_COMMAND = "cmd /c echo Готово, kůň úpěl"
# The access keys of the buttons of the installer's pages, of its message
# boxes' Yes, and of the uninstaller's pages, in each language; the system's
# language chooses the installer's.
PAGES = {
    "English": ("en_US.UTF-8", ["alt+i", "alt+f"], ["alt+u", "alt+y", "alt+c"]),
    "Polish": ("pl_PL.UTF-8", ["alt+z"], ["alt+o", "alt+t", "alt+z"]),
}


def wait_for(what, check, timeout=90):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = check()
        if value:
            return value
        time.sleep(0.5)
    raise SystemExit(f"timed out waiting for {what}")


def registry_value(name, key=SETTINGS_KEY):
    result = subprocess.run(["wine", "reg", "query", key, "/v", name],
                            capture_output=True, text=True, errors="replace")
    for line in result.stdout.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[0].lower() == name.lower():
            return parts[2].strip()
    return None


def settings_text(folder):
    try:
        with open(os.path.join(folder, "Settings.ini"), "rb") as f:
            return f.read().decode("utf-8", "replace")
    except FileNotFoundError:
        return ""


def desktop_window():
    result = subprocess.run(["xdotool", "search", "--name", "quendral-e2e"], capture_output=True, text=True)
    ids = result.stdout.split()
    return ids[0] if ids else None


def artefacts():
    return os.environ.get("E2E_ARTEFACTS", tempfile.gettempdir())


def replace_line(path, pattern, line):
    with open(path, "rb") as f:
        text = f.read()
    with open(path, "wb") as f:
        f.write(re.sub(pattern, line, text))


def read_message_box_back(built, program, env, log, window):
    """A second quendral.exe, started through the same path in upper case,
    says that the first one runs, in the Polish language file's words: the
    box, copied with Ctrl+C, reads back right."""
    expected = "Quendral już działa: zażółć gęślą jaźń, ŻÓŁĆ GĘŚLĄ JAŹŃ."
    replace_line(os.path.join(program, "Languages", "Polish.ini"), rb"(?m)^doublerun=[^\r\n]*",
                 b"doublerun=" + expected.encode("utf-8"))
    replace_line(os.path.join(program, "Settings.ini"), rb"(?mi)^language=[^\r\n]*", b"language=Polish.ini")
    upper = "Z:" + os.path.join(program, "quendral.exe").upper().replace("/", "\\")
    subprocess.Popen(["wine", "explorer", "/desktop=quendral-e2e,1024x700", upper],
                     cwd=program, env=env, stdout=log, stderr=subprocess.STDOUT)
    shown = [""]

    def copied():
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False)
        # A click on the box's text, in the middle of the desktop, gives it the keyboard.
        subprocess.run(["xdotool", "mousemove", "--window", window, "512", "296", "click", "1"], check=False)
        subprocess.run(["xdotool", "key", "--delay", "100", "ctrl+c"], check=False)
        result = subprocess.run(["wine", os.path.join(built, "test_clipboardtext.exe")], capture_output=True)
        shown[0] = result.stdout.decode("utf-8", "replace")
        return expected in shown[0]

    try:
        wait_for("the second start's message box", copied, timeout=60)
    except SystemExit:
        subprocess.run(["import", "-window", "root", os.path.join(artefacts(), "windows-messagebox.png")], check=False)
        raise SystemExit(f"the message box read back as {shown[0]!r}, not with {expected!r}")
    subprocess.run(["xdotool", "key", "Return"], check=False)


def quendral(program, env, *arguments, code=0):
    done = subprocess.run(["wine", os.path.join(program, "quendral.exe"), *arguments], cwd=program, env=env,
                          capture_output=True, text=True, errors="replace", timeout=60)
    assert done.returncode == code and (code == 0 or done.stderr.strip()), (arguments, done.returncode, done.stderr)
    return done.stdout


def start(program, env, log):
    return subprocess.Popen(["wine", "explorer", "/desktop=quendral-e2e,1024x700",
                             os.path.join(program, "quendral.exe")],
                            cwd=program, env=env, stdout=log, stderr=subprocess.STDOUT)


def control_round_trip(program, env):
    """The command line reaches the running copy over its pipe: --add, then
    --status --json reads the entry back; --monitor is refused for want of a
    dial-up connection, --check-now while not monitoring; --stop is done."""
    quendral(program, env, "--add", "C:\\users\\Public\\plik.zip")
    status = json.loads(quendral(program, env, "--status", "--json"))
    assert status["entries"] == [{"path": "C:\\users\\Public\\plik.zip", "state": "missing"}], status
    quendral(program, env, "--monitor", code=1)
    quendral(program, env, "--check-now", code=1)
    quendral(program, env, "--stop")


def seed_command(work):
    """The per-user command, imported before the first start (reg files are UTF-16)."""
    path = os.path.join(work, "command.reg")
    with open(path, "w", encoding="utf-16") as f:
        f.write("Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n\"Command\"=\"%s\"\r\n"
                % (SETTINGS_KEY.replace("HKCU", "HKEY_CURRENT_USER"), WIDE_COMMAND))
    subprocess.run(["wine", "reg", "import", path], check=True, capture_output=True)


def stored_command(work):
    path = os.path.join(work, "export.reg")
    subprocess.run(["wine", "reg", "export", SETTINGS_KEY, path, "/y"], check=True, capture_output=True)
    with open(path, encoding="utf-16") as f:
        found = re.search(r'^"Command"="(.*)"\r?$', f.read(), re.M | re.I)
    return found and found.group(1)


def wide_texts_survive_restart(program, env, log, work, running):
    """A watch-list entry with Cyrillic and Czech letters, added after the
    options window's Apply, and the command seeded before it, outlive a
    restart: the entry reads back whole, so it is missing, while "?" for each
    letter the code page lacks would match the file beside it."""
    public = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "Public")
    open(os.path.join(public, "abc-kůň.zip"), "wb").close()
    quendral(program, env, "--add", WIDE_ENTRY)
    subprocess.run(["wineserver", "-k"], check=False)
    running.wait(30)
    restarted = start(program, env, log)

    def status():
        try:
            done = subprocess.run(["wine", os.path.join(program, "quendral.exe"), "--status", "--json"], cwd=program,
                                  env=env, capture_output=True, text=True, errors="replace", timeout=60)
        except subprocess.TimeoutExpired:
            return False
        return done.returncode == 0 and json.loads(done.stdout)

    entries = wait_for("the restarted copy's command line", status)["entries"]
    assert [entry["state"] for entry in entries] == ["missing", "missing"], entries
    with open(os.path.join(program, "Settings.ini"), "rb") as f:
        stored = f.read()
    # In whichever slot the sorted list put it.
    assert re.search(rb"(?mi)^file\d+=" + re.escape(WIDE_ENTRY.encode("utf-8")), stored), \
        re.findall(rb"(?mi)^file\d+=[^\r\n]*", stored)
    assert stored_command(work) == WIDE_COMMAND, stored_command(work)
    return restarted


def registry_has(*query):
    return subprocess.run(["wine", "reg", "query", *query], capture_output=True).returncode == 0


def install_and_uninstall(setup, env, log):
    """Installed silently, started from the Start-menu entry's target, then the
    uninstall entry's command, silent, ends it (else its files would stay) and
    leaves no file, Start-menu entry, uninstall entry, Run value or button."""
    appdata = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "AppData")
    subprocess.run(["wine", setup, "/S"], env=env, stdout=log, stderr=subprocess.STDOUT, check=True)
    folder = glob.glob(os.path.join(appdata, "Local", "Programs", "Quendral"))[0]
    link = glob.glob(os.path.join(appdata, "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                                  "Quendral.lnk"))[0]
    with open(link, "rb") as f:  # the link's local base path
        target = re.search(rb"[A-Za-z]:\\[ -~]*?quendral\.exe", f.read(), re.I).group().decode()
    subprocess.Popen(["wine", "explorer", "/desktop=quendral-e2e,1024x700", target],  # not from its folder
                     cwd=os.environ["WINEPREFIX"], env=env, stdout=log, stderr=subprocess.STDOUT)
    wait_for("the installed copy's Settings.ini", lambda: "language=" in settings_text(folder))
    for key, name in ((RUN_KEY, "Quendral 1.2"), (BUTTON_KEY, "Exec")):  # as the options window writes them
        subprocess.run(["wine", "reg", "add", key, "/v", name, "/d", target, "/f"], check=True)
    assert registry_value("EstimatedSize", UNINSTALL_KEY), "no uninstall entry"
    uninstaller = registry_value("QuietUninstallString", UNINSTALL_KEY).split('"')[1]
    subprocess.run(["wine", uninstaller, "/S", "/REMOVESETTINGS"], env=env, check=True)
    # It goes on from a copy of itself.
    wait_for("no folder, Start-menu entry, uninstall entry, Run value or button left", lambda: not any([
        os.path.exists(folder), os.path.exists(link), registry_has(UNINSTALL_KEY),
        registry_has(RUN_KEY, "/v", "Quendral 1.2"), registry_has(BUTTON_KEY)]), timeout=60)


def press_until(desktop, keys, done, what):
    """Presses the keys, again and again, into the Wine desktop until done():
    a key the page on screen lacks does nothing."""
    def step():
        if done():
            return True
        found = subprocess.run(["xdotool", "search", "--name", desktop], capture_output=True, text=True).stdout.split()
        if found:
            subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], check=False)
            subprocess.run(["xdotool", "key", "--delay", "150", *keys], check=False)
        return done()
    wait_for(what, step, timeout=180)


def install_by_pages(setup, env, log, language):
    """The installer's pages, then the uninstaller's, driven by their access
    keys in the system's language: installed, started from the last page,
    then ended, removed with its settings and unlisted, as the silent run."""
    locale, setup_keys, uninstall_keys = PAGES[language]
    env = dict(env, LC_ALL=locale)
    desktop = "quendral-setup-" + language
    appdata = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "AppData")
    folder = os.path.join(glob.glob(appdata)[0], "Local", "Programs", "Quendral")
    link = os.path.join(glob.glob(appdata)[0], "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                        "Quendral.lnk")
    subprocess.Popen(["wine", "explorer", "/desktop=%s,1024x700" % desktop, setup], cwd=os.environ["WINEPREFIX"],
                     env=env, stdout=log, stderr=subprocess.STDOUT)
    press_until(desktop, setup_keys, lambda: registry_has(UNINSTALL_KEY) and os.path.exists(link)
                and "language=" in settings_text(folder), language + " installer pages, then the program started")
    uninstaller = registry_value("UninstallString", UNINSTALL_KEY).strip('"')
    subprocess.Popen(["wine", "explorer", "/desktop=%s,1024x700" % desktop, uninstaller],
                     cwd=os.environ["WINEPREFIX"], env=env, stdout=log, stderr=subprocess.STDOUT)
    press_until(desktop, uninstall_keys, lambda: not any([os.path.exists(folder), os.path.exists(link),
                                                          registry_has(UNINSTALL_KEY)]),
                language + " uninstaller pages: no folder, Start-menu entry or uninstall entry left")


def main():
    built = sys.argv[1]
    work = tempfile.mkdtemp(prefix="quendral-e2e-win.")
    program = os.path.join(work, "Quendral")
    shutil.copytree(built, program, ignore=shutil.ignore_patterns("test_*", "windows-tests.txt"))
    # The Polish code page, 1250.
    env = dict(os.environ, WINEDEBUG="+systray", LC_ALL="pl_PL.UTF-8")
    env.pop("WINEQT_QPA_PLATFORM", None)  # the real windows platform, with its tray
    log = open(os.path.join(work, "wine.log"), "w")
    seed_command(work)
    running = start(program, env, log)
    try:
        wait_for("the default language in Settings.ini", lambda: "language=" in settings_text(program))
        wait_for("the first start recorded", lambda: registry_value("first") == "1")
        # The icon reaches Wine's tray once the splash has loaded the tray window.
        wait_for("the tray icon", lambda: "NIM_ADD" in open(log.name, errors="replace").read()
                 or "add_icon" in open(log.name, errors="replace").read())
        window = wait_for("the Wine desktop", desktop_window)
        # The first start shows the options window once the splash is gone;
        # its Apply button has the access key of its caption in the chosen
        # language: "&Zastosuj i ukryj" or "&Apply and hide".
        apply_key = "alt+z" if "language=Polish.ini" in settings_text(program) else "alt+a"
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False)

        def apply_options():
            subprocess.run(["xdotool", "key", "--delay", "100", apply_key], check=True)
            return registry_value("autodisconnect") == "1"

        wait_for("the options window's Apply to write the registry", apply_options, timeout=60)
        subprocess.run(["import", "-window", "root", os.path.join(artefacts(), "windows-applied.png")], check=False)
        assert registry_value("autocomp_off") == "0", registry_value("autocomp_off")
        assert registry_value("IE") == "0", registry_value("IE")
        assert running.poll() is None, "quendral.exe ended"
        control_round_trip(program, env)
        read_message_box_back(built, program, env, log, window)
        running = wide_texts_survive_restart(program, env, log, work, running)
        if len(sys.argv) > 2:
            install_and_uninstall(sys.argv[2], env, log)
            for language in PAGES:
                install_by_pages(sys.argv[2], env, log, language)
        print("quendral.exe under Wine: splash, tray icon, Settings.ini, the registry values, a Polish "
              "message box at a second start through an upper-case path, the command line, texts beyond the "
              "code page across a restart, the installer and uninstaller, silent and through their pages")
    finally:
        # Ends every program of this run's private prefix, quendral.exe among them.
        subprocess.run(["wineserver", "-k"], check=False)
        try:
            running.wait(10)
        except subprocess.TimeoutExpired:
            running.kill()
        shutil.copy(log.name, os.path.join(artefacts(), "windows-wine.log"))
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
