#!/usr/bin/env bash
# A soak run: the real program monitoring 100 entries over a tick of a few
# milliseconds (QUENDRAL_TICK_MS) for TICKS ticks (default 20 000, a few
# minutes), in a private session (tests/e2e/xsession.sh). Prints memory,
# descriptors, threads and D-Bus match rules after the first 100 ticks and at
# the end; fails when they grew (tests/e2e/soak.py).
#   scripts/soak.sh [TICKS] [build folder]   (default build-test)
# With QUENDRAL_PROGRAM_DIR set it runs that program folder without building.
set -euo pipefail
cd "$(dirname "$0")/.."
ticks=${1:-20000}
if [ -z "${QUENDRAL_PROGRAM_DIR:-}" ]; then
    build=${2:-build-test}
    [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$build" --target quendral quendral_program_files >/dev/null
    export QUENDRAL_PROGRAM_DIR="$PWD/$build/program"
fi
exec bash tests/e2e/xsession.sh /usr/bin/python3 tests/e2e/soak.py "$ticks"
