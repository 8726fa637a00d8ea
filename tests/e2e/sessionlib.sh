# shellcheck shell=bash
# Sourced by the session scripts (snisession.sh, westonsession.sh,
# notraysession.sh). Each of them runs one command in a world of its own:
#
#   session_enter "$0" "$@"      re-runs the script inside dbus-run-session
#                                 on a private bus (no service folders, so
#                                 nothing is auto-started; it is the session
#                                 and the system bus at once), with temporary
#                                 XDG folders and HOME under $E2E_ROOT;
#   start_xvfb                    an X server; sets DISPLAY
#   start_weston                  a headless Wayland compositor; sets
#                                 WAYLAND_DISPLAY
#   start_watcher                 a StatusNotifierWatcher
#   start_sni_host                a StatusNotifierHost (E2E_SNI_HOST: gtk, the
#                                 default, draws the icons in a GTK window;
#                                 bus registers and draws nothing)
#   start_a11y_bus                the accessibility bus
#   session_run COMMAND...        runs the command and returns its status.
#
# Every start_* function waits until what it started is ready, polling with a
# deadline, and records the process id. When the script ends, everything is
# stopped by process id, newest first: what the script started and what the
# test started through sni.py (which appends its ids to $E2E_ROOT/pids).

e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/bus-config.sh
source "$e2e_here/../../scripts/bus-config.sh"
E2E_PYTHON=/usr/bin/python3

session_enter() {
    local script=$1
    shift
    local root status=0
    root=$(mktemp -d /tmp/quendral-e2e.XXXXXX)
    write_bus_config "$root/bus.conf" "unix:dir=$root"
    E2E_ROOT="$root" E2E_INSIDE=1 dbus-run-session --config-file="$root/bus.conf" -- \
        bash "$script" "$@" || status=$?
    if [ -n "${E2E_KEEP_ROOT:-}" ]; then
        echo "session: kept $root" >&2
    else
        rm -rf "$root"
    fi
    exit $status
}

e2e_pids=()
session_cleanup() {
    local i pid
    if [ -f "$E2E_ROOT/pids" ]; then
        # Started by the test; newest first, and only while the id still names
        # a process of this session (it carries our E2E_ROOT).
        while read -r pid; do
            [ -n "$pid" ] || continue
            if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "E2E_ROOT=$E2E_ROOT"; then
                kill "$pid" 2>/dev/null || true
            fi
        done < <(tac "$E2E_ROOT/pids")
    fi
    for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do
        kill "${e2e_pids[i]}" 2>/dev/null || true
    done
    for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do
        wait "${e2e_pids[i]}" 2>/dev/null || true
    done
}

session_setup() {
    trap session_cleanup EXIT
    trap 'exit 130' INT TERM
    local root=$E2E_ROOT
    mkdir -p "$root/run" "$root/config" "$root/xdg" "$root/cache" "$root/home" "$root/logs"
    chmod 700 "$root/run"
    export XDG_RUNTIME_DIR="$root/run" XDG_CONFIG_HOME="$root/config" XDG_CONFIG_DIRS="$root/xdg" \
        XDG_CACHE_HOME="$root/cache" HOME="$root/home"
    export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" QUENDRAL_TEST_BUS="$DBUS_SESSION_BUS_ADDRESS"
    export E2E_ROOT="$root" GSETTINGS_BACKEND=memory
    # The program's PPP folders: an empty tree of the session's own, so no run
    # can signal a pppd of the machine.
    mkdir -p "$root/ppp/sys/class/net" "$root/ppp/run"
    export QUENDRAL_TEST_PPP_ROOT="$root/ppp"
    unset SESSION_MANAGER DISPLAY WAYLAND_DISPLAY E2E_INSIDE
    : > "$root/pids"
}

session_fail() {
    echo "session: $1" >&2
    [ -n "${2:-}" ] && [ -f "$2" ] && tail -n 30 "$2" >&2
    exit 1
}

# start_xvfb [VARIABLE]: starts an X server and puts its name into DISPLAY
# (or into VARIABLE, for a server the command under test must not see).
start_xvfb() {
    local var=${1:-DISPLAY} n=${#e2e_pids[@]}
    local file="$E2E_ROOT/display$n"
    # Xvfb names its display on fd 3 once it accepts clients. Without -noreset it
    # resets when its last client leaves and the next client fails to connect.
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "${E2E_SCREEN:-1024x768x24}" 3>"$file" 2>"$E2E_ROOT/logs/xvfb$n.log" &
    e2e_pids+=($!)
    for _ in $(seq 200); do [ -s "$file" ] && break; sleep 0.05; done
    [ -s "$file" ] || session_fail "Xvfb did not start" "$E2E_ROOT/logs/xvfb$n.log"
    printf -v "$var" ':%s' "$(head -n1 "$file")"
    export "${var?}"
}

# A headless Wayland compositor drawing with pixman, so that screenshots have
# pixels (weston-screenshooter, allowed by --debug, writes
# wayland-screenshot-*.png into its working folder). It has no input devices:
# nothing can be clicked on it; windows are driven through AT-SPI actions.
start_weston() {
    local socket=wayland-e2e
    weston --backend=headless-backend.so --use-pixman --debug --idle-time=0 --width=1024 --height=768 \
        --socket=$socket --log="$E2E_ROOT/logs/weston.log" >"$E2E_ROOT/logs/weston.out" 2>&1 &
    e2e_pids+=($!)
    for _ in $(seq 200); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.05; done
    [ -S "$XDG_RUNTIME_DIR/$socket" ] || session_fail "weston did not start" "$E2E_ROOT/logs/weston.log"
    # The socket is there before the compositor serves it; it is ready once a
    # client can list the shell's global.
    local ok=""
    for _ in $(seq 100); do
        if WAYLAND_DISPLAY=$socket timeout 5 weston-info 2>/dev/null | grep -q "'xdg_wm_base'"; then
            ok=1
            break
        fi
        sleep 0.1
    done
    [ -n "$ok" ] || session_fail "weston does not serve clients" "$E2E_ROOT/logs/weston.log"
    export WAYLAND_DISPLAY=$socket
}

start_watcher() {
    status-notifier-watcher >"$E2E_ROOT/logs/watcher.log" 2>&1 &
    e2e_pids+=($!)
    "$E2E_PYTHON" "$e2e_here/sni.py" wait-watcher || session_fail "no StatusNotifierWatcher" "$E2E_ROOT/logs/watcher.log"
}

# start_sni_host [X DISPLAY]: the GTK host needs an X display (it sets X11
# struts and dies on Wayland); the bus-only host needs none.
start_sni_host() {
    local display=${1:-${DISPLAY:-}}
    case "${E2E_SNI_HOST:-gtk}" in
        gtk)
            DISPLAY=$display GDK_BACKEND=x11 gtk-sni-tray-standalone --top --end --size 32 \
                >"$E2E_ROOT/logs/sni-host.log" 2>&1 &
            ;;
        bus)
            "$E2E_PYTHON" "$e2e_here/sni.py" host >"$E2E_ROOT/logs/sni-host.log" 2>&1 &
            ;;
        *) session_fail "E2E_SNI_HOST must be gtk or bus" ;;
    esac
    e2e_pids+=($!)
    "$E2E_PYTHON" "$e2e_here/sni.py" wait-host || session_fail "no StatusNotifierHost" "$E2E_ROOT/logs/sni-host.log"
}

start_a11y_bus() {
    /usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1 >"$E2E_ROOT/logs/atspi.log" 2>&1 &
    e2e_pids+=($!)
    local ok=""
    for _ in $(seq 200); do
        if dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
                string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'; then
            ok=1
            break
        fi
        sleep 0.05
    done
    [ -n "$ok" ] || session_fail "no accessibility bus" "$E2E_ROOT/logs/atspi.log"
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

session_run() {
    "$@"
}
