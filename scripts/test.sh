#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# once plainly (build/) and once with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-sanitize/). Any failure or sanitizer
# report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh

jobs=$(nproc)

echo "== build and test =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUIB_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

echo "== armhf (32-bit ARM) cross build, tested under qemu-arm =="
unset ASAN_OPTIONS UBSAN_OPTIONS
scripts/test-armhf.sh build
