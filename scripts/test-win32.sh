#!/usr/bin/env bash
# The Windows build, tested under Wine: builds build-win32/ with
# cmake/mingw-w64-toolchain.cmake, runs its test programs through CTest
# (each started under Wine), then runs every script of tests/scripts on the
# Linux build (build/, or the folder given as the first argument) and on the
# Windows build's real dialogs and compares the transcripts byte for byte
# (the formats on each build's own virtual drive too, their images checked
# with fsck.fat), checks the virtual drive's refusal of links,
# and last drives the real windows under Xvfb with xdotool
# (tests/win32/window_session.sh). Skips, saying so, when mingw-w64 or Wine
# cannot be installed.
set -euo pipefail
cd "$(dirname "$0")/.."
reference=$(realpath "${1:-build}")
jobs=$(nproc)
started=$(date +%s)

if ! scripts/install-win32.sh; then
  echo "== Windows: SKIPPED: mingw-w64 or Wine could not be installed =="
  exit 0
fi
installed=$(date +%s)

cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-toolchain.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUIB_TESTS=ON >/dev/null
cmake --build build-win32 -j"$jobs"
built=$(date +%s)

# The build's own Wine prefix, made once; its server started before the
# tests and kept running, so that no Wine service holds a reader's pipe.
export WINEPREFIX=$PWD/build-win32/wine-prefix
export WINEDEBUG=-all
scripts/wine-prefix.sh "$WINEPREFIX"
prefixed=$(date +%s)

status=0
ctest --test-dir build-win32 --output-on-failure -j"$jobs" || status=1
tests/win32/drive_links.sh build-win32 || status=1
tested=$(date +%s)
scripts/compare-transcripts.sh "$reference" build-win32 || status=1
compared=$(date +%s)
tests/win32/window_session.sh build-win32 || status=1
finished=$(date +%s)
wineserver -k || true
# The installer and the portable zip, made and tried in a fresh prefix of their own.
{ scripts/make-windows-installer.sh build-win32 && tests/win32/installer_test.sh build-win32; } || status=1
packaged=$(date +%s)
echo "== Windows: install $((installed - started)) s, build $((built - installed)) s, prefix $((prefixed - built)) s," \
  "tests $((tested - prefixed)) s, transcripts $((compared - tested)) s, windows $((finished - compared)) s," \
  "installer $((packaged - finished)) s =="
exit $status
