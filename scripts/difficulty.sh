#!/usr/bin/env bash
# Remakes the README's tables of how hard each word length is: for each
# default word list, the fewest wrong letters with which a perfect player
# wins at each length, as hangman-solve proves them. Fails, leaving the
# README alone, when a length is not proven.
#   scripts/difficulty.sh [BUILD_DIR]      (build/ unless given)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target hangman-solve wordlists >/dev/null

# One Markdown table from hangman-solve's JSON, one object a line.
table() {
    echo "| Letters | Words | Fewest wrong letters |"
    echo "|---:|---:|---|"
    "$build/hangman-solve" --json "$1" | awk '
        function field(name) {
            if (!match($0, "\"" name "\": [^,}]*")) return ""
            return substr($0, RSTART + length(name) + 4, RLENGTH - length(name) - 4)
        }
        /"length"/ {
            if (field("proven") != "true") { print "not proven: " $0 > "/dev/stderr"; exit 1 }
            wrong = field("can_be_won") == "true" ? field("fewest_wrong") : "cannot be won"
            printf "| %s | %s | %s |\n", field("length"), field("candidates"), wrong
        }'
}

english=$(table "$build/data/angol.txt")
hungarian=$(table "$build/data/magyar.txt")
section=$(printf '%s\n\n%s\n\n%s\n\n%s\n' "English (\`angol.txt\`):" "$english" \
    "Hungarian (\`magyar.txt\`):" "$hungarian")
# The tables stand between the two marker lines.
awk -v section="$section" '
    /^<!-- difficulty tables: begin/ { print; print section; skip = 1; next }
    /^<!-- difficulty tables: end/ { skip = 0 }
    !skip' README.md >README.md.new
mv README.md.new README.md
