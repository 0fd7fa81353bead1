#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the CTest suite of a
# normal build (the unit tests and the real game on Xvfb), short fuzzing runs
# over the kept corpora, a smoke run of the benchmark, then the unit tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer, leaks included,
# and last the formatting of the C++ and shellcheck on the shell scripts.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh test
jobs=$(nproc)

cmake -S . -B build
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

./fuzz.sh --smoke
# A smoke run of the benchmark; ./bench.sh judges the figures.
build/bench/hangman_bench --header && build/bench/hangman_bench build/data/magyar.txt

cmake -S . -B build-asan -DHANGMAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs" -L unit)

scripts/lint.sh
