#!/usr/bin/env bash
# A person at the Windows build's real windows, under Xvfb with Wine's X11
# driver, driven with xdotool: with no ZOVEVIV.DLL the tool asks whether to
# go on (answered with the keyboard), the menu opens, Tab and Enter open the
# Folder Setting dialog, a number is typed there and saved with Enter,
# Format's message box about the missing drive is answered, the dialog is
# opened again, Escape and the menu's Close end the
# tool. Each step waits for the window it expects; the run fails when one
# does not come, or when the tool does not end with status 1. With
# SCREENSHOTS=FOLDER it keeps a picture of the Folder Setting dialog there
# (docs/images/windows-folder-LANG.png), with ImageMagick's import.
#
#   tests/win32/window_session.sh BUILD_FOLDER [LANGID]
set -euo pipefail
build=$(realpath "$1")
language=${2:-1033}
export WINEPREFIX=${WINEPREFIX:-$build/wine-prefix}
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64

for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "window session: SKIPPED: $tool is missing"
    exit 0
  fi
done

work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# The prefix's desktop process keeps the graphics driver it started with:
# the server is ended before the driver changes, both ways.
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null || true
  wineserver -k 2>/dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1 </dev/null
wineserver -k 2>/dev/null || true
wineserver -p >/dev/null 2>&1 </dev/null || true
"$wine" wineboot >/dev/null 2>&1 </dev/null
"$wine" reg delete 'HKLM\SOFTWARE\QuibTools' /f >/dev/null 2>&1 </dev/null || true

mkdir -p "$work/tool"
cp "$build/bin/quibtools.exe" "$work/tool/"
home=$("$wine" winepath -w "$work" 2>/dev/null | tr -d '\r')
title_menu='Quib! Tools'
if [ "$language" = 1041 ]; then
  title_box='ドライブが接続されていません。' title_folder='フォルダ名設定' title_error='エラー'
else
  title_box='No Drive is Connected.' title_folder='Folder Setting' title_error='Error'
fi

QUIB_HOME="$home\\home" QUIB_LANGID=$language "$wine" "$work/tool/quibtools.exe" >/dev/null 2>&1 </dev/null &
tool=$!

# The window whose name is $1, once it shows; fails after 20 s.
window() {
  local found
  found=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1) || true
  if [ -z "$found" ]; then
    echo "window session: FAILED: no window '$1' came" >&2
    [ -z "${SCREENSHOTS:-}" ] || import -window root "$SCREENSHOTS/windows-failed.png" || true
    exit 1
  fi
  sleep 0.5
  xdotool windowfocus --sync "$found" 2>/dev/null || true
  sleep 0.5
  echo "$found"
}
keys() { xdotool key --delay 120 "$@"; sleep 0.4; }

# The question about the missing drive: Yes (Enter on the default button).
window "$title_box" >/dev/null
keys Return
window "$title_menu" >/dev/null
# Tab from Close to Status, Format and Folder Name, then Enter.
keys Tab Tab Tab Return
folder=$(window "$title_folder")
# From Close, Tab to the checked radio button (Fixed) and on to the number
# field, whose text Tab selects; the typed number replaces it.
keys Tab Tab
xdotool type --delay 120 5
sleep 0.4
if [ -n "${SCREENSHOTS:-}" ]; then
  import -window "$folder" "$SCREENSHOTS/windows-folder-$language.png"
fi
keys Return
# Back in the menu the focus is on Folder Name again: Tab on to Close,
# Status and Format; Format without a drive says so in a message box,
# answered with Enter; then Tab from Format to Folder Name opens the
# dialog again.
window "$title_menu" >/dev/null
keys Tab Tab Tab Return
window "$title_error" >/dev/null
keys Return
window "$title_menu" >/dev/null
keys Tab Return
window "$title_folder" >/dev/null
keys Escape
window "$title_menu" >/dev/null
keys Escape

status=0
wait "$tool" || status=$?
# What Folder Setting saved, as the driver reads it.
saved=$("$wine" reg query 'HKLM\SOFTWARE\QuibTools\Drivers\USB\ClientDrivers\USB_Quib_Driver' /v FolderNum 2>/dev/null | tr -d '\r' |
        awk '/FolderNum/ {print $3}')
if [ "$status" != 1 ] || [ "$saved" != 0x5 ]; then
  echo "window session: FAILED: the tool ended with $status (1 expected), FolderNum is '$saved' (0x5 expected)"
  exit 1
fi
echo "window session: the person's keys reached the real windows; FolderNum $saved saved, exit $status"
