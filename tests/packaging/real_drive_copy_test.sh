#!/usr/bin/env bash
# The copy of the tool beside the real-drive library runs with the front
# ends the build made: in a terminal it finds its terminal module beside
# itself and shows the program's first message box there (no Quib! drive is
# attached to a test machine); without QUIB_DEVICE it shows the chooser of
# the drive there first, and a sub-command says how to name the drive.
# Usage: real_drive_copy_test.sh REAL_DRIVE_DIR
set -u
dir=$1
export QUIB_HOME=$(mktemp -d)/home
trap 'rm -rf "$(dirname "$QUIB_HOME")"' EXIT

# script gives the tool a terminal of its own; what it drew in its first
# seconds is all the test reads, then the run is cut off.
out=$(sleep 6 | QUIB_DEVICE=/dev/null TERM=xterm timeout 5 script -qec "'$dir/quibtools' --terminal" /dev/null 2>&1)
if [[ $out == *"cannot show the tool"* ]]; then
  echo "FAIL: the real-drive copy cannot load its terminal front end: $out"
  exit 1
fi
if [[ $out != *"No Drive is Connected."* ]]; then
  echo "FAIL: the real-drive copy showed no message box in the terminal"
  exit 1
fi
echo "ok: the real-drive copy shows its dialogs in the terminal"

chooser=$(sleep 6 | env -u QUIB_DEVICE TERM=xterm timeout 5 script -qec "'$dir/quibtools' --terminal" /dev/null 2>&1)
if [[ $chooser != *"Quib! Drive"* || $chooser != *"Look Again"* || $chooser == *"No Drive is Connected."* ]]; then
  echo "FAIL: without QUIB_DEVICE the real-drive copy showed no chooser of the drive before the program"
  exit 1
fi
echo "ok: without QUIB_DEVICE the real-drive copy offers the USB disks to choose from"

# Without QUIB_DEVICE no drive can be found: the copy says on standard
# error how to name one, after the program's own "No Drive is Connected.".
errors=$(env -u QUIB_DEVICE "$dir/quibtools" status 2>&1 >/dev/null)
if [[ $errors != *"set QUIB_DEVICE to the drive's device"* || $errors != *"'quibusb list' shows the USB disks"* ]]; then
  echo "FAIL: without QUIB_DEVICE the real-drive copy does not say how to name the drive: $errors"
  exit 1
fi
named=$(QUIB_DEVICE=/dev/null "$dir/quibtools" status 2>&1 >/dev/null)
if [[ $named == *"set QUIB_DEVICE"* ]]; then
  echo "FAIL: the real-drive copy asks for QUIB_DEVICE though it is set: $named"
  exit 1
fi
echo "ok: without QUIB_DEVICE the real-drive copy says how to name the drive"
