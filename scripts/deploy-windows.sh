#!/usr/bin/env bash
# Puts what quendral.exe (the command line, Qt Core alone) and
# quendral-gui.exe (the tray program it starts) need at run time beside
# them, one copy for both: the Qt DLLs, the
# platform plugins, the MinGW run-time DLLs, Qt's Polish and English
# translations in translations/ and, for the offscreen platform the tests
# use, a font in lib/fonts.
#   deploy-windows.sh <Qt for Windows prefix> <program folder>
set -euo pipefail
qt=${1:?Qt prefix}
program=${2:?program folder}
mkdir -p "$program/platforms" "$program/lib/fonts" "$program/translations"
for module in Core Gui Widgets Test; do
    cp -u "$qt/bin/Qt6$module.dll" "$program/"
done
for plugin in qwindows qoffscreen qminimal; do
    cp -u "$qt/plugins/platforms/$plugin.dll" "$program/platforms/"
done
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
cp -u "$gcc_dir/libstdc++-6.dll" "$gcc_dir/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll \
    "$program/"
cp -u /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$program/lib/fonts/"
# Qt's translations come from the qttranslations module, which the Qt built
# from qt6-base lacks; the .qm files are the same on every platform, so
# Debian's of the same Qt version (qt6-translations-l10n) serve.
for language in pl en; do
    cp -u "/usr/share/qt6/translations/qtbase_$language.qm" "$program/translations/"
done
