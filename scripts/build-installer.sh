#!/usr/bin/env bash
# Makes the Windows installer quendral-<version>-setup.exe from the zip of
# the program folder, with Debian's makensis (scripts/install-deps.sh windows):
#   build-installer.sh <quendral-<version>-windows.zip> <setup.exe>
set -euo pipefail
cd "$(dirname "$0")/.."
zip_file=$(realpath "$1")
setup=$(realpath -m "$2")
version=$(sed -n 's/^project(Quendral VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
work=$(mktemp -d /tmp/quendral-nsis.XXXXXX)
trap 'rm -rf "$work"' EXIT

unzip -q "$zip_file" -d "$work/files"
# The uninstaller removes the files the installer put there and nothing
# else: what the user added to the folder stays, and keeps the folder.
(
    cd "$work/files"
    find . -type f | sort | while read -r file; do
        file=${file#./}
        printf 'Delete "$INSTDIR\\%s"\n' "${file//\//\\}"
    done
    find . -mindepth 1 -type d | sort -r | while read -r folder; do
        folder=${folder#./}
        printf 'RMDir "$INSTDIR\\%s"\n' "${folder//\//\\}"
    done
) > "$work/uninstall-files.nsh"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILES="$work/files" \
    -DUNINSTALL_FILES="$work/uninstall-files.nsh" -DOUTFILE="$setup" packaging/windows/quendral.nsi
