"""Checks the shape of src/: every folder holds one library, a library links
only libraries on lower floors, and every #include "<folder>/..." names the
library's own folder or one it links (directly or through others)."""
import pathlib
import re
import sys

# Lower floors first; a library may use only libraries on lower floors.
FLOORS = [
    {"base"},
    {"kit"},
    {"settings"},
    {"lang"},
    {"engine"},
    {"actions", "watchlist", "options", "info"},
    {"tray"},
    {"control"},
]
FLOOR = {name: n for n, names in enumerate(FLOORS) for name in names}

src = pathlib.Path(sys.argv[1])
faults = []
links = {}
for folder in sorted(p for p in src.iterdir() if p.is_dir()):
    cmake = (folder / "CMakeLists.txt").read_text()
    libraries = re.findall(r"add_library\((quendral_\w+)", cmake)
    if libraries != ["quendral_" + folder.name]:
        faults.append(f"{folder.name}/ holds {libraries or 'no library'}, not quendral_{folder.name} alone")
    if folder.name not in FLOOR:
        faults.append(f"{folder.name}/ has no floor in tests/layers.py")
        continue
    used = set()
    for call in re.findall(r"target_link_libraries\(quendral_\w+([^)]*)\)", cmake):
        used.update(re.findall(r"quendral_(\w+)", call))
    links[folder.name] = used
    for other in used:
        if FLOOR.get(other, len(FLOORS)) >= FLOOR[folder.name]:
            faults.append(f"quendral_{folder.name} links quendral_{other}, which is not on a lower floor")

def reachable(name, seen=None):
    seen = set() if seen is None else seen
    for other in links.get(name, ()):
        if other not in seen:
            seen.add(other)
            reachable(other, seen)
    return seen

for folder, _ in links.items():
    allowed = reachable(folder) | {folder}
    for source in sorted((src / folder).iterdir()):
        if source.suffix not in (".h", ".cpp"):
            continue
        for included in re.findall(r'^\s*#\s*include\s+"(\w+)/', source.read_text(), re.M):
            if included not in allowed:
                faults.append(f"{folder}/{source.name} includes {included}/, which quendral_{folder} does not link")

# Libraries that the command line may use without the GUI libraries: Qt Core
# (and D-Bus) only, and only such libraries below them.
WITHOUT_WIDGETS = {"base", "settings", "engine"}
GUI = re.compile(r'^\s*#\s*include\s+<(QtWidgets|QtGui|QApplication|QWidget|QGuiApplication|QIcon|QPixmap)\b', re.M)
for folder in sorted(WITHOUT_WIDGETS):
    cmake = (src / folder / "CMakeLists.txt").read_text()
    if re.search(r"Qt6::(Widgets|Gui)", cmake):
        faults.append(f"quendral_{folder} links the GUI libraries")
    for other in reachable(folder) - WITHOUT_WIDGETS:
        faults.append(f"quendral_{folder} reaches quendral_{other}, which uses the GUI libraries")
    for source in sorted((src / folder).iterdir()):
        if source.suffix in (".h", ".cpp") and GUI.search(source.read_text()):
            faults.append(f"{folder}/{source.name} includes a GUI header")

print("\n".join(faults) or "the tree keeps its shape")
sys.exit(1 if faults else 0)
