#!/usr/bin/env bash
# Installs what is missing, builds Quendral and its tests with warnings as
# errors, and runs every test inside the private test environment.
# QUENDRAL_SANITIZE=ON builds with AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
build=${QUENDRAL_BUILD_DIR:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUENDRAL_WERROR=ON \
    -DQUENDRAL_SANITIZE="${QUENDRAL_SANITIZE:-OFF}"
cmake --build "$build" -j"$(nproc)"
# The stores' fuzz harnesses, a few seconds each as a smoke test.
bash scripts/fuzz.sh 3
exec bash scripts/test-env.sh ctest --test-dir "$build" --output-on-failure -j2 --timeout 900 "$@"
