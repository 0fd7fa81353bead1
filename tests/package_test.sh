#!/usr/bin/env bash
# The Debian package: its files, its Depends, its desktop entry and AppStream
# metadata as their validators see them, and its launcher unpacked into a
# temporary root and started as a player would, but with no display, so that
# the game stops at its window with status 1. ./package.sh runs it.
#   package_test.sh DEB
set -euo pipefail
deb=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in games/hangman games/hangman-solve lib/games/hangman/hangman share/games/hangman/angol.txt \
    share/games/hangman/magyar.txt share/applications/hangman.desktop \
    share/icons/hicolor/scalable/apps/hangman.svg share/man/man6/hangman.6.gz \
    share/man/man6/hangman-solve.6.gz share/doc/hangman/copyright share/doc/hangman/changelog.gz \
    share/metainfo/example.c_seed_9b93b6ca.hangman.metainfo.xml; do
    grep -qx "./usr/$f" <<<"$files" || fail "/usr/$f is not in the package"
done
for p in fonts-inconsolata libsdl1.2debian libsdl-gfx1.2-5 libsdl-ttf2.0-0; do
    dpkg-deb -f "$deb" Depends | grep -qw -- "$p" || fail "Depends lacks $p"
done

dpkg-deb -x "$deb" "$tmp/root"
desktop-file-validate "$tmp/root/usr/share/applications/hangman.desktop" || fail "the desktop entry"
appstreamcli validate --no-net "$tmp"/root/usr/share/metainfo/*.metainfo.xml || fail "the AppStream metadata"
# No display and no choice of driver: whatever SDL would fall back to, the
# game must stop at once with its message.
player() { env -u XDG_DATA_HOME -u DISPLAY -u SDL_VIDEODRIVER HOME="$tmp/home" timeout 10 "$tmp/root/usr/games/hangman" "$@" </dev/null; }
version=$(dpkg-deb -f "$deb" Version)
[ "$(player --version)" = "hangman $version" ] || fail "--version does not say $version"
grep -q '^Usage: hangman' <<<"$(player --help)" || fail "--help shows no usage"
! player --fullscreen 2>/dev/null || fail "an unknown option was taken"
grep -q '^20 letters: .*(proven)' <<<"$("$tmp/root/usr/games/hangman-solve" "$tmp/root/usr/share/games/hangman/angol.txt" 20)" ||
    fail "hangman-solve does not answer for the installed list"
# A word file already in the player's folder is kept, the missing one copied
# in and the font linked, before the game starts.
play=$tmp/home/.local/share/hangman
mkdir -p "$play" && echo mine >"$play/angol.txt"
status=0
player 2>"$tmp/err" || status=$?
[ "$status $(cat "$tmp/err")" = "1 Nem sikerult megnyitni az ablakot!" ] || fail "the game ended: $status $(cat "$tmp/err")"
[ "$(cat "$play/angol.txt")" = mine ] || fail "the player's angol.txt was replaced"
cmp -s "$play/magyar.txt" "$tmp/root/usr/share/games/hangman/magyar.txt" || fail "magyar.txt was not copied in"
[ -L "$play/Inconsolata.otf" ] || fail "no font link"
[ -r "$play/Inconsolata.otf" ] || fail "the font link leads nowhere"
echo "package_test: $deb passes"
