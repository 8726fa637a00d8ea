#!/usr/bin/env bash
# Runs one end-to-end scenario on Wayland with a StatusNotifierItem tray:
#   westonsession.sh COMMAND...
# A private bus, a headless weston (desktop shell, pixman, --debug so that
# weston-screenshooter may take screenshots), the accessibility bus,
# status-notifier-watcher and a StatusNotifierHost, all ready before COMMAND
# starts. COMMAND gets WAYLAND_DISPLAY and QT_QPA_PLATFORM=wayland and no
# DISPLAY. The GTK host cannot run on Wayland, so it draws on an Xvfb of its
# own that COMMAND does not see (E2E_SNI_HOST=bus: a host with no display;
# E2E_SNI_HOST=none: no watcher and no host, Wayland with no tray at all; the
# test may start them later with sni.start_watcher() and sni.start_host("bus")).
# Weston's headless output has no input devices: windows are driven through
# AT-SPI actions, the tray icon through sni.py.
set -euo pipefail
source "$(cd "$(dirname "$0")" && pwd)/sessionlib.sh"
[ -n "${E2E_INSIDE:-}" ] || session_enter "$0" "$@"
session_setup
start_weston
start_a11y_bus
tray=sni
case "${E2E_SNI_HOST:-gtk}" in
    gtk)
        start_watcher
        start_xvfb E2E_HOST_DISPLAY
        start_sni_host "$E2E_HOST_DISPLAY"
        ;;
    none) tray=none ;;
    *)
        start_watcher
        start_sni_host
        ;;
esac
export QT_QPA_PLATFORM=wayland E2E_DISPLAY_KIND=wayland E2E_TRAY_KIND=$tray
session_run "$@"
