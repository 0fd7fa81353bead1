#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game in its play folder.
# The play folder is made on the first run; the player's word files in it are
# never overwritten afterwards.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh play
cmake -S . -B build >/dev/null
cmake --build build --target hangman hangman-solve wordlists -j"$(nproc)"
mkdir -p play
for f in angol.txt magyar.txt; do
    [ -e "play/$f" ] || cp "build/data/$f" "play/$f"
done
[ -e play/Inconsolata.otf ] || cp "$(sed -n 's/^HANGMAN_FONT:FILEPATH=//p' build/CMakeCache.txt)" play/Inconsolata.otf
cd play
exec ../build/hangman
