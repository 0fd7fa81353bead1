#!/usr/bin/env bash
# Builds the Debian package the Debian way (dpkg-buildpackage, binary only,
# unsigned) from a copy of the source tree in build-deb/, checks it and the
# source package with lintian, and the package with the package test, and
# prints the path of
# dist/hangman_VERSION_ARCH.deb. Installs what is missing first. Then:
#     sudo apt install ./dist/hangman_*.deb
# The build skips the test suite (./test.sh runs it); DEB_BUILD_OPTIONS
# given from outside are passed on, so DEB_BUILD_OPTIONS=check (or any
# value without nocheck) builds with the tests.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh package

# dpkg-buildpackage writes its results beside the source folder and cleans
# the source first, so it gets a copy of its own: the files git knows of,
# as they are in the working tree.
stage=build-deb
rm -rf "$stage"
mkdir -p "$stage/hangman" dist
git -c safe.directory="$PWD" ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    xargs -0 cp -P --parents -t "$stage/hangman"

options=${DEB_BUILD_OPTIONS-nocheck}
profiles=()
case " $options " in *" nocheck "*) profiles=(-Pnocheck) ;; esac
# The source package too, before the build adds to the tree, so that lintian
# checks debian/ itself (debian/copyright above all).
(cd "$stage" && dpkg-source -b hangman >source.log 2>&1)
(cd "$stage/hangman" && DEB_BUILD_OPTIONS=$options dpkg-buildpackage -b -us -uc "${profiles[@]}" >../build.log 2>&1) || {
    tail -n 40 "$stage/build.log" >&2
    echo "package.sh: dpkg-buildpackage failed; the whole log is $stage/build.log" >&2
    exit 1
}

deb=$(find "$stage" -maxdepth 1 -name 'hangman_*.deb')
rm -f dist/hangman_*.deb
cp "$deb" dist/
deb=dist/$(basename "$deb")

# Every tag is shown; an error or a warning fails the build. The info tags
# that remain are explained where they are overridden, in debian/, or in
# docs/packaging.md.
lintian -I --pedantic --fail-on error,warning "$stage"/hangman_*.changes "$stage"/hangman_*.dsc >&2
tests/package_test.sh "$deb" >&2

# Run through sudo, hand the results back to the user who ran it.
if [ -n "${SUDO_USER:-}" ]; then
    chown -R "$SUDO_USER:" "$stage" dist
fi
echo "$deb"
