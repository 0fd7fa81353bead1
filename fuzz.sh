#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ and runs
# each in turn.
#   ./fuzz.sh [SECONDS] [TARGET...]
#                        fuzz each target (loader, engine, sorted; all when none
#                        is named) SECONDS (default 60); what it finds new is
#                        kept in build-fuzz/work/<target>/ for the next run
#   ./fuzz.sh --smoke    run each target a few seconds from its seed corpus in
#                        fuzz/corpus/<target>/ (which is replayed whole first, so
#                        an input that crashed once and was added there stays a
#                        regression test); skips with a note when clang or
#                        libFuzzer is missing
# Exits non-zero when a target crashes, leaks, hangs or fails a check; the
# input is then in build-fuzz/artifacts/ and the log in build-fuzz/logs/.
# FUZZ_CXX names another clang++ (default: clang++).
set -euo pipefail
cd "$(dirname "$0")"

seconds=60
smoke=false
targets=(loader engine sorted)
usage() { echo "usage: $0 [SECONDS] [loader|engine|sorted]... | --smoke" >&2; exit 2; }
case "${1:-}" in
    --smoke) smoke=true; seconds=4; shift ;;
    '') ;;
    *[!0-9]*) ;;
    *) seconds=$1; shift ;;
esac
if [ $# -gt 0 ]; then
    $smoke && usage
    for t in "$@"; do
        case "$t" in loader|engine|sorted) ;; *) usage ;; esac
    done
    targets=("$@")
fi
out=build-fuzz

# The compiler must be clang with libFuzzer's runtime (Debian: clang and
# libclang-rt-<version>-dev); without them the smoke runs are skipped.
cxx=${FUZZ_CXX:-clang++}
have_libfuzzer() {
    command -v "$cxx" >/dev/null 2>&1 || return 1
    local probe
    probe=$(mktemp -d)
    printf '%s\n' '#include <cstdint>' '#include <cstddef>' \
        'extern "C" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }' \
        >"$probe/probe.cpp"
    "$cxx" -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
        >/dev/null 2>&1
    local ok=$?
    rm -rf "$probe"
    return $ok
}
if ! have_libfuzzer; then
    if $smoke; then
        echo "Note: fuzz smoke runs skipped: $cxx with libFuzzer (clang, libclang-rt-dev) is not installed."
        exit 0
    fi
    echo "fuzz.sh: $cxx with libFuzzer (clang, libclang-rt-dev) is needed." >&2
    exit 1
fi

cmake -S fuzz -B "$out" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j2 >/dev/null
mkdir -p "$out/artifacts" "$out/logs"

failed=0
for t in "${targets[@]}"; do
    work="$out/work/$t"
    $smoke && rm -rf "$work"
    mkdir -p "$work"
    log="$out/logs/$t.log"
    # New inputs go to the work folder; the seed corpus is only read.
    if "$out/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$out/artifacts/$t-" \
        "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz_$t: ${seconds}s, ${runs:-?} executions, no failure"
    else
        failed=1
        echo "fuzz_$t FAILED; the end of $log:"
        tail -n 40 "$log"
        echo "Once mended, copy the input from $out/artifacts/ into fuzz/corpus/$t/."
    fi
done
exit $failed
