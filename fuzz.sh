#!/usr/bin/env bash
# Builds the libFuzzer target of fuzz/ with clang into build-fuzz/ and runs it.
#   ./fuzz.sh [SECONDS]  fuzz SECONDS (default 60); what it finds new is kept
#                        in build-fuzz/work/ for the next run
#   ./fuzz.sh --smoke    a few seconds from the seed corpus fuzz/corpus/words/,
#                        which is replayed whole first, so that an input that
#                        failed once and was added there stays a regression
#                        test; skipped with a note when libFuzzer is missing
# Exits non-zero when the target crashes, leaks, hangs or fails a check; the
# input is then in build-fuzz/artifacts/ and the log in build-fuzz/fuzz.log.
# FUZZ_CXX names another clang++ (default: clang++).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh fuzz
seconds=${1:-60}
smoke=false
[ "$seconds" = --smoke ] && { smoke=true; seconds=4; }
case "$seconds" in '' | *[!0-9]*) echo "usage: $0 [SECONDS | --smoke]" >&2; exit 2 ;; esac
out=build-fuzz
cxx=${FUZZ_CXX:-clang++}

# libFuzzer's runtime comes with clang and libclang-rt-<version>-dev.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const char *, long) { return 0; }' >"$probe/p.cpp"
if ! "$cxx" -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1; then
    $smoke && { echo "Note: fuzz smoke run skipped: $cxx with libFuzzer is not installed."; exit 0; }
    echo "fuzz.sh: $cxx with libFuzzer (clang, libclang-rt-dev) is needed." >&2
    exit 1
fi

cmake -S fuzz -B "$out" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j2 >/dev/null
$smoke && rm -rf "$out/work"
mkdir -p "$out/work" "$out/artifacts"
# New inputs go to the work folder; the seed corpus is only read.
if "$out/fuzz_words" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/" "$out/work" fuzz/corpus/words >"$out/fuzz.log" 2>&1; then
    echo "fuzz_words: ${seconds}s, $(sed -n 's/^stat::number_of_executed_units: *//p' "$out/fuzz.log") runs, no failure"
else
    tail -n 40 "$out/fuzz.log"
    echo "fuzz_words FAILED (log: $out/fuzz.log); once mended, copy the input from $out/artifacts/ into fuzz/corpus/words/."
    exit 1
fi
