#!/usr/bin/env bash
# Makes the Wine prefix the Windows build's tests run in (once), and starts
# its server with every output sent away: a Wine service started by a test
# would otherwise keep the test's output pipe open (CTest would wait for it).
# Dialogs without an X display use Wine's null graphics driver; with one
# (Xvfb), tests/win32/window_session.sh asks for the X11 driver itself.
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all
wineserver -p >/dev/null 2>&1 </dev/null || true
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 </dev/null
else
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null
fi
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
# Wine draws the captions itself instead of waiting for a window manager.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
