#!/usr/bin/env bash
# Renders the fixed-size icons from wsqviewer.svg (rsvg-convert, from librsvg2-bin). The PNGs are
# committed, so the build needs no SVG renderer; run this after changing the drawing.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 256; do
  rsvg-convert -w "$size" -h "$size" wsqviewer.svg -o "wsqviewer-$size.png"
done
