#!/usr/bin/env bash
# Installs the Debian packages that are missing: the ones the game is built
# with, the further ones named on the command line, and, after "--optional",
# ones whose absence only skips some checks (their names differ between
# releases). Non-interactive, so it runs unattended in CI; through sudo when
# not root.
set -euo pipefail
required=(build-essential cmake pkg-config libsdl1.2-dev libsdl-gfx1.2-dev
          libsdl-ttf2.0-dev fonts-inconsolata wamerican hunspell-hu libgtest-dev)
optional=()
while [ $# -gt 0 ]; do
    if [ "$1" = --optional ]; then shift; optional=("$@"); break; fi
    required+=("$1"); shift
done

is_installed() {
    dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -q '^install ok installed$'
}
missing() { for p in "$@"; do is_installed "$p" || echo "$p"; done; }

mapfile -t need < <(missing "${required[@]}")
mapfile -t want < <(missing "${optional[@]}")
[ ${#need[@]} -eq 0 ] && [ ${#want[@]} -eq 0 ] && exit 0

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
if [ ${#need[@]} -gt 0 ]; then
    echo "Installing: ${need[*]}"
    $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" </dev/null
fi
for p in "${want[@]}"; do
    $sudo apt-get install -y -qq --no-install-recommends "$p" </dev/null \
        || echo "Note: $p could not be installed; the checks that need it are skipped."
done
