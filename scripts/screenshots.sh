#!/usr/bin/env bash
# Takes the README's screenshots of the real game under Xvfb: the end-to-end
# tests keep a picture at each step worth showing when HANGMAN_SCREENSHOTS
# names a folder, and ImageMagick turns those XWD dumps into the PNGs of
# docs/screenshots/. Run from anywhere; builds what it needs in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh xvfb xdotool x11-apps libx11-dev imagemagick
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target hangman_e2e

dumps=$(mktemp -d)
trap 'rm -rf "$dumps"' EXIT
# The suites that play the game; the start-up and install checks take no
# pictures.
HANGMAN_SCREENSHOTS="$dumps" build/tests/e2e/hangman_e2e \
    --gtest_filter='Menus.*:Game.*:Words.*' >/dev/null

mkdir -p docs/screenshots
for dump in "$dumps"/*.xwd; do
    png="docs/screenshots/$(basename "$dump" .xwd).png"
    # No metadata and no time stamps, so unchanged screens give unchanged files.
    convert "xwd:$dump" -strip -define png:exclude-chunks=date,time "png:$png"
    echo "$png"
done
