#!/usr/bin/env bash
# Builds the speed benchmark in Release (build-bench/) and runs it on the
# default word lists and on the stress list, Debian's wamerican-insane, which
# it installs when missing. Prints one row of figures per list, then whether
# the stress list meets the targets: start <= 2.0 x load floor, turn <= 1.25 x
# frame floor, peak resident memory <= 80 MB. Extra arguments (--reps N) go to
# the benchmark.
#
# Then hangman-solve, every length from 3 to 20, on the default lists, on
# each of Debian's dictionaries (cut to their words of a to z only, as the
# default lists are; it installs the ones missing) and on small hostile lists
# of words alike but for one place: its wall and processor time, the lengths
# proven, its peak resident memory and its slowest length. Targets: every
# length proven; both default lists in 1.3 s together at most; each
# dictionary in 10 s at most and 1 KB of memory per word at most; each
# hostile list in under 1 s. Exit status 1 when a target is missed.
set -euo pipefail
cd "$(dirname "$0")"
stress=/usr/share/dict/american-english-insane
scripts/setup.sh bench
# Debian's dictionaries of the Latin letters in /usr/share/dict (their
# packages are scripts/setup.sh's to install).
dictionaries=(american-english british-english american-english-insane ngerman french spanish italian
              portuguese dutch swedish bokmaal nynorsk danish polish)

# Quiet when all goes well; the whole log when the build fails.
quietly() {
    local log
    if ! log=$("$@" 2>&1); then
        echo "$log" >&2
        return 1
    fi
}
quietly cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
quietly cmake --build build-bench -j"$(nproc)" --target hangman_bench hangman-solve wordlists

bench=build-bench/bench/hangman_bench
"$bench" --header
"$bench" "$@" build-bench/data/angol.txt
"$bench" "$@" build-bench/data/magyar.txt
row=$("$bench" "$@" "$stress")
echo "$row"

# The row's fields, counted from 0: 6 start/floor, 9 turn/frame, 11 peak MB.
read -r -a f <<<"$row"
figures="start/floor ${f[6]} <= 2.0, turn/frame ${f[9]} <= 1.25, peak ${f[11]} MB <= 80"
missed=0
if awk -v s="${f[6]}" -v t="${f[9]}" -v m="${f[11]}" \
       'BEGIN { exit !(s <= 2.0 && t <= 1.25 && m <= 80) }'; then
    echo "stress list: targets met ($figures)"
else
    echo "stress list: targets MISSED ($figures)"
    missed=1
fi

# --- hangman-solve ------------------------------------------------------------
solve=build-bench/hangman-solve
lists=build-bench/solve-lists
mkdir -p "$lists"
echo
printf '%-24s %8s %7s %7s %7s %7s %8s %6s  %s\n' list words lengths proven "wall s" "cpu s" "peak MB" "B/word" \
    "slowest length"
# One row for a word list and the lengths asked (every one from 3 to 20
# unless given); sets wall, the lengths answered and those proven.
solver_row() {
    local name=$1 file=$2 out=build-bench/solve.out times user sys kb words
    shift 2
    times=$( { /usr/bin/time -f '%e %U %S %M' "$solve" "$file" "$@" >"$out"; } 2>&1)
    read -r wall user sys kb <<<"$times"
    words=$(wc -l <"$file")
    answered=$(wc -l <"$out")
    proven=$(grep -c '(proven)' "$out" || true)
    printf '%-24s %8d %7d %7d %7.2f %7.2f %8.0f %6.0f  %s\n' "$name" "$words" "$answered" "$proven" "$wall" \
        "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')" \
        "$(awk -v k="$kb" -v n="$words" 'BEGIN { print k * 1024 / n }')" \
        "$(awk -F', ' '{ t = $(NF - 1); sub(/ s$/, "", t); if (t + 0 >= max) { max = t + 0; n = $1 } }
                       END { sub(/:.*/, "", n); sub(/^ */, "", n); printf "%s (%.2f s)", n, max }' "$out")"
    bytes_per_word=$(awk -v k="$kb" -v n="$words" 'BEGIN { print k * 1024 / n }')
}
judge() {  # judge WHAT FIGURES CONDITION...
    local what=$1 figures=$2
    shift 2
    if "$@"; then echo "hangman-solve: $what: targets met ($figures)"
    else echo "hangman-solve: $what: targets MISSED ($figures)"; missed=1; fi
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 < b + 0) }'; }
at_most() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 <= b + 0) }'; }

solver_row angol.txt build-bench/data/angol.txt
default_wall=$wall default_all=$((answered == proven))
solver_row magyar.txt build-bench/data/magyar.txt
default_wall=$(awk -v a="$default_wall" -v b="$wall" 'BEGIN { print a + b }')
judge "default lists" "${default_wall} s <= 1.3, every length proven" \
    test "$default_all$((answered == proven))" = 11 -a "$(at_most "$default_wall" 1.3 && echo y)" = y

slowest=0 unproven=0 fattest=0
for name in "${dictionaries[@]}"; do
    grep -x '[a-z]*' "/usr/share/dict/$name" >"$lists/$name.txt"
    solver_row "$name" "$lists/$name.txt"
    [ "$answered" = "$proven" ] || unproven=$((unproven + 1))
    slowest=$(awk -v a="$slowest" -v b="$wall" 'BEGIN { print (b > a ? b : a) }')
    fattest=$(awk -v a="$fattest" -v b="$bytes_per_word" 'BEGIN { print (b > a ? b : a) }')
done
judge "dictionaries" "slowest ${slowest} s <= 10, ${fattest} B/word <= 1024, $unproven not all proven" \
    test "$unproven" = 0 -a "$(at_most "$slowest" 10 && at_most "$fattest" 1024 && echo y)" = y

# Words alike but for one place: each letter at one place of a word (26
# words), or a word with every change of one of its letters.
each_letter_at() { for c in {a..z}; do echo "${1:0:$2}$c${1:$(($2 + 1))}"; done; }
with_changes() {
    echo "$1"
    for ((i = 0; i < ${#1}; i++)); do each_letter_at "$1" "$i" | grep -vx "$1"; done
}
each_letter_at xat 0 >"$lists/?at.txt"
each_letter_at xa 0 >"$lists/?a.txt"
each_letter_at abcdefghijklmnopqrsx 19 >"$lists/abcdefghijklmnopqrs?.txt"
each_letter_at aaaaaaaaaaxaaaaaaaaa 10 >"$lists/aaaaaaaaaa?aaaaaaaaa.txt"
for word in cat crane abcdefgh; do with_changes $word >"$lists/$word+changes.txt"; done
hostile_slowest=0 unproven=0
for name in '?at' '?a' 'abcdefghijklmnopqrs?' 'aaaaaaaaaa?aaaaaaaaa' cat+changes crane+changes abcdefgh+changes; do
    file="$lists/$name.txt"
    solver_row "$name" "$file" "$(head -n1 "$file" | tr -d '\n' | wc -c)"
    [ "$answered" = "$proven" ] || unproven=$((unproven + 1))
    hostile_slowest=$(awk -v a="$hostile_slowest" -v b="$wall" 'BEGIN { print (b > a ? b : a) }')
done
judge "hostile lists" "slowest ${hostile_slowest} s < 1, $unproven not proven" \
    test "$unproven" = 0 -a "$(below "$hostile_slowest" 1 && echo y)" = y
exit $missed
