#!/usr/bin/env bash
# Builds the Debian package from a configured, built tree and checks it:
#   check_package.sh <build folder> <expected version>
# layout of the unpacked package, the /usr/bin link, desktop entry, icons,
# AppStream metadata, control fields and Depends, and lintian.
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
arch=$(dpkg --print-architecture)
deb_name=quendral_${version}_${arch}.deb
appstream_id=$(sed -n 's/^QUENDRAL_APPSTREAM_ID:[A-Z]*=//p' "$build/CMakeCache.txt")

work=$(mktemp -d /tmp/quendral-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

echo "== cpack"
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb=$work/out/$deb_name
[ -f "$deb" ] || { ls "$work/out" >&2; echo "FAIL: no $deb_name" >&2; exit 1; }
pass "built $deb_name"

root=$work/root
dpkg-deb -x "$deb" "$root"

echo "== layout"
prog=$root/usr/lib/quendral
for f in quendral quendral-cli quendral-gui Languages/Polish.ini Languages/English.ini beep.wav quendral.svg quendral.ico \
         ../../share/applications/quendral.desktop \
         ../../share/metainfo/$appstream_id.metainfo.xml \
         ../../share/icons/hicolor/scalable/apps/quendral.svg \
         ../../share/icons/hicolor/48x48/apps/quendral.png \
         ../../share/man/man1/quendral.1.gz \
         ../../share/doc/quendral/copyright ../../share/doc/quendral/changelog.gz; do
    [ -f "$prog/$f" ] && pass "$(realpath -m --relative-to="$root" "$prog/$f")" || fail "missing $f"
done
for exe in quendral quendral-cli quendral-gui; do
    [ -x "$prog/$exe" ] || fail "$exe is not executable"
    file -b "$prog/$exe" | grep -q 'ELF.*, stripped' || fail "$exe is not a stripped ELF file: $(file -b "$prog/$exe")"
done
# The command line's Qt front needs no GUI library; quendral, the launcher
# in front of it, no Qt library at all.
needed=$(objdump -p "$prog/quendral-cli" | sed -n 's/^ *NEEDED *//p')
grep -q '^libQt6Core' <<<"$needed" || fail "quendral-cli does not link Qt Core: $needed"
if grep -q '^libQt6\(Gui\|Widgets\)' <<<"$needed"; then fail "quendral-cli links a GUI library: $needed"; else pass "quendral-cli links no GUI library"; fi
needed=$(objdump -p "$prog/quendral" | sed -n 's/^ *NEEDED *//p')
if grep -q '^libQt' <<<"$needed"; then fail "quendral links Qt: $needed"; else pass "quendral links no Qt library"; fi
link=$root/usr/bin/quendral
if [ -L "$link" ]; then
    target=$(readlink "$link")
    case $target in /*) fail "usr/bin/quendral is an absolute link ($target)" ;; esac
    [ "$(realpath "$link")" = "$(realpath "$prog/quendral")" ] && pass "usr/bin/quendral -> $target" \
        || fail "usr/bin/quendral points at $target, not the program folder's executable"
else
    fail "usr/bin/quendral is not a symbolic link"
fi
file -b "$root/usr/share/icons/hicolor/48x48/apps/quendral.png" | grep -q '^PNG image data, 48 x 48' \
    || fail "the 48 px icon is not a 48 x 48 PNG"
cmp -s "$root/usr/share/icons/hicolor/scalable/apps/quendral.svg" "$prog/quendral.svg" || fail "the scalable icon differs from the program's"

echo "== desktop entry and AppStream metadata"
desktop=$root/usr/share/applications/quendral.desktop
metainfo=$root/usr/share/metainfo/$appstream_id.metainfo.xml
desktop-file-validate "$desktop" && pass "desktop-file-validate" || fail "desktop-file-validate"
for line in 'Name=Quendral' 'Exec=quendral' 'TryExec=quendral' 'Icon=quendral'; do
    grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
done
grep -q '^Comment\[pl\]=' "$desktop" || fail "desktop entry lacks a Polish comment"
appstreamcli validate --no-net --pedantic "$metainfo" && pass "appstreamcli validate" || fail "appstreamcli validate"
/usr/bin/python3 - "$metainfo" "$appstream_id" "$version" <<'PY' || fail "metainfo contents"
import sys, xml.etree.ElementTree as ET
path, cid, version = sys.argv[1:]
c = ET.parse(path).getroot()
lang = '{http://www.w3.org/XML/1998/namespace}lang'
errors = []
if c.findtext('id') != cid: errors.append(f'id {c.findtext("id")!r} is not {cid!r}')
if c.findtext("launchable[@type='desktop-id']") != 'quendral.desktop': errors.append('launchable is not quendral.desktop')
for tag in ('name', 'summary'):
    langs = {e.get(lang) for e in c.findall(tag)}
    if not {None, 'pl'} <= langs: errors.append(f'{tag} lacks English or Polish')
ps = {p.get(lang) for p in c.findall('description/p')}
if not {None, 'pl'} <= ps: errors.append('description lacks English or Polish')
releases = [r.get('version') for r in c.findall('releases/release')]
if not releases or releases[0] != version: errors.append(f'newest release {releases[:1]} is not {version}')
for e in errors: print('metainfo:', e, file=sys.stderr)
sys.exit(1 if errors else 0)
PY

echo "== control"
dpkg-deb -I "$deb" control
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quendral ] || fail "Package"
[ "$(field Version)" = "$version" ] || fail "Version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture"
for f in Maintainer Section Homepage Description; do [ -n "$(field $f)" ] || fail "no $f field"; done
depends=$(field Depends | tr -d ' ' | tr ',' '\n' | sed 's/(.*//')
for pkg in libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 libqt6svg6 qt6-qpa-plugins \
           libcanberra0 libcanberra-pulse sound-theme-freedesktop qt6-translations-l10n libc6 libstdc++6; do
    grep -qx "$pkg" <<<"$depends" && pass "Depends: $pkg" || fail "Depends lacks $pkg"
done

echo "== lintian"
# Errors and warnings fail; info and pedantic notes are shown only.
if lintian --display-info --pedantic --fail-on error,warning "$deb"; then pass "lintian"; else fail "lintian"; fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all package checks passed"
