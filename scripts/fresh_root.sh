#!/usr/bin/env bash
# Proves the README's promise on a fresh machine: in a clean Debian root
# (debootstrap --variant=minbase, then only git and ca-certificates), as a
# newcomer would, with an empty environment and no standard input, as root:
# clones the commit being tested, runs ./test.sh, then ./package.sh,
# installs the package with apt, and starts the installed game as a new
# player who is not root. The game must still run after a few seconds, with
# its folder made and both word lists in it.
#   sudo scripts/fresh_root.sh bookworm|trixie [MIRROR]
# The base root (debootstrap, git, ca-certificates) is kept as a tarball in
# HANGMAN_ROOT_CACHE (default /var/cache/hangman-roots) for a week; every run
# unpacks a new copy, and nothing a run changed is ever kept. What it mounted
# is unmounted however the run ends. The log is build-fresh/RELEASE.log.
set -euo pipefail
cd "$(dirname "$0")/.."
release=${1:?usage: scripts/fresh_root.sh bookworm|trixie [MIRROR]}
mirror=${2:-http://deb.debian.org/debian}
[ "$(id -u)" -eq 0 ] || { echo "fresh_root.sh: run it as root (it uses debootstrap, mount and chroot)" >&2; exit 1; }
scripts/setup.sh fresh-root
cache=${HANGMAN_ROOT_CACHE:-/var/cache/hangman-roots}
mkdir -p "$cache" build-fresh
log=$PWD/build-fresh/$release.log
: >"$log"
started=$(date +%s)
stage() { printf '%s: %4ds  %s\n' "$release" $(($(date +%s) - started)) "$*"; }

work=$(mktemp -d "${TMPDIR:-/var/tmp}/hangman-$release.XXXXXX")
root=$(realpath "$work")/root
# Ends what still runs in the root, then unmounts; the folder is removed
# only when nothing is mounted under it any more, and never across a mount.
cleanup() {
    local status=$? process
    trap - EXIT INT TERM HUP
    for process in /proc/[0-9]*; do
        [ "$(readlink "$process/root" 2>/dev/null)" = "$root" ] && kill -KILL "${process#/proc/}" 2>/dev/null
    done
    for m in dev sys proc; do
        mountpoint -q "$root/$m" && { umount -R "$root/$m" || umount -R -l "$root/$m"; }
    done
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
        echo "fresh_root.sh: $root still has mounts; it is left in place" >&2
    else
        rm -rf --one-file-system "$work"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# The base root, made once a week.
base=$cache/$release.tar
if [ -z "$(find "$base" -mtime -7 2>/dev/null)" ]; then
    stage "debootstrap $release"
    mkdir "$work/base"
    debootstrap --variant=minbase "$release" "$work/base" "$mirror" >>"$log" 2>&1
    cp /etc/resolv.conf "$work/base/etc/resolv.conf"
    chroot "$work/base" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
        apt-get -o Dpkg::Use-Pty=0 install -y -qq --no-install-recommends git ca-certificates </dev/null >>"$log" 2>&1
    chroot "$work/base" apt-get clean
    tar -C "$work/base" -cf "$base.new" . && mv "$base.new" "$base"
    rm -rf --one-file-system "$work/base"
fi
mkdir "$root"
tar -C "$root" -xf "$base"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"

# The commit being tested, as a clone would have it.
git -c safe.directory="$PWD" bundle create "$root/tmp/hangman.bundle" HEAD 2>>"$log"
commit=$(git -c safe.directory="$PWD" rev-parse --short HEAD)
git -c safe.directory="$PWD" diff --quiet HEAD 2>/dev/null || stage "note: uncommitted changes are not tested"
cp scripts/xserver.sh "$root/tmp/xserver.sh"

# A newcomer: an empty environment but for a shell's PATH and HOME, no
# standard input, root.
newcomer() {
    chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        bash -c "$1" </dev/null >>"$log" 2>&1 || {
        tail -n 60 "$log"
        stage "FAILED: $1 (the whole log: $log)"
        exit 1
    }
}
stage "git clone ($commit)"
newcomer 'git clone -q /tmp/hangman.bundle /root/hangman'
stage "./test.sh"
newcomer 'cd /root/hangman && ./test.sh'
stage "./package.sh"
newcomer 'cd /root/hangman && ./package.sh'
stage "apt-get install ./dist/hangman_*.deb"
newcomer 'cd /root/hangman && apt-get install -y -q ./dist/hangman_*.deb'

# A new player, logged in the usual way, starts the installed game on a
# private X server.
cat >"$root/tmp/player.sh" <<'EOF'
set -eu
. /tmp/xserver.sh
xserver_start 800x600x24
command -v hangman
hangman & game=$!
window=$(timeout 20 xdotool search --sync --name '^Dudovezuv / Hangman$' | head -n1)
sleep 3
kill -0 "$game" || { echo "the game ended"; exit 1; }
echo "window $window is open and the game still runs"
ls -l ~/.local/share/hangman/
[ -s ~/.local/share/hangman/angol.txt ] && [ -s ~/.local/share/hangman/magyar.txt ]
kill "$game"
EOF
stage "the installed game, as a new player"
newcomer 'useradd -m player && runuser -l player -c "bash /tmp/player.sh"'
stage "passed"
