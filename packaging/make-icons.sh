#!/usr/bin/env bash
# Renders the committed PNG icon sizes from the SVG logo (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/icons"
for s in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$s" -h "$s" qinghechart.svg -o "qinghechart-$s.png"
done
