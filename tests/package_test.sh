#!/usr/bin/env bash
# The Debian package built from this build folder: its files, its Depends,
# and its launcher, unpacked into a temporary root and started as a player
# would start it, but with no display, so the game stops at its window.
# Usage: package_test.sh CPACK CPACK_CONFIG VERSION
set -euo pipefail
cpack=$1 config=$2 version=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$config" -B "$tmp/out" >/dev/null
deb=$(find "$tmp/out" -maxdepth 1 -name "hangman_${version}_*.deb")
[ -f "$deb" ] || fail "no hangman_${version}_*.deb was made"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in games/hangman lib/games/hangman/hangman share/games/hangman/angol.txt \
    share/games/hangman/magyar.txt share/applications/hangman.desktop \
    share/icons/hicolor/scalable/apps/hangman.svg share/man/man6/hangman.6.gz \
    share/doc/hangman/copyright; do
    grep -qx "./usr/$f" <<<"$files" || fail "/usr/$f is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for p in fonts-inconsolata libsdl1.2debian libsdl-gfx1.2-5 libsdl-ttf2.0-0; do
    grep -qw -- "$p" <<<"$depends" || fail "Depends lacks $p: $depends"
done

dpkg-deb -x "$deb" "$tmp/root"
grep -qx 'Exec=/usr/games/hangman' "$tmp/root/usr/share/applications/hangman.desktop" || fail "desktop Exec"
# Always with no display, so that a launcher that wrongly starts the game
# cannot open a window.
player() {
    env -u XDG_DATA_HOME -u DISPLAY HOME="$tmp/home" SDL_VIDEODRIVER=x11 \
        "$tmp/root/usr/games/hangman" "$@"
}
[ "$(player --version)" = "hangman $version" ] || fail "--version"
help=$(player --help)
grep -q '^Usage: hangman' <<<"$help" || fail "--help shows no usage"
out=$(player --fullscreen 2>&1) && fail "an unknown option was taken"
grep -q '^Usage: hangman' <<<"$out" || fail "an unknown option gives no usage: $out"

# A word file already in the player's folder is kept; the missing one is
# copied in and the font linked before the game starts and fails.
play=$tmp/home/.local/share/hangman
mkdir -p "$play" && echo mine >"$play/angol.txt"
status=0
player 2>"$tmp/err" || status=$?
[ "$status" -eq 1 ] || fail "the game ended with status $status, not 1"
grep -qx 'Nem sikerult megnyitni az ablakot!' "$tmp/err" || fail "stderr: $(cat "$tmp/err")"
[ "$(cat "$play/angol.txt")" = mine ] || fail "the player's angol.txt was replaced"
cmp -s "$play/magyar.txt" "$tmp/root/usr/share/games/hangman/magyar.txt" \
    || fail "magyar.txt was not copied in"
[ -L "$play/Inconsolata.otf" ] && [ -r "$play/Inconsolata.otf" ] || fail "no font link"
