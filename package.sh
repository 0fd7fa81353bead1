#!/usr/bin/env bash
# Builds the Debian package dist/hangman_VERSION_ARCH.deb in build-deb/ with
# Debian's build flags, checks it with lintian and prints its path. Installs
# what is missing first (through sudo when not root). Then:
#     sudo apt install ./dist/hangman_*.deb
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh dpkg-dev lintian

# Debian's hardening and optimisation flags. CMake reads CXXFLAGS and LDFLAGS
# when it first configures a build folder, but not CPPFLAGS.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
# The changelog's date and the archive's times follow the last commit, so the
# same commit gives the same package.
SOURCE_DATE_EPOCH=$(git -c safe.directory="$PWD" log -1 --format=%ct 2>/dev/null || date +%s)
export SOURCE_DATE_EPOCH

cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF >/dev/null
cmake --build build-deb -j"$(nproc)" --target hangman wordlists
rm -rf build-deb/cpack
cpack --config build-deb/CPackConfig.cmake -B build-deb/cpack >/dev/null
mkdir -p dist
deb=$(find build-deb/cpack -maxdepth 1 -name 'hangman_*.deb')
mv -f "$deb" dist/
deb="dist/$(basename "$deb")"

# Errors fail the build; warnings are shown.
lintian --fail-on error "$deb" >&2

# Run through sudo, hand the results back to the user who ran it.
if [ -n "${SUDO_UID:-}" ]; then
    chown -R "$SUDO_UID:$SUDO_GID" build-deb dist
fi
echo "$deb"
