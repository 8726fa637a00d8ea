#!/usr/bin/env bash
# Runs one end-to-end scenario with a StatusNotifierItem tray and no X11 tray:
#   snisession.sh COMMAND...
# A private bus, Xvfb, the accessibility bus, status-notifier-watcher and a
# StatusNotifierHost (E2E_SNI_HOST=gtk, the default: gtk-sni-tray-standalone,
# a bar drawn at the top of the screen; E2E_SNI_HOST=bus: one that draws
# nothing), all ready before COMMAND starts. Nobody owns _NET_SYSTEM_TRAY_S0.
# Qt decides once per process whether to use the StatusNotifierItem tray: the
# host must be registered before the program makes its tray icon, as here.
# Tests drive the icon with sni.py. Everything is stopped by process id at the
# end; E2E_KEEP_ROOT=1 keeps $E2E_ROOT (logs/ has every service's log).
set -euo pipefail
source "$(cd "$(dirname "$0")" && pwd)/sessionlib.sh"
[ -n "${E2E_INSIDE:-}" ] || session_enter "$0" "$@"
session_setup
start_xvfb
start_a11y_bus
start_watcher
start_sni_host
export QT_QPA_PLATFORM=xcb E2E_DISPLAY_KIND=x11 E2E_TRAY_KIND=sni
session_run "$@"
