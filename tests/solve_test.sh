#!/usr/bin/env bash
# hangman-solve as a player or a script runs it: its lines, its JSON, and
# the arguments it refuses.
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
out=$("$solve" words.txt)
[[ $(wc -l <<<"$out") == 1 ]] || fail "lengths other than 3: $out"
grep -Eq '^ 3 letters: +10 candidates, 9 wrong \(proven\), play [a-j]{10}, [0-9.]+ s, [0-9]+ positions?$' <<<"$out" ||
    fail "the line for 3 letters: $out"

json=$("$solve" --json words.txt 2 5 --budget 5 | sed 's/"seconds": [0-9.]*/"seconds": S/')
[[ $json == '[
  {"length": 2, "candidates": 1, "can_be_won": true, "fewest_wrong": 0, "proven": true, "lower_bound": 0, "play": "ab", "seconds": S, "positions": 0},
  {"length": 5, "candidates": 0, "can_be_won": false, "fewest_wrong": null, "proven": true, "lower_bound": 10, "play": "", "seconds": S, "positions": 0}
]' ]] || fail "the JSON: $json"

for args in "" "--budget 0 words.txt" "--budget x words.txt" "words.txt 31" "words.txt 3.5" "--jsn words.txt"; do
    status=0
    # shellcheck disable=SC2086
    "$solve" $args >/dev/null 2>err || status=$?
    [[ $status == 1 ]] && grep -q '^usage: hangman-solve' err || fail "status $status, no usage for: $args"
done
status=0
"$solve" missing.txt 2>err || status=$?
[[ $status == 1 ]] && grep -q 'missing.txt: No such file or directory' err || fail "a missing file: $status $(cat err)"
"$solve" --help | grep -q '^usage: hangman-solve' || fail "--help"
