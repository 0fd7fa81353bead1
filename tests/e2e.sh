#!/usr/bin/env bash
# The real game: first with no display, where it must end at once with
# status 1 and its message, whatever SDL would fall back to; then on an Xvfb
# server of its own: the window and its icon, the language chooser, a won
# game, a word added and Exit. Clicks and keys go through xdotool, pixels come
# back through xwd and ImageMagick.
#   tests/e2e.sh GAME_BINARY FONT
set -euo pipefail
game=$1
# shellcheck source=scripts/xserver.sh
. "$(dirname "$0")/../scripts/xserver.sh"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
cp "$2" Inconsolata.otf
fail() { echo "e2e: $*" >&2; exit 1; }
trap 'echo "e2e: a command failed at line $LINENO" >&2' ERR

status=0
env -u DISPLAY -u SDL_VIDEODRIVER timeout 10 "$game" </dev/null >out 2>err || status=$?
[ "$status $(cat out err)" = "1 Nem sikerult megnyitni az ablakot!" ] || fail "with no display: $status $(cat out err)"

xserver_start 800x600x24
printf 'sell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n' >angol.txt
# The game, too, dies with this script, even when CTest kills it.
setpriv --pdeathsig KILL "$game" &
win=$(timeout 30 xdotool search --sync --name '^Dudovezuv / Hangman$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH x $HEIGHT" = "800 x 480" ] || fail "the window is $WIDTH x $HEIGHT"
# 104 pixels square, its corner in the background colour.
icon=$(xprop -id "$win" -f _NET_WM_ICON 32x ' $0 $1 $2' _NET_WM_ICON)
[ "$icon" = "_NET_WM_ICON(CARDINAL) 0x68 0x68 0xff032536" ] || fail "the window's icon: $icon"

grab() { xwd -silent -id "$win" | convert xwd:- "$@"; }
# Waits until the pixel at x, y has the colour "r g b"; a grab may fail while
# the window is still being mapped.
await() {
    for _ in $(seq 100); do
        got=$(grab -crop "1x1+$1+$2" -depth 8 rgb:- 2>/dev/null | od -An -tu1 | xargs) || true
        [ "$got" = "$3" ] && return
        sleep 0.1
    done
    fail "$4: pixel $1,$2 is $got, not $3"
}
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; }
keys() { xdotool mousemove --window "$win" 795 475 key --delay 50 "$@"; }
face="17 60 81"

await 35 200 "$face" "the language chooser"
click 100 290; await 35 60 "$face" "the English menu"
click 60 90; await 14 95 "$face" "the board"
keys e l s t b; await 17 430 "$face" "the end screen's back button"
grab -crop 780x80+20+210 txt:- | grep '#47D686' >/dev/null || fail "no win message"
click 40 440; await 35 60 "$face" "the menu after the game"
click 60 190; await 35 135 "$face" "the add-word screen"
keys f i g; await 150 125 "$face" "the typed word"
click 100 300; await 35 135 "3 37 54" "the menu after saving"
click 60 390
timeout 10 tail --pid=$! -f /dev/null || fail "the game did not end after Exit"
wait $! || fail "Exit gave status $?"
printf 'fig\nsell\ntell\nbell\nbees\nseen\nteen\nstem\nstep\n' | cmp -s - angol.txt || fail "the word file holds: $(cat angol.txt)"
