"""Checks the shape of src/: every folder holds its library (and perhaps a
few more, each file listed in at most one; a file listed in none is the
folder library's), a library links only libraries
on lower floors, every #include "<folder>/..." names a file of the library's
own or of one it links (directly or through others), and the command line's
libraries, the front program's among them, stay clear of the GUI libraries;
Linux's launcher (src/launcher) includes and links nothing of Qt or ours."""
import pathlib
import re
import sys

# Lower floors first; a library may use only libraries on lower floors.
FLOORS = [
    {"base"},
    {"kit", "entry"},
    {"settings"},
    {"messages"},
    {"lang"},
    {"engine"},
    {"actions", "watchlist", "options", "info"},
    {"tray", "commandline"},
    {"control", "front"},
]
FLOOR = {name: n for n, names in enumerate(FLOORS) for name in names}

# Libraries that must do without the GUI libraries even when the front
# program does not use them: the monitoring engine.
WITHOUT_WIDGETS = {"base", "settings", "engine"}
GUI_LINK = re.compile(r"Qt6::(Widgets|Gui|Svg)\b")
GUI = re.compile(r'^\s*#\s*include\s+<(QtWidgets|QtGui|QtSvg|QApplication|QWidget|QGuiApplication|QIcon|QPixmap)\b',
                 re.M)
CALL = r"{}\(\s*quendral_(\w+)([^)]*)\)"
# The folder of an executable, not a library: Linux's quendral.
LAUNCHER = "launcher"
INCLUDE = re.compile(r'^\s*#\s*include\s+([<"])([^>"]+)[>"]', re.M)


def calls(cmake, command):
    """The (library, rest) of every `command(quendral_<name> ...)` call."""
    return re.findall(CALL.format(command), cmake)


def files_of(rest):
    """The file names in the rest of an add_library or target_sources call."""
    return [word for word in rest.split() if word.endswith((".cpp", ".h"))]


src = pathlib.Path(sys.argv[1])
faults = []
links = {}
owner = {}  # "folder/file" to its library
folder_of = {}
for folder in sorted(p for p in src.iterdir() if p.is_dir() and p.name != LAUNCHER):
    cmake = (folder / "CMakeLists.txt").read_text()
    libraries = [name for name, _ in calls(cmake, "add_library")]
    if folder.name not in libraries:
        faults.append(f"{folder.name}/ holds {libraries or 'no library'}, not quendral_{folder.name}")
    for name, rest in calls(cmake, "add_library") + calls(cmake, "target_sources"):
        for file in files_of(rest):
            key = f"{folder.name}/{file}"
            if owner.setdefault(key, name) != name:
                faults.append(f"{key} is listed in quendral_{owner[key]} and quendral_{name}")
    for name in libraries:
        folder_of[name] = folder
        if name not in FLOOR:
            faults.append(f"quendral_{name} has no floor in tests/layers.py")
            continue
        used = set()
        for _, call in (c for c in calls(cmake, "target_link_libraries") if c[0] == name):
            used.update(re.findall(r"quendral_(\w+)", call))
        links[name] = used
        for other in used:
            if FLOOR.get(other, len(FLOORS)) >= FLOOR[name]:
                faults.append(f"quendral_{name} links quendral_{other}, which is not on a lower floor")
    # A file the CMake file leaves out (a header) belongs to the folder's library.
    for source in sorted(folder.iterdir()):
        if source.suffix in (".h", ".cpp"):
            owner.setdefault(f"{folder.name}/{source.name}", folder.name)


def reachable(names, seen=None):
    seen = set() if seen is None else seen
    for name in names:
        for other in links.get(name, ()):
            if other not in seen:
                seen.add(other)
                reachable({other}, seen)
    return seen


def check_includes(source, allowed, label):
    for included in re.findall(r'^\s*#\s*include\s+"(\w+/[\w.]+)"', source.read_text(), re.M):
        library = owner.get(included)
        if library is None:
            faults.append(f"{label} includes {included}, which no library lists")
        elif library not in allowed:
            faults.append(f"{label} includes {included}, but quendral_{library} is not linked")


for key, library in sorted(owner.items()):
    source = src / key
    if source.exists() and library in links:
        check_includes(source, reachable({library}) | {library}, key)

# The front program: its own sources and the libraries it links.
top = (src / "CMakeLists.txt").read_text()
FRONT = r"\$\{QUENDRAL_FRONT_TARGET\}"
front_sources = files_of(re.search(r"add_executable\(" + FRONT + r"\s+(?:WIN32\s+)?([^)]*)\)", top).group(1))
front_links = set(re.findall(r"quendral_(\w+)", re.search(r"target_link_libraries\(" + FRONT + r"\s([^)]*)\)",
                                                                top).group(1)))
front_libraries = front_links | reachable(front_links)
for file in front_sources:
    source = src / file
    check_includes(source, front_libraries, file)
    if GUI.search(source.read_text()):
        faults.append(f"{file}, of the front program, includes a GUI header")

for name in sorted(WITHOUT_WIDGETS | front_libraries):
    if name not in folder_of:
        faults.append(f"quendral_{name} is no library of src/")
        continue
    cmake = (folder_of[name] / "CMakeLists.txt").read_text()
    for library, call in calls(cmake, "target_link_libraries"):
        if library == name and GUI_LINK.search(call):
            faults.append(f"quendral_{name} links the GUI libraries")
    for other in reachable({name}) - WITHOUT_WIDGETS - front_libraries:
        faults.append(f"quendral_{name} reaches quendral_{other}, which uses the GUI libraries")
    for key, library in sorted(owner.items()):
        if library == name and (src / key).exists() and GUI.search((src / key).read_text()):
            faults.append(f"{key} includes a GUI header")

# The launcher: the C++ library and the system's headers, its own files.
launcher = src / LAUNCHER
if re.search(r"target_link_libraries|Qt6|quendral_\w", (launcher / "CMakeLists.txt").read_text()):
    faults.append(f"{LAUNCHER}/ links a library")
for source in sorted(launcher.glob("*.*")):
    if source.suffix not in (".cpp", ".h"):
        continue
    for quote, name in INCLUDE.findall(source.read_text()):
        if (quote == '"' and not name.startswith(LAUNCHER + "/")) or (quote == "<" and name[0] in "Qq"):
            faults.append(f"{LAUNCHER}/{source.name} includes {name}")

print("\n".join(faults) or "the tree keeps its shape")
sys.exit(1 if faults else 0)
