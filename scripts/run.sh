#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quib! Tools (in windows on a
# desktop, else in the terminal) on its default set-up: a virtual drive
# holding a blank disk, kept in the host folder.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what building and running needs; scripts/test.sh adds the test tools.
scripts/install-packages.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Every program the README names (the real drive's copy in build/real-drive
# and quibusb too); the tests are built by scripts/test.sh.
cmake --build build -j"$(nproc)" --target quibtools quib_drive_library quibdrive quibreg quibhelp \
  quibusb quib_real_drive
exec build/bin/quibtools "$@"
