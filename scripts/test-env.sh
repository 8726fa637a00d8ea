#!/usr/bin/env bash
# Runs a command inside a private test environment and stops everything it
# started, by process id, when the command ends:
#   - a private D-Bus bus with no service folders, exported as both the
#     session and the system bus (QUENDRAL_TEST_BUS names it, so that tests
#     that could hang up or power off can check where they are talking);
#   - a PulseAudio server with a null sink (PULSE_SERVER names it);
#   - temporary XDG folders (the cache too), so nothing touches the user's
#     real files.
set -euo pipefail
source "$(dirname "$0")/bus-config.sh"

root=$(mktemp -d /tmp/quendral-env.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$root/run" "$root/config" "$root/xdg" "$root/data" "$root/cache" "$root/home"
chmod 700 "$root/run"
export XDG_RUNTIME_DIR="$root/run" XDG_CONFIG_HOME="$root/config" XDG_CONFIG_DIRS="$root/xdg" XDG_DATA_HOME="$root/data" \
    XDG_CACHE_HOME="$root/cache" HOME="$root/home"

write_bus_config "$root/bus.conf" "unix:path=$root/bus"
dbus-daemon --config-file="$root/bus.conf" --nofork --nopidfile &
pids+=($!)
for _ in $(seq 100); do [ -S "$root/bus" ] && break; sleep 0.05; done
[ -S "$root/bus" ] || { echo "test-env: the private bus did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS="unix:path=$root/bus"
export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
export QUENDRAL_TEST_BUS="$DBUS_SESSION_BUS_ADDRESS"

# A PulseAudio server with a null sink, so that tests can play sounds and record
# what came out of the sink's monitor (test.monitor). Clients find it through
# PULSE_SERVER, which also keeps them from spawning a server of their own.
mkdir -p "$root/pulse" "$root/pulse-home"
chmod 700 "$root/pulse"
XDG_RUNTIME_DIR="$root/pulse" PULSE_RUNTIME_PATH="$root/pulse" HOME="$root/pulse-home" \
    pulseaudio --daemonize=no --exit-idle-time=-1 --use-pid-file=no -n \
    --load="module-null-sink sink_name=test norewinds=1" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$root/pulse/native" \
    >"$root/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$root/pulse/native" ] && break; sleep 0.05; done
[ -S "$root/pulse/native" ] || { echo "test-env: the sound server did not start" >&2; cat "$root/pulse.log" >&2; exit 1; }
export PULSE_SERVER="unix:$root/pulse/native"

"$@"
