#!/usr/bin/env bash
# Installs the Debian packages that a task needs and this machine lacks:
#   scripts/setup.sh play|test|fuzz|package|bench|screenshots|fresh-root
# What the game is built and tested with is the Build-Depends of
# debian/control, and nothing else names those; "play" and the tasks that
# run no test leave out the test-only ones (the nocheck profile). What a
# script needs beyond building is listed here, once. Unattended, so that it
# runs in CI; through sudo when not root; without sudo, it says in one line
# what to run as root instead.
set -euo pipefail
cd "$(dirname "$0")/.."
task=${1:-}

# Each task: whether it builds (all of Build-Depends, or without the
# test-only ones), the further packages it must have, and the ones whose
# absence only skips a check. "clang" stands for clang and the libFuzzer
# runtime of the version the release has.
build=nocheck extra=() optional=()
case $task in
    play) ;;
    test) build=all extra=(clang-format shellcheck) optional=(clang) ;;
    fuzz) optional=(clang) ;;
    package) extra=(lintian appstream desktop-file-utils) ;;
    bench) extra=(time wamerican wbritish wamerican-insane wngerman wfrench wspanish witalian wportuguese wdutch
                  wswedish wnorwegian wdanish wpolish) ;;
    screenshots) build=all extra=(libfaketime python3) ;;
    fresh-root) build=none extra=(debootstrap git) ;;
    *) echo "usage: scripts/setup.sh play|test|fuzz|package|bench|screenshots|fresh-root" >&2; exit 2 ;;
esac
profile=()
[ "$build" = nocheck ] && profile=(-P nocheck)
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -q '^install ok installed$'; }
# The clang of this release and its libFuzzer runtime, by the version that
# the package "clang" depends on.
clang_packages() {
    local version
    version=$(apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n1)
    [ -n "$version" ] && printf '%s\n' clang "libclang-rt-$version-dev"
}
expand() { local p; for p in "$@"; do if [ "$p" = clang ]; then clang_packages; else echo "$p"; fi; done; }

# What is missing; "?" when apt cannot tell (no package lists yet).
missing=()
if [ "$build" != none ]; then
    if sim=$(apt-get -s "${profile[@]}" build-dep ./ 2>/dev/null); then
        mapfile -t missing < <(sed -n 's/^Inst \([^ ]*\).*/\1/p' <<<"$sim")
    else
        missing=("?")
    fi
fi
for p in $(expand "${extra[@]}"); do installed "$p" || missing+=("$p"); done
wanted=()
for p in $(expand "${optional[@]}"); do installed "$p" || wanted+=("$p"); done
# An optional package that cannot even be named (no clang here) is skipped.
[ ${#missing[@]} -eq 0 ] && [ ${#wanted[@]} -eq 0 ] && exit 0

# For a message: the packages that debian/control names (not the ones they
# pull in) and the extras, as far as they are missing.
named_missing() {
    local p
    if [ "$build" != none ]; then
        awk '/^Build-Depends:/ { on = 1; sub(/^Build-Depends:/, "") }
             on && /^[^ ]/ && !/^Build-Depends:/ { on = 0 }
             on' debian/control | tr ',' '\n' |
            if [ "$build" = nocheck ]; then grep -v '<!nocheck>'; else cat; fi |
            sed 's/[[(<].*//; s/ //g; s/^debhelper-compat$/debhelper/' | grep . |
            while read -r p; do installed "$p" || echo "$p"; done
        installed build-essential || echo build-essential
    fi
    for p in $(expand "${extra[@]}"); do installed "$p" || echo "$p"; done
}

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        [ ${#missing[@]} -eq 0 ] && exit 0  # only optional ones: skipped
        what=$(named_missing | xargs)
        echo "setup.sh: missing Debian packages (${what:-the build dependencies}) and no sudo;" \
            "as root, run: $PWD/scripts/setup.sh $task" >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "setup.sh: installing ${missing[*]/\?/the build dependencies} ${wanted[*]}"
"${as_root[@]}" apt-get update -qq
apt_install() { "${as_root[@]}" apt-get "$@" -y -qq --no-install-recommends </dev/null >/dev/null; }
[ "$build" = none ] || apt_install "${profile[@]}" build-dep ./
mapfile -t need < <(expand "${extra[@]}")
[ ${#need[@]} -eq 0 ] || apt_install install "${need[@]}"
# After the update, clang's version can be read even on a fresh machine.
for p in "${optional[@]}"; do
    mapfile -t want < <(expand "$p")
    [ ${#want[@]} -gt 0 ] && apt_install install "${want[@]}" ||
        echo "Note: $p could not be installed; the checks that need it are skipped."
done
