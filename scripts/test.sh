#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# once plainly (build/) and once with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-sanitize/); then replays the fuzz
# targets' corpora and fuzzes each target for 30 seconds (build-fuzz/, see
# docs/fuzzing.md); then the real drive under QEMU, the armhf cross build
# and the Windows build under Wine. Any failure, sanitizer report or fuzz finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh

jobs=$(nproc)

echo "== build and test =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIB_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUIB_SANITIZE=ON -DQUIB_TESTS=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

echo "== fuzz targets: replay the corpora and kept faults, then 30 s of each =="
# Both steps run even when the first finds something, so one run reports all.
fuzz_status=0
scripts/fuzz.sh replay || fuzz_status=1
scripts/fuzz.sh run 30 || fuzz_status=1

# --- The real-drive library through a real Linux kernel under QEMU ---------
# Boots Debian's kernel with QEMU's USB disk and formats it with the tool on
# the real-drive library, then runs the virtual drive as a USB device in the
# guest; prints a SKIP line when QEMU or the kernel package
# is missing. Takes about a minute.
echo "== real drive through a Linux kernel under QEMU =="
scripts/kernel-test.sh build # the programs it needs are in build/ from the first stage

echo "== armhf (32-bit ARM) cross build, tested under qemu-arm =="
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
scripts/test-armhf.sh build

# --- The Windows build under Wine -------------------------------------------
# mingw-w64 builds build-win32/; its tests run under Wine, the suite's
# scripts are compared with the Linux build's transcripts byte for byte, and
# a person's keys drive the real windows under Xvfb (docs/windows.md). Prints
# a SKIP line when mingw-w64 or Wine cannot be installed.
echo "== Windows build, tested under Wine =="
scripts/test-win32.sh build
exit $fuzz_status
