#!/usr/bin/env bash
# Builds the libFuzzer harnesses of the stores with clang and runs each for
# the given number of seconds (default 60). Findings go to build-fuzz/findings/.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${QUENDRAL_FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUENDRAL_FUZZ=ON -DQUENDRAL_TESTS=OFF >/dev/null
harnesses=(fuzz_inifile fuzz_userstore fuzz_language)
cmake --build "$build" --target "${harnesses[@]}" -j"$(nproc)"
mkdir -p "$build/findings"
for harness in "${harnesses[@]}"; do
    echo "== $harness: ${seconds} s"
    corpus="$build/corpus/$harness"
    mkdir -p "$corpus"
    # Broken stores are the harnesses' input: the warnings they earn are noise.
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="quendral.*.warning=false" "$build/tests/fuzz/$harness" -max_total_time="$seconds" -max_len=4096 \
        -artifact_prefix="$build/findings/$harness-" -print_final_stats=1 "$corpus" 2>&1 | tail -n 4
done
