#!/usr/bin/env bash
# Takes the screenshots of docs/images/: the real program's windows on a
# virtual display with a window manager (for the frames and titles), in
# English and Japanese, driven with xdotool as a person would.
#   scripts/desktop-screenshots.sh [BUILD_FOLDER]    (default: build)
# Needs xvfb, xdotool, x11-utils, imagemagick and openbox (installs what is
# missing).
set -euo pipefail
export LC_ALL=C.UTF-8
cd "$(dirname "$0")/.."
build=${1:-build}
out=docs/images
mkdir -p "$out"

need=()
for p in xvfb xdotool x11-utils imagemagick openbox; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${need[*]}"
  $sudo apt-get install -y -qq "${need[@]}" >/dev/null
fi
cmake --build "$build" --target quibtools quib_desktop quib_drive_library quibdrive desktop_control_position \
  quib_folder_machine >/dev/null

display=:$((200 + $$ % 500))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
sleep 1
openbox >/dev/null 2>&1 &
wm=$!
home=$(mktemp -d)
trap 'kill $wm $xvfb 2>/dev/null; rm -rf "$home"' EXIT
export QUIB_HOME=$home

position() { "$build/tests/desktop/desktop_control_position" "$1" "$2"; }

window() { # waits for the window titled $1 (its UTF-8 _NET_WM_NAME) and prints its id
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
      name=$(xprop -id "$id" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
      [ "$name" = "$1" ] && { echo "$id"; return; }
    done
    sleep 0.1
  done
  echo "no window '$1'" >&2; exit 1
}

click() { # window id, template id, control id
  sleep 0.4
  read -r x y < <(position "$2" "$3")
  xdotool mousemove --window "$1" "$x" "$y" click 1
}

shoot() { # window id, file name
  sleep 0.5
  import -frame -window "$1" "$out/$2.png"
  echo "$out/$2.png"
}

run() { # language id, suffix, template ids: menu status format execute protect
  local lang=$1 tag=$2 menuT=$3 statusT=$4 formatT=$5 executeT=$6 protectT=$7
  export QUIB_LANGID=$lang
  export QUIB_HOME=$home/$tag # a first run: a blank disk
  local titles
  if [ "$lang" = 1041 ]; then
    titles=("Quib! Tools" "ステータス" "フォーマット" "フォーマット確認" "フォーマットの実行" "プロテクトの設定・解除")
  else
    titles=("Quib! Tools" "Status" "Format" "Format Confirmation" "Format Execute" "Protect Setting")
  fi
  "$build/bin/quibtools" --desktop --protect &
  local tool=$!
  local menu; menu=$(window "${titles[0]}")
  shoot "$menu" "menu-$tag"

  click "$menu" "$menuT" 1024
  local status; status=$(window "${titles[1]}")
  shoot "$status" "status-$tag"
  xdotool key Escape

  "$build/bin/quibdrive" format-time 8 >/dev/null
  click "$menu" "$menuT" 1023
  local format; format=$(window "${titles[2]}")
  click "$format" "$formatT" 1038           # Long Format
  click "$format" "$formatT" 1039           # the label field
  xdotool type --delay 30 "PHOTOS"
  shoot "$format" "format-$tag"
  click "$format" "$formatT" 1
  local confirm; confirm=$(window "${titles[3]}")
  shoot "$confirm" "message-$tag"
  xdotool key Return
  local execute; execute=$(window "${titles[4]}")
  click "$execute" "$executeT" 1            # Start
  sleep 3.5
  import -window root "$out/format-running-$tag.png"
  echo "$out/format-running-$tag.png"
  sleep 6
  click "$execute" "$executeT" 2            # Close

  click "$menu" "$menuT" 1025               # Protect
  local protect; protect=$(window "${titles[5]}")
  shoot "$protect" "protect-$tag"
  xdotool key Escape
  sleep 0.4
  xdotool key Escape
  wait "$tool" || true
}

# The longest texts: the status of a disk whose read/write password
# protection is lifted until eject, the caution before a password
# protection and the New Password dialog's explanation.
texts() { # language id, suffix, template ids: menu protect
  local lang=$1 tag=$2 menuT=$3 protectT=$4
  export QUIB_LANGID=$lang
  export QUIB_HOME=$home/long-$tag
  local titles
  if [ "$lang" = 1041 ]; then
    titles=("Quib! Tools" "ステータス" "プロテクトの設定・解除" "パスワードつきの警告" "パスワードの入力")
  else
    titles=("Quib! Tools" "Status" "Protect Setting" "Warning" "New Password")
  fi
  "$build/bin/quibtools" --desktop --protect &
  local tool=$!
  local menu; menu=$(window "${titles[0]}")
  click "$menu" "$menuT" 1025               # Protect
  local protect; protect=$(window "${titles[2]}")
  click "$protect" "$protectT" 1019         # Write Protect with Password
  local caution; caution=$(window "${titles[3]}")
  shoot "$caution" "caution-$tag"
  xdotool key y                             # Yes, by its letter
  local password; password=$(window "${titles[4]}")
  shoot "$password" "password-$tag"
  xdotool key Escape
  sleep 0.4
  xdotool key Escape
  sleep 0.4
  xdotool key Escape
  wait "$tool" || true

  printf 'secret\nsecret\n' | "$build/bin/quibtools" protect read-write-password --password-stdin --yes >/dev/null
  printf 'secret\n' | "$build/bin/quibtools" protect unprotect-until-eject --password-stdin >/dev/null
  "$build/bin/quibtools" --desktop --protect &
  tool=$!
  menu=$(window "${titles[0]}")
  click "$menu" "$menuT" 1024
  local status; status=$(window "${titles[1]}")
  shoot "$status" "status-long-$tag"
  xdotool key Escape
  sleep 0.4
  xdotool key Escape
  wait "$tool" || true
}

# The chooser of the real drive: its copy of the tool started with no drive
# named, on a machine laid out in a folder (the library's test build reads
# it, tests/usbdrive/folder_machine.cpp) with a memory stick and a Quib! drive.
usb_disk() { # machine folder, disk, generic node, vendor, product, serial, blocks, port
  local root=$1 disk=$2 generic=$3 vendor=$4 product=$5 serial=$6 blocks=$7 port=$8
  local usb=/sys/devices/pci0000:00/0000:00:14.0/usb1/1-$port
  local scsi=$usb/1-$port:1.0/host$port/target$port:0:0/$port:0:0:0
  local block=$scsi/block/$disk
  mkdir -p "$root$block/queue" "$root$scsi/scsi_generic/$generic" "$root/sys/class/block" "$root/dev/disk/by-id"
  echo "$serial" > "$root$usb/serial"
  echo "$vendor" > "$root$scsi/vendor"
  echo "$product" > "$root$scsi/model"
  echo "$blocks" > "$root$block/size"
  echo 1 > "$root$block/removable"
  echo 512 > "$root$block/queue/logical_block_size"
  ln -s ../.. "$root$block/device"
  ln -s "../..${block#/sys}" "$root/sys/class/block/$disk"
  : > "$root/dev/$disk"
  ln -s "../../$disk" "$root/dev/disk/by-id/usb-${vendor}_${product}_$serial-0:0"
}

chooser() { # language id, suffix, title
  export QUIB_LANGID=$1 QUIB_HOME=$home/chooser-$2
  local machine=$home/machine-$2
  mkdir -p "$machine"
  usb_disk "$machine" sdb sg1 ACME STICK A77 15633408 1
  usb_disk "$machine" sdc sg2 QUIB DRIVE Q0001 78848 2
  env -u QUIB_DEVICE QUIB_TEST_MACHINE="$machine" "$build/tests/folder-machine/real-drive/quibtools" --desktop &
  local tool=$!
  local id; id=$(window "$3")
  shoot "$id" "chooser-$2"
  kill "$tool"
  wait "$tool" || true
}

chooser 1033 en "Quib! Drive"
chooser 1041 ja "Quib! ドライブ"
run 1033 en 134 132 128 124 131
run 1041 ja 135 118 116 117 112
texts 1033 en 134 131
texts 1041 ja 135 112
