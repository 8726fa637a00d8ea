#!/usr/bin/env bash
# Installs what is missing, builds Quendral and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
build=${QUENDRAL_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENDRAL_TESTS=OFF
cmake --build "$build" -j"$(nproc)"
exec "$build/program/quendral" "$@"
