#!/usr/bin/env bash
# Renders resources/quendral.svg into resources/quendral.ico (16, 32 and 48
# pixels), the picture of the browser button. Run after changing the SVG and
# commit both files.
set -euo pipefail
cd "$(dirname "$0")/../resources"
convert -background none -density 384 quendral.svg -define icon:auto-resize=48,32,16 quendral.ico
