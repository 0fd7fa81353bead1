#!/usr/bin/env bash
# Checks the package on a clean Debian 12, by hand, as root: debootstraps a
# minimal bookworm into build-chroot/root, installs dist/hangman_*.deb there
# with apt (which must bring every dependency), then, as a new user, runs the
# installed `hangman --version`, `man hangman` and the game itself under
# Xvfb. The language chooser and the menu are grabbed into build-chroot/*.png
# and must match the README's pictures pixel for pixel; the game is left
# through "Exit", and the player's folder it made is listed. Needs network
# access to the Debian mirror.
# Usage: sudo scripts/chroot_check.sh [MIRROR]
set -euo pipefail
cd "$(dirname "$0")/.."
mirror=${1:-http://deb.debian.org/debian}
deb=$(ls dist/hangman_*.deb | tail -n1)
out=$PWD/build-chroot root=$PWD/build-chroot/root
scripts/setup.sh debootstrap imagemagick

rm -rf "$root"
mkdir -p "$root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$out/debootstrap.log"
mount -t proc proc "$root/proc"
trap 'umount "$root/proc"' EXIT
cp "$deb" "$root/tmp/"
in_root() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}

in_root apt-get update -qq
in_root apt-get install -y --no-install-recommends "/tmp/$(basename "$deb")"
in_root dpkg-query -W -f='${Package} ${Version} ${Status}\n' hangman
echo "Libraries the game lacks (none expected):"
in_root sh -c 'ldd /usr/lib/games/hangman/hangman | grep "not found" || true'

# The tools the check drives the game with, installed only after the package,
# so they cannot have brought one of its dependencies.
in_root apt-get install -y -qq --no-install-recommends xvfb xdotool x11-apps man-db >/dev/null
in_root useradd -m player
cat >"$root/tmp/play.sh" <<'EOF'
set -eu
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & xvfb=$!
export DISPLAY=:7
sleep 2
command -v hangman
hangman --version
MANWIDTH=80 man -P cat hangman | sed -n 1,5p
hangman & game=$!
win=$(timeout 20 xdotool search --sync --name '^Dudovezuv / Hangman$' | head -n1)
sleep 1; xwd -silent -id "$win" -out /tmp/language.xwd
xdotool mousemove --window "$win" 163 290 click 1
sleep 1; xwd -silent -id "$win" -out /tmp/menu-en.xwd
xdotool mousemove --window "$win" 150 390 click 1
status=0; wait "$game" || status=$?
echo "hangman exited with status $status"
kill "$xvfb"
ls -l ~/.local/share/hangman/
exit "$status"
EOF
in_root runuser -l player -c 'sh /tmp/play.sh'
for shot in language menu-en; do
    convert "xwd:$root/tmp/$shot.xwd" "$out/$shot.png"
    differ=$(compare -metric AE "$out/$shot.png" "docs/screenshots/$shot.png" null: 2>&1 || true)
    echo "$out/$shot.png: $differ pixels differ from docs/screenshots/$shot.png"
    [ "$differ" = 0 ]
done
