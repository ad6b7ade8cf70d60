#!/usr/bin/env bash
# Runs a Windows program of the Windows build under Wine, in the build's own
# prefix (WINEPREFIX, by default build-win32/wine-prefix), without Wine's
# debugging noise. CTest starts every test program through it
# (CMAKE_CROSSCOMPILING_EMULATOR); scripts/test-win32.sh starts the prefix's
# server first, so that no Wine service holds a reader's pipe open.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build-win32/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
exec /usr/lib/wine/wine64 "$@"
