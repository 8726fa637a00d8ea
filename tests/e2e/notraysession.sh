#!/usr/bin/env bash
# Runs one end-to-end scenario with no tray at all:
#   notraysession.sh COMMAND...
# A private bus, Xvfb and the accessibility bus; no StatusNotifierWatcher, no
# StatusNotifierHost, no owner of _NET_SYSTEM_TRAY_S0. A test can bring a tray
# in later with sni.start_watcher(), sni.start_host() or
# sni.start_xembed_tray(); those are stopped by process id at the end too.
# (Qt 6.4 decides once per process: a program started here keeps using the
# X11 tray protocol, so only a tray of that kind shows its icon later.)
set -euo pipefail
source "$(cd "$(dirname "$0")" && pwd)/sessionlib.sh"
[ -n "${E2E_INSIDE:-}" ] || session_enter "$0" "$@"
session_setup
start_xvfb
start_a11y_bus
export QT_QPA_PLATFORM=xcb E2E_DISPLAY_KIND=x11 E2E_TRAY_KIND=none
session_run "$@"
