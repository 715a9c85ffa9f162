#!/usr/bin/env bash
# Renders the programs' SVG icons to the PNG sizes a desktop menu asks for (needs rsvg-convert,
# Debian package librsvg2-bin). The PNGs are committed; run this after changing an SVG.
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for icon in x7-proj-q x7-ptzdesk; do
    for size in 16 24 32 48 64 128 256; do
        mkdir -p "$size"
        rsvg-convert -w "$size" -h "$size" "$icon.svg" -o "$size/$icon.png"
    done
done
