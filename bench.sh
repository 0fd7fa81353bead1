#!/usr/bin/env bash
# Builds the speed benchmark in Release (build-bench/) and runs it on the
# default word lists and on the stress list, Debian's wamerican-insane, which
# it installs when missing. Prints one row of figures per list, then whether
# the stress list meets the targets: start <= 2.0 x load floor, turn <= 1.25 x
# frame floor, peak resident memory <= 80 MB. Exit status 1 when it does not.
# Extra arguments (--reps N) go to the benchmark.
set -euo pipefail
cd "$(dirname "$0")"
stress=/usr/share/dict/american-english-insane
scripts/setup.sh wamerican-insane

# Quiet when all goes well; the whole log when the build fails.
quietly() {
    local log
    if ! log=$("$@" 2>&1); then
        echo "$log" >&2
        return 1
    fi
}
quietly cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
quietly cmake --build build-bench -j"$(nproc)" --target hangman_bench wordlists

bench=build-bench/bench/hangman_bench
"$bench" --header
"$bench" "$@" build-bench/data/angol.txt
"$bench" "$@" build-bench/data/magyar.txt
row=$("$bench" "$@" "$stress")
echo "$row"

# The row's fields, counted from 0: 6 start/floor, 9 turn/frame, 11 peak MB.
read -r -a f <<<"$row"
figures="start/floor ${f[6]} <= 2.0, turn/frame ${f[9]} <= 1.25, peak ${f[11]} MB <= 80"
if awk -v s="${f[6]}" -v t="${f[9]}" -v m="${f[11]}" \
       'BEGIN { exit !(s <= 2.0 && t <= 1.25 && m <= 80) }'; then
    echo "stress list: targets met ($figures)"
else
    echo "stress list: targets MISSED ($figures)"
    exit 1
fi
