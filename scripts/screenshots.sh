#!/usr/bin/env bash
# Screenshots of every window in Polish and in English, to check by eye that
# no title or text is cut off:
#   scripts/screenshots.sh [--dark] [--scale N] OUTPUT_FOLDER [BUILD_FOLDER]
# BUILD_FOLDER (build-test by default) holds the built program (its target
# `quendral`). Each language runs in a session of its own with no tray
# (tests/e2e/notraysession.sh: private buses, Xvfb) and openbox drawing the
# title bars; needs `scripts/install-deps.sh screenshots`. PNGs land in
# OUTPUT_FOLDER as <language>-<nn>-<window>.png.
#   --dark     the dark theme as a GNOME user has it: Qt's GTK platform
#              theme (QT_QPA_PLATFORMTHEME=gtk3) with GTK_THEME=Adwaita:dark,
#              which gives Qt the dark palette and GTK's own file dialog
#   --scale N  QT_SCALE_FACTOR=N, on a screen N times 1024x768
# E2E_SCREEN (WxHxDEPTH) sizes the screen otherwise.
set -euo pipefail
usage() { sed -n '2,14p' "$0" >&2; exit 2; }
repo=$(cd "$(dirname "$0")/.." && pwd)
dark="" scale=""
while [ $# -gt 0 ]; do
    case "$1" in
        --dark) dark=1; shift ;;
        --scale)
            if [ $# -lt 2 ] || ! [[ "$2" =~ ^[1-9][0-9]*$ ]]; then usage; fi
            scale=$2
            shift 2
            ;;
        --*) usage ;;
        *) break ;;
    esac
done
if [ $# -lt 1 ] || [ $# -gt 2 ]; then usage; fi
out=$(realpath -m "$1")
build=$(realpath -m "${2:-$repo/build-test}")
[ -x "$build/program/quendral" ] || { echo "screenshots: no program in $build/program" >&2; exit 1; }
command -v openbox >/dev/null || { echo "screenshots: openbox is missing" >&2; exit 1; }
if [ -n "$dark" ]; then
    # Without the plugin Qt falls back to its light palette without a word.
    compgen -G "/usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so" >/dev/null || {
        echo "screenshots: --dark needs Qt's GTK platform theme (qt6-gtk-platformtheme)" >&2
        exit 1
    }
    export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
fi
if [ -n "$scale" ]; then
    export QT_SCALE_FACTOR=$scale
    export E2E_SCREEN=${E2E_SCREEN:-$((1024 * scale))x$((768 * scale))x24}
fi
mkdir -p "$out"
status=0
for language in Polish.ini English.ini; do
    E2E_LANGUAGE=$language QUENDRAL_PROGRAM_DIR="$build/program" E2E_ARTEFACTS="$out" \
        "$repo/tests/e2e/notraysession.sh" /usr/bin/python3 "$repo/tests/e2e/screenshots.py" || status=1
done
exit $status
