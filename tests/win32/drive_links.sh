#!/usr/bin/env bash
# The Windows virtual drive never writes through a link: Unix links planted
# in its folders from Linux, which Wine shows to the Windows programs as
# reparse points where they lead to folders (Wine 8 makes no Windows links
# or junctions itself, and shows a link to a file as that file, so the
# links in a file's place are tested on Linux alone), a state file's link
# replaced, and folders that others may write to. Each case starts from a fresh drive,
# plants its link, runs quibdrive.exe and checks its refusal and that
# nothing outside the drive's folders changed.
#
#   tests/win32/drive_links.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
export WINEPREFIX=${WINEPREFIX:-$build/wine-prefix}
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
work=$(mktemp -d "$build/drive-links.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0

quibdrive() { QUIB_HOME="$home_windows" "$wine" "$build/bin/quibdrive.exe" "$@" 2>"$work/errors" | tr -d '\r'; }

# A fresh drive in its own host folder, a folder and a file outside it.
fresh() {
  rm -rf "$work/case"
  mkdir -p "$work/case/home" "$work/case/outside"
  home=$work/case/home
  home_windows="$($wine winepath -w "$home" 2>/dev/null | tr -d '\r')"
  echo 'state 0' > "$work/case/outside/record"
  quibdrive plug > /dev/null
}

# check NAME EXPECTED_STATUS WORDS: the last quibdrive run's status and
# standard error, and that the outside folder holds only its own file.
check() {
  local name=$1 expected=$2 words=$3
  local outside
  outside=$(cd "$work/case/outside" && ls -A | tr '\n' ' ')
  if [ "$status" != "$expected" ] || ! grep -qF -- "$words" "$work/errors" || [ "$outside" != "record " ] ||
     [ "$(cat "$work/case/outside/record")" != 'state 0' ]; then
    echo "FAILED   $name: status $status (wanted $expected), outside: $outside"; sed 's/^/         /' "$work/errors"
    failed=1
  else
    echo "refused  $name"
  fi
}

fresh; rm -rf "$home/drive"; ln -s "$work/case/outside" "$home/drive"
status=0; quibdrive plug > /dev/null || status=$?
check "drive folder a link" 1 'drive is not a folder (a link or a file is in its place)'

fresh; rm -rf "$home/drive/disks"; ln -s "$work/case/outside" "$home/drive/disks"
status=0; quibdrive create other > /dev/null || status=$?
check "disks folder a link" 1 'disks is not a folder (a link or a file is in its place)'

# A link at the state file is replaced by the new state, not followed
# (a rename replaces the link itself).
fresh; rm "$home/drive/state"; ln -s "$work/case/outside/record" "$home/drive/state"
status=0; quibdrive unplug > /dev/null || status=$?
if [ -L "$home/drive/state" ] || ! grep -q '^plugged no' "$home/drive/state"; then
  echo 'the state file is still the link' > "$work/errors"
else
  echo 'replaced' > "$work/errors"
fi
check "state file a link (replaced, not followed)" 0 'replaced'

fresh; chmod 777 "$home/drive"
status=0; quibdrive status > /dev/null || status=$?
check "drive folder others may write" 1 'is one that others may write to; make it private: icacls'

exit $failed
