#!/usr/bin/env bash
# Builds the speed benchmark in Release (build-bench/) and runs it on the
# default word lists and on the stress list, Debian's wamerican-insane, which
# it installs when missing. Prints one row of figures per list, then whether
# the stress list meets the targets: start <= 2.0 x load floor, turn <= 1.25 x
# frame floor, peak resident memory <= 80 MB. Extra arguments (--reps N) go to
# the benchmark.
#
# Then hangman-solve on each list (the stress list cut to its words of a to z
# only), every length from 3 to 20: its wall and processor time, its peak
# resident memory and its slowest length. Targets: every length proven, both
# default lists in under 5 s together, the stress list in under 20 s.
# Exit status 1 when a target is missed.
set -euo pipefail
cd "$(dirname "$0")"
stress=/usr/share/dict/american-english-insane
scripts/setup.sh bench

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
grep -x '[a-z]*' "$stress" >build-bench/stress-a-z.txt
echo
printf '%-14s %8s %7s %7s %7s %8s  %s\n' list lengths proven "wall s" "cpu s" "peak MB" "slowest length"
# One row for a word list; its wall time in the global wall.
solver_row() {
    local out=build-bench/solve.out times user sys kb
    times=$( { /usr/bin/time -f '%e %U %S %M' build-bench/hangman-solve "$2" >"$out"; } 2>&1)
    read -r wall user sys kb <<<"$times"
    printf '%-14s %8d %7d %7.2f %7.2f %8.0f  %s\n' "$1" "$(wc -l <"$out")" "$(grep -c '(proven)' "$out")" \
        "$wall" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')" \
        "$(awk -F', ' '{ t = $(NF - 1); sub(/ s$/, "", t); if (t + 0 >= max) { max = t + 0; n = $1 } }
                       END { sub(/:.*/, "", n); sub(/^ */, "", n); printf "%s (%.2f s)", n, max }' "$out")"
    if [ "$(wc -l <"$out")" != "$(grep -c '(proven)' "$out")" ]; then unproven=1; fi
}
unproven=0
solver_row angol.txt build-bench/data/angol.txt
default_wall=$wall
solver_row magyar.txt build-bench/data/magyar.txt
default_wall=$(awk -v a="$default_wall" -v b="$wall" 'BEGIN { print a + b }')
solver_row "stress a-z" build-bench/stress-a-z.txt
figures="default lists ${default_wall} s < 5, stress list ${wall} s < 20, every length proven"
if [ $unproven = 0 ] && awk -v d="$default_wall" -v s="$wall" 'BEGIN { exit !(d < 5 && s < 20) }'; then
    echo "hangman-solve: targets met ($figures)"
else
    echo "hangman-solve: targets MISSED ($figures)"
    missed=1
fi
exit $missed
