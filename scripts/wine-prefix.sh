#!/usr/bin/env bash
# Makes the Wine prefix the Windows build's tests run in (once), and starts
# its server with every output sent away: a Wine service started by a test
# would otherwise keep the test's output pipe open (CTest would wait for it).
# Dialogs without an X display use Wine's null graphics driver; with one
# (Xvfb), tests/win32/window_session.sh asks for the X11 driver itself. The
# prefix's desktop process keeps the driver it started with, so the server
# is started again once the driver is set.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all
wine=/usr/lib/wine/wine64
quiet() { "$@" >/dev/null 2>&1 </dev/null; }
mkdir -p "$prefix"
quiet wineserver -p || true
quiet "$wine" wineboot --init
quiet "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
# Wine draws the captions itself instead of waiting for a window manager.
quiet "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
quiet wineserver -k || true
quiet wineserver -w || true
quiet wineserver -p || true
quiet "$wine" wineboot
