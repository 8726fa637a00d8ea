#!/usr/bin/env bash
# The command line's round trip (`quendral --status`) next to dbus-send
# calling the same method of the running program, and `quendral --version`
# next to /bin/true. Takes about a minute; ends with status 1 when the round
# trip takes more than 1.5 times dbus-send's.
#   scripts/benchmark-control.sh [build folder]   (default build-bench, Release-like flags)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target quendral quendral-gui quendral_program_files
QUENDRAL_PROGRAM_DIR="$PWD/$build/program" bash tests/e2e/xsession.sh /usr/bin/python3 tests/e2e/bench_control.py
