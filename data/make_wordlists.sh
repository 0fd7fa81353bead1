#!/bin/sh
# Makes the default word lists in the folder given: angol.txt from Debian's
# wamerican, magyar.txt from the stems of Debian's hunspell-hu. Only words of
# the lower-case letters a-z are kept (no proper nouns, possessives or
# accented words), one a line, byte-sorted, each once.
set -eu
out=${1:?usage: make_wordlists.sh OUTPUT_FOLDER}
english=${ENGLISH_DICT:-/usr/share/dict/american-english}
hungarian=${HUNGARIAN_DIC:-/usr/share/hunspell/hu_HU.dic}
mkdir -p "$out"
export LC_ALL=C
grep -E '^[a-z]+$' "$english" | sort -u > "$out/angol.txt.tmp"
# A .dic line is "stem/flags" followed by optional tab-separated fields; the
# first line is the entry count, which has no letters and drops out.
cut -f1 "$hungarian" | sed 's,/.*,,' | grep -E '^[a-z]+$' | sort -u > "$out/magyar.txt.tmp"
mv "$out/angol.txt.tmp" "$out/angol.txt"
mv "$out/magyar.txt.tmp" "$out/magyar.txt"
