#!/usr/bin/env bash
# Saves a picture of every tab into docs/screenshots (offscreen, no display
# needed): at 96 DPI, and the Stats tab again at 144 DPI (scale 1.5); then the
# working program after "Get Router Info" from a simulated ADSL2+ router:
# app-stats.png (also quillon.png, shown in the README), app-report.png and
# app-graphs.png.
# Usage: scripts/screenshots.sh [build folder, default "build"]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target quillon-screenshots >/dev/null
out=docs/screenshots
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/quillon-screenshots" "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1.5 "$build/tools/screenshots/quillon-screenshots" "$tmp" -144dpi
cp "$tmp"/tab-*-144dpi.png "$out"/
QT_QPA_PLATFORM=offscreen "$build/tools/screenshots/quillon-screenshots" --app "$out" adsl2plus
cp "$out/app-stats.png" "$out/quillon.png"
echo "Screenshots written to $out"
