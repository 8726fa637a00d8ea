#!/usr/bin/env bash
# Builds quendral.exe and its Windows tests with MinGW against the cached Qt
# for Windows (scripts/build-qt-windows.sh builds it once per machine) and
# runs them under Wine: every test program, then the real program once, and
# the installer and uninstaller, silently and through their pages.
# Everything runs in a private Wine prefix and a private X server, stopped by
# process id at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

bash scripts/install-deps.sh windows
qt_prefix=$(bash scripts/build-qt-windows.sh | tail -n 1)
build=${QUENDRAL_WINDOWS_BUILD_DIR:-build-windows}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" -DCMAKE_PREFIX_PATH="$qt_prefix" \
    -DQUENDRAL_WERROR=ON
cmake --build "$build" -j"$(nproc)"
program="$repo/$build/program"
bash scripts/deploy-windows.sh "$qt_prefix" "$program"
# The delivery: a zip of the program folder.
(cd "$build" && cpack -G ZIP > /dev/null)
zip_file="$repo/$build/quendral-$(sed -n 's/^project(Quendral VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-windows.zip"
listing=$(unzip -Z1 "$zip_file")
for member in quendral.exe quendral-gui.exe Qt6Core.dll platforms/qwindows.dll translations/qtbase_pl.qm Languages/English.ini beep.wav \
              quendral.ico; do
    grep -qx "$member" <<<"$listing" || { echo "the zip lacks $member" >&2; exit 1; }
done
# Both programs are GUI programs (a start from the Start menu or the Run key
# shows no console), and the command line's imports no GUI library of Qt.
for exe in quendral.exe quendral-gui.exe; do
    subsystem=$(x86_64-w64-mingw32-objdump -p "$program/$exe" | sed -n 's/^Subsystem\s*//p')
    [[ $subsystem == *"(Windows GUI)" ]] || { echo "$exe is not a Windows GUI program: $subsystem" >&2; exit 1; }
done
imports=$(x86_64-w64-mingw32-objdump -p "$program/quendral.exe" | sed -n 's/^\s*DLL Name: //p')
grep -qx Qt6Core.dll <<<"$imports" || { echo "quendral.exe does not import Qt6Core.dll: $imports" >&2; exit 1; }
if grep -q '^Qt6\(Gui\|Widgets\)' <<<"$imports"; then
    echo "quendral.exe imports a GUI library of Qt: $imports" >&2
    exit 1
fi
# The zip's language files hold the Windows lines of their source and none of the Linux ones.
for language in Polish English; do
    shipped=$(unzip -p "$zip_file" "Languages/$language.ini" | tr -d '\r')
    while IFS= read -r line; do
        case "$line" in
        '{windows}'*) grep -qxF -- "${line#'{windows}'}" <<<"$shipped" ||
            { echo "the zip's $language.ini lacks: ${line#'{windows}'}" >&2; exit 1; } ;;
        '{linux}'*) if grep -qxF -- "${line#'{linux}'}" <<<"$shipped"; then
            echo "the zip's $language.ini holds: ${line#'{linux}'}" >&2; exit 1; fi ;;
        esac
    done < <(tr -d '\r' < "Languages/$language.ini")
done

# The installer, of the zip's files.
setup="${zip_file%-windows.zip}-setup.exe"
bash scripts/build-installer.sh "$zip_file" "$setup"

work=$(mktemp -d /tmp/quendral-wine.XXXXXX)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    # The prefix's own server ends with its last client; ask it to.
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Wine must never start without a display: Qt's quit path would loop.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -nolisten tcp -screen 0 1024x768x24 > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 display <&"$fd" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display" WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1 QUENDRAL_SOURCE_DIR="Z:$repo"
# Wine takes the command line's arguments and the Unix file names in the
# Unix locale's character set: without the Polish locale made, glibc falls
# back to ASCII, and Wine drops the top bit of every byte beyond it. Made
# here in the run's own folder, so nothing of the host's changes.
mkdir "$work/locale"
localedef -i pl_PL -f UTF-8 "$work/locale/pl_PL.UTF-8"
export LOCPATH="$work/locale"
wineboot --init > "$work/wineboot.log" 2>&1

failed=()
# The tests run with the Polish code page (1250), which Wine takes from the
# locale's name: texts beyond it must survive the settings calls.
while read -r test; do
    [ -n "$test" ] || continue
    echo "=== $test"
    if ! (cd "$program" && LC_ALL=pl_PL.UTF-8 wine "$test.exe"); then
        failed+=("$test")
    fi
done < "$program/windows-tests.txt"

echo "=== e2e_windows"
python3 "$repo/tests/windows/e2e_windows.py" "$program" "$setup" || failed+=(e2e_windows)

if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed under Wine: ${failed[*]}" >&2
    exit 1
fi
echo "All Windows tests passed under Wine; the installer is $setup, the zip $zip_file."
