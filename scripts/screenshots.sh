#!/usr/bin/env bash
# Takes the README's screenshots: the real game on the default word lists,
# run under Xvfb in a temporary play folder, driven with xdotool, grabbed with
# xwd and turned into the PNGs of docs/screenshots/ by ImageMagick.
# Usage: scripts/screenshots.sh [BUILD_FOLDER]   (default: build)
#
# The game draws the word length with rand() seeded by the time at start, and
# is otherwise deterministic, so each game is started at a fake time that
# makes it draw the length wanted, and the letters played give the same game
# on every run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/setup.sh screenshots
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target hangman wordlists
game_bin=$PWD/$build/hangman

work=$(mktemp -d)
game=
cleanup() {
    [ -z "$game" ] || kill -KILL "$game" 2>/dev/null || true
    [ -z "${XSERVER_PID:-}" ] || kill "$XSERVER_PID" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
die() { echo "screenshots.sh: $*" >&2; exit 1; }

mkdir "$work/play"
cp "$build"/data/angol.txt "$build"/data/magyar.txt "$work/play/"
cp "$(sed -n 's/^HANGMAN_FONT:FILEPATH=//p' "$build/CMakeCache.txt")" "$work/play/Inconsolata.otf"

. scripts/xserver.sh
xserver_start 1024x768x24

# The first second, from a fixed day, at which srand() and one rand() make
# the game draw LENGTH from the lengths 3..20 that FILE has.
time_for_length() {
    local lengths
    lengths=$(awk 'length >= 3 && length <= 20 { print length }' "$1" | sort -nu | tr '\n' ' ')
    python3 - "$2" "$lengths" <<'EOF'
import ctypes, sys
libc = ctypes.CDLL("libc.so.6")
lengths = [int(n) for n in sys.argv[2].split()]
index = lengths.index(int(sys.argv[1]))
t = 1796601600  # 2026-12-07 00:00:00 UTC
while True:
    libc.srand(t)
    if libc.rand() % len(lengths) == index:
        print(t)
        break
    t += 1
EOF
}

grab() { xwd -silent -id "$win" | md5sum; }
# Waits until the window shows a picture other than the one before the last
# action, the same in two grabs in a row; with "any", also the same one.
settle() {
    local last="" now
    for _ in $(seq 100); do
        sleep 0.1
        now=$(grab)
        if [ "$now" = "$last" ] && { [ "${1:-}" = any ] || [ "$now" != "$before" ]; }; then
            return
        fi
        last=$now
    done
    die "the screen did not settle"
}
click() { before=$(grab); xdotool mousemove --window "$win" "$1" "$2" click 1; settle; }
# Letters as the player types them: the game exchanges the keys y and z.
play() {
    local letter
    xdotool mousemove --window "$win" 795 475
    for letter in $(fold -w1 <<<"$1"); do
        before=$(grab)
        xdotool key "$(tr yz zy <<<"$letter")"
        settle
    done
}
key() { before=$(grab); xdotool mousemove --window "$win" 795 475 key "$1"; settle any; }

# libfaketime is preloaded into the game itself (the faketime command would
# stand between it and the signals that close it): its clock starts at the
# given second and runs on.
libfaketime=$(dpkg -L libfaketime | grep '/libfaketime\.so\.1$')
start() {
    (cd "$work/play" && TZ=UTC FAKETIME="@$(date -u -d "@$1" '+%F %T')" \
        LD_PRELOAD="$libfaketime" exec "$game_bin") &
    game=$!
    win=$(timeout 20 xdotool search --sync --name '^Dudovezuv / Hangman$' | head -n1) \
        || die "no game window"
    before=""
    settle
}
# SIGTERM reaches the game as SDL's quit event, like closing the window: it
# ends the game, except on a game's end screen, where it only leaves that
# screen. So it is sent until the game has ended (a zombie until waited for).
stop() {
    local state
    for _ in $(seq 50); do
        state=$(ps -o stat= -p "$game") || break
        [ "${state#Z}" = "$state" ] || break
        kill -TERM "$game"
        sleep 0.2
    done
    wait "$game" || die "the game ended with status $?"
    game=
}
shoot() {
    xwd -silent -id "$win" -out "$work/$1.xwd"
    # No metadata and no time stamps, so unchanged screens give unchanged files.
    convert "xwd:$work/$1.xwd" -strip -define png:exclude-chunks=date,time \
        "png:docs/screenshots/$1.png"
    echo "docs/screenshots/$1.png"
}
mkdir -p docs/screenshots
angol=$work/play/angol.txt magyar=$work/play/magyar.txt

# Button centres, in window coordinates.
magyar_button=(145 190) english_button=(163 290)
play_button=(150 90) add_word_button=(150 190)

# English, with the candidate display switched on (keypad plus); a word is
# typed on the add-word screen and left unsaved. Five wrong vowels, then y.
start "$(time_for_length "$angol" 5)"
shoot language
key KP_Add
click "${english_button[@]}"
shoot menu-en
click "${add_word_button[@]}"
play gallows
shoot add-word
click 60 400
click "${play_button[@]}"
play aeiouy
shoot game
stop

# Hungarian, eleven letters: four wrong, then two that every candidate has.
start "$(time_for_length "$magyar" 11)"
click "${magyar_button[@]}"
shoot menu-hu
click "${play_button[@]}"
play aeioks
shoot game-hu
stop

# A won English game of nine letters, four of them wrong.
start "$(time_for_length "$angol" 9)"
click "${english_button[@]}"
click "${play_button[@]}"
play aeisormuncd
shoot won
stop

# A lost Hungarian game of eight letters.
start "$(time_for_length "$magyar" 8)"
click "${magyar_button[@]}"
click "${play_button[@]}"
play eaoltnskrzmg
shoot lost
stop
