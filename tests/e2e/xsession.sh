#!/usr/bin/env bash
# Runs one end-to-end scenario in a session of its own:
#   xsession.sh COMMAND...
# A private D-Bus bus (no service folders; it is the session and the system
# bus at once), Xvfb, trayer as the tray host owning _NET_SYSTEM_TRAY_S0 and
# the accessibility bus, with temporary XDG folders and HOME. Everything it
# starts is stopped by process id when COMMAND ends.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/bus-config.sh"

if [ "${1:-}" != --inside ]; then
    root=$(mktemp -d /tmp/quendral-e2e.XXXXXX)
    write_bus_config "$root/bus.conf" "unix:dir=$root"
    status=0
    E2E_ROOT="$root" dbus-run-session --config-file="$root/bus.conf" -- bash "$0" --inside "$@" || status=$?
    rm -rf "$root"
    exit $status
fi
shift

root=$E2E_ROOT
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$root/run" "$root/config" "$root/xdg" "$root/data" "$root/cache" "$root/home"
chmod 700 "$root/run"
export XDG_RUNTIME_DIR="$root/run" XDG_CONFIG_HOME="$root/config" XDG_CONFIG_DIRS="$root/xdg" XDG_DATA_HOME="$root/data" \
    XDG_CACHE_HOME="$root/cache" HOME="$root/home"
export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" QUENDRAL_TEST_BUS="$DBUS_SESSION_BUS_ADDRESS"
export E2E_ROOT="$root"
# The program's PPP folders (sys/class/net, run): an empty tree of the
# session's own, so no run can signal a pppd of the machine.
mkdir -p "$root/ppp/sys/class/net" "$root/ppp/run"
export QUENDRAL_TEST_PPP_ROOT="$root/ppp"

# Xvfb names its display on fd 3 once it accepts clients. Without -noreset it
# resets when its last client leaves and the next client fails to connect.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1024x768x24 3>"$root/display" 2>"$root/xvfb.log" &
pids+=($!)
for _ in $(seq 200); do [ -s "$root/display" ] && break; sleep 0.05; done
[ -s "$root/display" ] || { echo "xsession: Xvfb did not start" >&2; cat "$root/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$root/display")"

trayer --edge top --align right --widthtype request --height 32 --SetDockType true --transparent false \
    >"$root/trayer.log" 2>&1 &
pids+=($!)
/usr/bin/python3 "$here/quendral_e2e.py" wait-tray-host

GSETTINGS_BACKEND=memory /usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1 >"$root/atspi.log" 2>&1 &
pids+=($!)
for _ in $(seq 200); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true' && break
    sleep 0.05
done

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 GSETTINGS_BACKEND=memory
unset SESSION_MANAGER
"$@"
