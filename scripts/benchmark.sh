#!/usr/bin/env bash
# Measures the program next to its floors, in one run: a bare Qt tray program
# built the same way (launch-to-icon time; resident, proportional and private
# memory after start-up; context switches per minute, stopped and monitoring),
# and the file system's own cost for the monitoring tick and the watch-list
# read (bench_tick, CPU time). Takes about four minutes. Ends with status 1
# when a figure is past its goal (the table's last column), as a failing test
# does; bench_tick's figures are printed all the same.
#   scripts/benchmark.sh [build folder]   (default build-bench, Release-like flags)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target quendral quendral_program_files minimaltray bench_tick
status=0
QUENDRAL_PROGRAM_DIR="$PWD/$build/program" MINIMAL_TRAY="$PWD/$build/bench/minimaltray" \
    bash tests/e2e/xsession.sh /usr/bin/python3 tests/e2e/benchmark.py || status=$?
"$build/tests/engine/bench_tick"
exit $status
