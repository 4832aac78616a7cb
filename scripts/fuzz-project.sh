#!/bin/sh
# Builds the project-file fuzzer (clang, AddressSanitizer, UndefinedBehavior-
# Sanitizer, libFuzzer) and runs it for the given number of seconds (default
# 60) from a seed corpus of valid projects written by the tests.
set -e
seconds=${1:-60}
cd "$(dirname "$0")/.."
sh scripts/setup.sh
root=$(pwd)
build=$root/build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DKMR_FUZZ=ON -DKMR_BUILD_GUI=OFF -DKMR_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_project engine_project_tests
seeds=$build/fuzz-seeds
corpus=$build/fuzz-corpus
mkdir -p "$seeds" "$corpus"
KMR_SEED_DIR=$seeds "$build/tests/engine_project_tests" >/dev/null
cd "$build"
"$build/tests/fuzz_project" -max_total_time="$seconds" -print_final_stats=1 -detect_leaks=1 \
  -max_len=65536 "$corpus" "$seeds" 2>&1 | tail -n 25
