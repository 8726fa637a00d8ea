#!/usr/bin/env bash
# Makes resources/beep.wav, the countdown's tick: a 90 ms two-tone click
# (1.6 kHz over 0.8 kHz) with short fades so it starts and stops without a
# crack; 16-bit mono PCM at 22 050 Hz, which every sound back-end plays.
set -euo pipefail
cd "$(dirname "$0")/.."
sox -n -r 22050 -b 16 -c 1 -e signed-integer resources/beep.wav \
    synth 0.09 sine 1600 sine 800 remix - fade q 0.004 0.09 0.03 norm -6
