#!/usr/bin/env bash
# hangman-solve as a player or a script runs it: its lines, its JSON, and
# the arguments and files it refuses, each with the reason.
#   solve_test.sh HANGMAN_SOLVE
set -euo pipefail
solve=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$tmp"

# Ten three-letter words, each of one letter (one of them twice, once in
# capitals), a word of 2 letters, one of 21 and a token the game skips.
printf 'aaa bbb ccc ddd eee fff ggg hhh iii jjj aaa BBB ab abcdefghijklmnopqrstu caf\xc3\xa9\n' >words.txt
# Its output with the times, the positions and any play of the ten words left out.
answer() { "$solve" "$@" | sed -E 's/, [0-9.]+ s, [0-9]+ positions?$//; s/play [a-j]{10}$/play P/'; }
three=' 3 letters:     10 candidates, 9 wrong (proven), play P'
[[ $(answer words.txt) == "$three" ]] || fail "by default, lengths 3 to 20: $(answer words.txt)"
# A length named twice is answered once, from its words taken once.
[[ $(answer words.txt 2 3 2 1 30) == " 2 letters:      1 candidate, 0 wrong (proven), play ab
$three
 1 letters:      0 candidates, no words
30 letters:      0 candidates, no words" ]] || fail "2 3 2 1 30: $(answer words.txt 2 3 2 1 30)"

json=$("$solve" --json words.txt 2 5 2 --budget 5 | sed 's/"seconds": [0-9.]*/"seconds": S/')
[[ $json == '[
  {"length": 2, "candidates": 1, "can_be_won": true, "fewest_wrong": 0, "proven": true, "lower_bound": 0, "play": "ab", "seconds": S, "positions": 0},
  {"length": 5, "candidates": 0, "can_be_won": null, "fewest_wrong": null, "proven": false, "lower_bound": null, "play": "", "seconds": S, "positions": 0}
]' ]] || fail "the JSON: $json"

# Each refused argument list: status 1, the argument and why, the synopsis.
refused() {
    local expected=$1 status=0
    shift
    "$solve" "$@" >/dev/null 2>err || status=$?
    [[ $status == 1 && $(cat err) == "hangman-solve: $expected"$'\n'"$usage" ]] || fail "status $status for $*: $(cat err)"
}
usage='usage: hangman-solve [--budget SECONDS] [--json] WORDFILE [LENGTH...]'
seconds='not a number of seconds above 0 and at most 1000000'
refused 'no word file given'
for budget in 0 x 1e3 2000000; do refused "--budget \"$budget\": $seconds" --budget "$budget" words.txt; done
refused '--budget: the number of seconds is missing' words.txt --budget
for length in 31 0 3.5 0x5 ' 5' 5e0 -3; do
    refused "length \"$length\": not a whole number from 1 to 30" words.txt "$length"
done
refused '"--jsn": no such option' --jsn words.txt
refused '--version takes no other arguments' --version words.txt

# Files that cannot be played: status 1 and the reason.
mkdir folder
printf 'ab ba\n' >short.txt
for file in missing.txt:'No such file or directory' folder:'Is a directory' short.txt:'no word of 3 to 20 letters'; do
    status=0
    "$solve" "${file%%:*}" 2>err || status=$?
    [[ $status == 1 && $(cat err) == "hangman-solve: ${file%%:*}: ${file#*:}" ]] || fail "$file: $status $(cat err)"
done
# Words of a length asked are a game, whatever other lengths the file has.
"$solve" words.txt 5 >/dev/null || fail "words.txt 5: a file of words to play, none of 5 letters"
grep -Eq '^ 2 letters: +2 candidates, ' <("$solve" short.txt 2) || fail "short.txt 2"

"$solve" --help | grep -q '^usage: hangman-solve' || fail "--help"
"$solve" --version | grep -Eqx 'hangman-solve [0-9]+\.[0-9]+(\.[0-9]+)?' || fail "--version: $("$solve" --version)"
