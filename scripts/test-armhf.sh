#!/usr/bin/env bash
# The armhf (32-bit ARM) cross build, tested under qemu-arm: builds the test
# programs in build-armhf/ with cmake/armhf-toolchain.cmake and runs them
# through CTest, which starts each one under the emulator. The quick-format
# image is compared byte for byte with the native build's (build/, or the
# folder given as the first argument), so that build's tests run first.
# Skips, saying so, when the armhf packages cannot be installed.
set -euo pipefail
cd "$(dirname "$0")/.."
reference=$(realpath "${1:-build}")
jobs=$(nproc)
started=$(date +%s)

if ! scripts/install-armhf.sh; then
  echo "== armhf: SKIPPED: the armhf cross toolchain, qemu-arm or the armhf libraries could not be installed =="
  exit 0
fi
installed=$(date +%s)

# Host-only: the programs and cases in which a built program is started by
# something other than the test support (the host's tmux, the tool starting
# the help viewer, a test's own fork and exec or posix_spawn). Without
# binfmt_misc the host cannot run an armhf program by itself; docs/armhf.md
# says more.
# The swap attack runs the whole program some two hundred times, which
# under the emulator takes many minutes; the native runs keep it.
host_only_programs='^(terminal_session_tests|desktop_program_tests|program_benchmark|virtual_drive_race_tests)$'
host_only_cases=(
  HelpViewerTmux.OpensANewWindowThatPagesTheTopic
  HelpViewerStart.StartProcessStartsPegHelpFromTheProgramsFolder
  WithoutDriver.SecondCopyWhileTheFirstRunsEndsAtOnceWithExitCode1
  WithoutDriver.TranscriptWithoutReaderEndsWithStatus5
  Launcher.LongFormatWhoseReaderGoesAwayStillGetsItsFileSystem
  'CommandLineAtTerminal.*'
  # Started through /bin/sh (for its redirections) or by the test's own
  # fork and exec, to send the tool a signal at a moment of its choosing.
  CommandLine.AFailedWriteOfStandardOutputEndsWithOne
  'FormatSignals.*'
  # Timing-bound under emulation: its helper thread did not always see the
  # format start within its 30 s and swapped the disk after the format had
  # ended (docs/armhf.md); the native runs keep it.
  'Table/LongFormatCutShort.*'
)
GTEST_FILTER="-$(IFS=:; echo "${host_only_cases[*]}")"
export GTEST_FILTER

cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/armhf-toolchain.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUIB_REFERENCE_BUILD="$reference" >/dev/null
cmake --build build-armhf -j"$jobs"
built=$(date +%s)
ctest --test-dir build-armhf --output-on-failure -j"$jobs" -E "$host_only_programs"
finished=$(date +%s)
echo "== armhf: install $((installed - started)) s, build $((built - installed)) s, test $((finished - built)) s =="
