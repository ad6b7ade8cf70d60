#!/usr/bin/env bash
# Runs every script of tests/scripts on the Linux build and on the Windows
# build (under Wine, on the system's real dialogs) and compares the two
# transcripts and exit statuses byte for byte. Both runs use the recording
# test driver as ZOVEVIV.DLL (or no driver at all, for a script that says
# so), each with a fresh host folder and, on Windows, the driver's registry
# keys removed first, so every script starts from the same nothing.
#
#   scripts/compare-transcripts.sh LINUX_BUILD WINDOWS_BUILD [SCRIPT...]
#
# A script's first lines may say how it runs:
#   #! QUIB_LANGID=1041      an environment variable for both runs
#   #! --protect             an option of the tool
#   #! no driver             no ZOVEVIV.DLL beside the tool
#   #! virtual drive         each build's own virtual drive beside the tool,
#                            its low-level format taking no time; after the
#                            run the disk image of each must pass fsck.fat -n
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
linux=$(realpath "$1")
windows=$(realpath "$2")
shift 2
scripts=("$@")
[ ${#scripts[@]} -gt 0 ] || scripts=("$here"/tests/scripts/*.script)

work=$windows/transcripts
rm -rf "$work"
mkdir -p "$work"/linux-driver "$work"/linux-none "$work"/windows-driver "$work"/windows-none \
  "$work"/linux-virtual "$work"/windows-virtual
# The tool beside the test driver, alone, and beside the virtual drive.
for kind in driver none virtual; do
  cp "$linux/bin/quibtools" "$work/linux-$kind/"
  cp "$windows/bin/quibtools.exe" "$work/windows-$kind/"
done
cp "$windows/bin/quibtools.com" "$work/windows-driver/"
cp "$linux/tests/test_driver/ZOVEVIV.DLL" "$work/linux-driver/ZOVEVIV.DLL"
cp "$windows/tests/test_driver/ZOVEVIV.DLL" "$work/windows-driver/ZOVEVIV.DLL"
cp "$linux/bin/ZOVEVIV.DLL" "$linux/bin/quibdrive" "$work/linux-virtual/"
cp "$windows/bin/ZOVEVIV.DLL" "$windows/bin/quibdrive.exe" "$work/windows-virtual/"

# The file system of the disk a run left in the virtual drive: the boot
# record's partition starts at sector 32.
check_image() {
  local image=$1/drive/disks/disk1.img
  dd if="$image" of="$work/partition.img" bs=512 skip=32 status=none &&
    fsck.fat -n "$work/partition.img" > "$work/fsck.out" 2>&1 || {
      echo "DIFFERENT $2: fsck.fat -n finds the disk image damaged"; cat "$work/fsck.out"; return 1; }
  echo "         $2: sound, label '$(dd if="$work/partition.img" bs=1 skip=43 count=11 status=none)'," \
    "$(tail -1 "$work/fsck.out" | sed 's/.*: //')"
}

export WINEPREFIX=${WINEPREFIX:-$windows/wine-prefix}
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64

failed=0
for script in "${scripts[@]}"; do
  name=$(basename "$script" .script)
  environment=()
  options=()
  kind=driver
  while IFS= read -r line; do
    case "$line" in
      '#! no driver') kind=none ;;
      '#! virtual drive') kind=virtual ;;
      '#! --'*) options+=("${line#'#! '}") ;;
      '#! '*=*) environment+=("${line#'#! '}") ;;
      '#'*|'') ;;
      *) break ;;
    esac
  done < "$script"
  home=$(mktemp -d "$work/home.XXXXXX")
  windows_home="$($wine winepath -w "$home" 2>/dev/null | tr -d '\r')\\windows"
  if [ $kind = virtual ]; then
    QUIB_HOME="$home/linux" "$work/linux-virtual/quibdrive" format-time 0 > /dev/null
    QUIB_HOME="$windows_home" "$wine" "$work/windows-virtual/quibdrive.exe" format-time 0 > /dev/null 2>&1
  fi
  linux_status=0
  env QUIB_HOME="$home/linux" QUIB_LANGID=1033 "${environment[@]}" \
    "$work/linux-$kind/quibtools" "${options[@]}" --script - < "$script" > "$work/$name.linux" 2>/dev/null \
    || linux_status=$?
  "$wine" reg delete 'HKLM\SOFTWARE\QuibTools' /f > /dev/null 2>&1 || true
  windows_status=0
  env QUIB_HOME="$windows_home" QUIB_LANGID=1033 "${environment[@]}" \
    "$wine" "$work/windows-$kind/quibtools.exe" "${options[@]}" --script - < "$script" > "$work/$name.windows" \
    2>/dev/null || windows_status=$?
  if [ "$linux_status" = "$windows_status" ] && cmp -s "$work/$name.linux" "$work/$name.windows"; then
    echo "same     $name (exit $linux_status, $(wc -l < "$work/$name.linux") lines)"
  else
    echo "DIFFERENT $name: exit $linux_status on Linux, $windows_status on Windows"
    diff -u --label linux --label windows "$work/$name.linux" "$work/$name.windows" | head -40 || true
    failed=1
  fi
  if [ $kind = virtual ]; then
    check_image "$home/linux" "$name on Linux" || failed=1
    check_image "$home/windows" "$name on Windows" || failed=1
  fi
  rm -rf "$home"
done
# The command line's jobs, from the console program quibtools.com as
# cmd.exe starts it: their report on standard output and their status.
jobs=("status" "folder fixed 4" "folder linked" "format --help" "protect")
for job in "${jobs[@]}"; do
  home=$(mktemp -d "$work/home.XXXXXX")
  read -r -a words <<< "$job"
  linux_status=0
  QUIB_HOME="$home/linux" QUIB_LANGID=1033 "$work/linux-driver/quibtools" "${words[@]}" > "$work/job.linux" \
    2>/dev/null </dev/null || linux_status=$?
  "$wine" reg delete 'HKLM\SOFTWARE\QuibTools' /f > /dev/null 2>&1 || true
  windows_status=0
  QUIB_HOME="$($wine winepath -w "$home" 2>/dev/null | tr -d '\r')\\windows" QUIB_LANGID=1033 \
    "$wine" "$work/windows-driver/quibtools.com" "${words[@]}" > "$work/job.windows" 2>/dev/null </dev/null \
    || windows_status=$?
  rm -rf "$home"
  if [ "$linux_status" = "$windows_status" ] && cmp -s "$work/job.linux" "$work/job.windows"; then
    echo "same     quibtools $job (exit $linux_status)"
  else
    echo "DIFFERENT quibtools $job: exit $linux_status on Linux, $windows_status on Windows"
    diff -u --label linux --label windows "$work/job.linux" "$work/job.windows" | head -20 || true
    failed=1
  fi
done
# quibreg's changes and listings, Japanese text in its words included: the
# same report from the Linux store and from the system's registry. Values
# are set in the order of their names: the system lists a key's values so,
# the Linux store in the order they were first set.
cp "$linux/bin/quibreg" "$work/linux-driver/"
cp "$windows/bin/quibreg.exe" "$work/windows-driver/"
key='Drivers\USB\ClientDrivers\USB_Quib_Driver'
home=$(mktemp -d "$work/home.XXXXXX")
"$wine" reg delete 'HKLM\SOFTWARE\QuibTools' /f > /dev/null 2>&1 || true
for system in linux windows; do
  : > "$work/quibreg.$system"
  for words in "set|$key|Fixed|number|0x1" "set|$key|Folder|string|メモリ カード" "list|$key" "delete|$key|Folder" \
               "list|$key|Folder"; do
    IFS='|' read -r -a arguments <<< "$words"
    if [ $system = linux ]; then
      QUIB_HOME="$home/linux" "$work/linux-driver/quibreg" "${arguments[@]}" >> "$work/quibreg.linux" 2>&1 \
        || echo "exit $?" >> "$work/quibreg.linux"
    else
      status=0
      QUIB_HOME="$home" "$wine" "$work/windows-driver/quibreg.exe" "${arguments[@]}" > "$work/quibreg.out" 2>&1 \
        || status=$?
      tr -d '\r' < "$work/quibreg.out" >> "$work/quibreg.windows"
      [ "$status" = 0 ] || echo "exit $status" >> "$work/quibreg.windows"
    fi
  done
done
rm -rf "$home"
if cmp -s "$work/quibreg.linux" "$work/quibreg.windows"; then
  echo "same     quibreg set, list and delete ($(wc -l < "$work/quibreg.linux") lines)"
else
  echo "DIFFERENT quibreg set, list and delete"
  diff -u --label linux --label windows "$work/quibreg.linux" "$work/quibreg.windows" | head -20 || true
  failed=1
fi
exit $failed
