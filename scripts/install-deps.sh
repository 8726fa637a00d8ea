#!/usr/bin/env bash
# Installs the Debian packages Quendral needs, skipping those already there.
#   install-deps.sh run    what building and running needs
#   install-deps.sh test   that, plus what the tests need
#   install-deps.sh package  what building and the Debian package need
#   install-deps.sh windows  what the Windows build and its tests under Wine need
#   install-deps.sh screenshots  the test set, plus a window manager that draws
#                          titles for scripts/screenshots.sh
set -euo pipefail

build_pkgs=(cmake ninja-build g++ ccache pkg-config qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libgl-dev
            libcanberra-dev libxcb1-dev librsvg2-bin)
# qt6-wayland: the program runs on Wayland desktops with Qt's own platform.
# qt6-translations-l10n: Qt's own buttons and dialogs in the interface language.
run_pkgs=(qt6-qpa-plugins qt6-wayland libqt6svg6 libcanberra0 libcanberra-pulse sound-theme-freedesktop
          qt6-translations-l10n)
test_pkgs=(dbus dbus-daemon python3-dbusmock python3-dbus pulseaudio pulseaudio-utils sox
           xvfb xauth trayer xdotool x11-utils imagemagick fonts-dejavu-core
           at-spi2-core gir1.2-atspi-2.0 python3-gi desktop-file-utils libglib2.0-bin procps clang-format
           dpkg-dev lintian appstream file man-db tk8.6
           clang libclang-rt-14-dev bindfs)
# bindfs: a FUSE mount for the look for writers where leases see too little.
# cpack's DEB generator: dpkg-shlibdeps (and dpkg-buildflags for
# scripts/package.sh) from dpkg-dev, and file to find the executables.
package_pkgs=(dpkg-dev file)
# StatusNotifierItem trays and Wayland for the end-to-end runs
# (tests/e2e/snisession.sh, westonsession.sh, notraysession.sh): a watcher, a
# GTK tray that draws the items, a headless compositor.
sni_test_pkgs=(haskell-status-notifier-item-utils haskell-gtk-sni-tray-utils weston)
# qt6-gtk-platformtheme: the GTK theme's palette for the dark shots (--dark).
screenshot_pkgs=(openbox qt6-gtk-platformtheme)

# The Windows build: MinGW, Wine to run its tests, a display for Wine, the
# picture renderer, the packagers of the zip and the installer, and Qt's
# translations that the zip carries.
windows_pkgs=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 xvfb xdotool imagemagick librsvg2-bin
              fonts-dejavu-core zip unzip nsis qt6-base-dev qt6-base-dev-tools python3 qt6-translations-l10n
              locales)

case "${1:-run}" in
    windows) wanted=("${windows_pkgs[@]}") ;;
    package) wanted=("${build_pkgs[@]}" "${run_pkgs[@]}" "${package_pkgs[@]}") ;;
    test) wanted=("${build_pkgs[@]}" "${run_pkgs[@]}" "${test_pkgs[@]}" "${sni_test_pkgs[@]}") ;;
    screenshots) wanted=("${build_pkgs[@]}" "${run_pkgs[@]}" "${test_pkgs[@]}" "${sni_test_pkgs[@]}"
                         "${screenshot_pkgs[@]}") ;;
    *) wanted=("${build_pkgs[@]}" "${run_pkgs[@]}") ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
