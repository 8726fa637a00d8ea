#!/usr/bin/env bash
# Screenshots of every window in Polish and in English, to check by eye that
# no title or text is cut off:
#   scripts/screenshots.sh OUTPUT_FOLDER [BUILD_FOLDER]
# BUILD_FOLDER (build-test by default) holds the built program (its target
# `quendral`). Each language runs in a session of its own with no tray
# (tests/e2e/notraysession.sh: private buses, Xvfb) and openbox drawing the
# title bars; needs `scripts/install-deps.sh screenshots`. PNGs land in
# OUTPUT_FOLDER as <language>-<nn>-<window>.png. E2E_SCREEN (WxHxDEPTH,
# 1024x768x24 unless set) sizes the screen, so that windows at
# QT_SCALE_FACTOR=2 fit; QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
# gives the dark theme.
set -euo pipefail
[ $# -ge 1 ] || { sed -n '2,12p' "$0" >&2; exit 2; }
repo=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
build=$(realpath -m "${2:-$repo/build-test}")
[ -x "$build/program/quendral" ] || { echo "screenshots: no program in $build/program" >&2; exit 1; }
command -v openbox >/dev/null || { echo "screenshots: openbox is missing" >&2; exit 1; }
mkdir -p "$out"
status=0
for language in Polish.ini English.ini; do
    E2E_LANGUAGE=$language QUENDRAL_PROGRAM_DIR="$build/program" E2E_ARTEFACTS="$out" \
        "$repo/tests/e2e/notraysession.sh" /usr/bin/python3 "$repo/tests/e2e/screenshots.py" || status=1
done
exit $status
