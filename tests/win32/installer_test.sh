#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix of its own:
#
#   tests/win32/installer_test.sh BUILD_DIR
#
# takes BUILD_DIR/dist/QuibTools-VERSION-setup.exe and -portable.zip
# (scripts/make-windows-installer.sh makes them) and
#   1. runs the setup silently (/S) and checks every installed file against
#      the build's (stripped as shipped) and against the portable zip's;
#   2. reads the Start menu's shortcuts (the .lnk files' own target and
#      working folder);
#   3. checks Add/Remove Programs' entry and the tool's registry key,
#      HKLM\SOFTWARE\QuibTools: empty, with the access list the installer
#      set (read back with RegGetKeySecurity by key_security.exe, built
#      here); then runs the installed programs in their folder: the tool
#      from the shortcut's target (--version, and its console twin's status,
#      which finds the virtual drive library there), quibreg where,
#      quibtools folder fixed 3 (the value must reach the driver's key below
#      the root) and quibdrive status (the drive seen through the same
#      files);
#   4. runs the uninstaller as Add/Remove Programs does (its UninstallString,
#      /S), waits for it, and checks that nothing it installed is left, the
#      keys the tool made included, and that the host folder stays;
#   5. runs the portable copy first, as an administrator would, so the
#      tool's keys are there before the installer; installs over them
#      beside a key of another program's (HKLM\SOFTWARE\Other): the root
#      gets the installer's access list, the saved setting stays; then
#      uninstalls, and the other program's key must stay.
# Prints its timings; exit status 0 when every check held.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
started=$(date +%s.%N)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
setup=$build/dist/QuibTools-$version-setup.exe
portable=$build/dist/QuibTools-$version-portable.zip
for made in "$setup" "$portable"; do
  if [ -z "$version" ] || [ ! -f "$made" ]; then
    echo "installer test: FAILED: no $made (scripts/make-windows-installer.sh $build makes it)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# Shortcuts made in the prefix must not become menu entries of this machine.
export WINEDLLOVERRIDES=winemenubuilder.exe=d
wine=/usr/lib/wine/wine64
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "installer test: FAILED: $*" >&2
  failures=$((failures + 1))
}
# Runs a Windows program or command; its standard output on ours.
win() { "$wine" "$@" 2>/dev/null </dev/null; }
key_exists() { win reg query "$1" >/dev/null; }
seconds() { awk -v from="$1" -v to="$2" 'BEGIN { printf "%.1f", to - from }'; }

# The access list checker builds while the prefix is made.
x86_64-w64-mingw32-g++ -std=c++20 -O1 -municode -static -Wall -Wextra -o "$work/key_security.exe" \
  "$source_dir/tests/win32/key_security.cpp" -ladvapi32 &
compiler=$!
"$source_dir/scripts/wine-prefix.sh" "$WINEPREFIX"
wait $compiler
prefixed=$(date +%s.%N)

# The tool's whole registry, and the driver's keys the tool makes below it.
root='HKLM\SOFTWARE\QuibTools'
settings="$root\Drivers\USB\ClientDrivers\USB_Quib_Driver"
load_key="$root\Drivers\USB\LoadClients\Default\Default\8_6_80\USB_Quib_Driver"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuibTools'
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quib! Tools"
# The programs' host folder (the virtual drive's state and disks).
export QUIB_HOME='C:\quib-home'
host=$WINEPREFIX/drive_c/quib-home
key_exists "$root" && fail "a fresh prefix already has $root"

# 1. The files.
win "$setup" /S || fail "the setup ended with status $?"
# Add/Remove Programs' entry; value NAME's text in it.
entries=$(win reg query "$uninstall_key" | tr -d '\r') || true
entry() { sed -n "s/^ *$1 *REG_SZ *//p" <<<"$entries"; }
installed=$(entry InstallLocation)
folder=$(win winepath -u "$installed" | tr -d '\r') || true
if [ -z "$installed" ] || [ ! -d "$folder" ]; then
  echo "installer test: FAILED: no install folder (InstallLocation '$installed')" >&2
  exit 1
fi
ready=$(date +%s.%N)
[ "$installed" = 'C:\Program Files\QuibTools' ] || fail "installed into $installed, not C:\\Program Files\\QuibTools"

# Installed name, and the build's file it is: both stripped here with one
# time stamp, the installed one (shipped stripped) comes out the same.
expected=(
  quibtools.exe            bin/quibtools.exe
  quibtools.com            bin/quibtools.com
  ZOVEVIV.DLL              bin/ZOVEVIV.DLL
  quibdrive.exe            bin/quibdrive.exe
  quibreg.exe              bin/quibreg.exe
  real-drive/quibtools.exe bin/quibtools.exe
  real-drive/quibtools.com bin/quibtools.com
  real-drive/ZOVEVIV.DLL   real-drive/ZOVEVIV.DLL
)
for ((i = 0; i < ${#expected[@]}; i += 2)); do
  SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip --strip-unneeded -o "$work/built" "$build/${expected[i + 1]}" &&
    SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip --strip-unneeded -o "$work/shipped" "$folder/${expected[i]}" &&
    cmp -s "$work/built" "$work/shipped" || fail "${expected[i]} is not the build's ${expected[i + 1]}"
done
for topic in "$source_dir"/help/*.htp "$source_dir"/help/*.htc; do
  name=help/$(basename "$topic")
  cmp -s "$topic" "$folder/$name" || fail "$name is not the source tree's"
  grep -q '<h1>' "$folder/$name.html" 2>/dev/null || fail "$name.html is not the topic's web page"
done
[ -f "$folder/uninstall.exe" ] || fail "no uninstall.exe"

# The portable zip: the same files in QuibTools-VERSION\, with a README.txt
# for Windows' own editors (CRLF on every line).
python3 -m zipfile -e "$portable" "$work/portable"
unpacked=$work/portable/QuibTools-$version
diff -r -x uninstall.exe -x README.txt "$unpacked" "$folder" >&2 || fail "the portable zip's files differ from the installed ones"
readme=$unpacked/README.txt
if [ ! -s "$readme" ] || [ "$(grep -c $'\r$' "$readme")" != "$(wc -l <"$readme")" ]; then
  fail "the portable zip's README.txt is missing or has lines without CRLF"
fi

# 2. The shortcuts: name, installed target, working folder.
shortcuts=(
  'Quib! Tools'              quibtools.exe             .
  'Quib! Tools (real drive)' real-drive\\quibtools.exe real-drive
  'Quib! Tools Help'         help\\QuibUSB.htc.html    help
  'Uninstall'                uninstall.exe             .
)
# Prints a shell link's target and working folder, one a line: the target
# from its LinkInfo (the local path, or the Unicode one when present), the
# folder from its string data.
read_link() {
  python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags, = struct.unpack_from("<I", data, 0x14)
at = 0x4C
if flags & 0x1:                                       # HasLinkTargetIDList
    at += 2 + struct.unpack_from("<H", data, at)[0]
if not flags & 0x2:                                   # HasLinkInfo
    sys.exit("no LinkInfo")
info = data[at:]
size, header, info_flags, _, local, _, suffix = struct.unpack_from("<7I", info, 0)
def ansi(offset): return info[offset:info.index(b"\0", offset)].decode("cp1252", "replace")
def wide(offset): return info[offset:info.index(b"\0\0", offset) + 1].decode("utf-16-le")
if header >= 0x24:
    local_w, suffix_w = struct.unpack_from("<2I", info, 0x1C)
    target = wide(local_w) + wide(suffix_w)
else:
    target = ansi(local) + ansi(suffix)
at += size
unicode = flags & 0x80
strings = []
for bit in (0x4, 0x8, 0x10, 0x20, 0x40):                # name, relative path, working folder, arguments, icon
    if flags & bit:
        count, = struct.unpack_from("<H", data, at)
        width = 2 if unicode else 1
        text = data[at + 2:at + 2 + count * width]
        strings.append((bit, text.decode("utf-16-le" if unicode else "cp1252")))
        at += 2 + count * width
print(target)
print(dict(strings).get(0x10, ""))
EOF
}
for ((i = 0; i < ${#shortcuts[@]}; i += 3)); do
  link="$menu/${shortcuts[i]}.lnk"
  want_target="$installed\\${shortcuts[i + 1]}"
  want_folder=$installed
  [ "${shortcuts[i + 2]}" = . ] || want_folder="$installed\\${shortcuts[i + 2]}"
  if [ ! -f "$link" ]; then
    fail "no Start menu shortcut '${shortcuts[i]}'"
    continue
  fi
  { read -r target; read -r start_in; } < <(read_link "$link") || true
  [ "$target" = "$want_target" ] || fail "'${shortcuts[i]}' starts '$target', not '$want_target'"
  [ "$start_in" = "$want_folder" ] || fail "'${shortcuts[i]}' starts in '$start_in', not '$want_folder'"
  relative=${want_target#"$installed\\"}
  [ -f "$folder/${relative//\\//}" ] || fail "'${shortcuts[i]}': its target '$want_target' is not there"
done

# 3. The registry, before the tool first runs: the root alone, no value,
# no sub-key (the tool makes its keys itself).
# reg lists a key's values and, with /s, every sub-key: anything beyond the
# root's own name is too much.
contents=$(win reg query "$root" /s | tr -d '\r') || fail "no $root"
extra=$(grep -v -x -e '' -e 'HKEY_LOCAL_MACHINE\\SOFTWARE\\QuibTools' <<<"$contents") &&
  fail "the installer wrote more than the empty $root:"$'\n'"$extra"
# System and Administrators everything, Users KEY_READ | KEY_WRITE, each
# handed down to sub-keys (0x03, OICI). Wine's SetSecurityInfo keeps the
# entries but drops the protected mark, so the list reads as not protected.
our_security=$'allow 0x03 0x000f003f S-1-5-18\nallow 0x03 0x000f003f S-1-5-32-544\nallow 0x03 0x0002001f S-1-5-32-545'
root_security() { win "$work/key_security.exe" 'SOFTWARE\QuibTools' | tr -d '\r'; }
security=$(root_security) || true
[ "$security" = "$our_security" ] || fail "$root's access list is"$'\n'"$security"$'\n'"not"$'\n'"$our_security"
for pair in "DisplayName=Quib! Tools" "DisplayVersion=$version" "UninstallString=\"$installed\\uninstall.exe\""; do
  value=$(entry "${pair%%=*}")
  [ "$value" = "${pair#*=}" ] || fail "Add/Remove Programs' ${pair%%=*} is '$value', not '${pair#*=}'"
done

# The installed programs, each run in the install folder. The tool from the
# main shortcut's target, its console twin beside it, which loads the
# virtual drive library from that folder (and, first run, makes the host
# folder, the virtual drive and the tool's keys).
in_folder() { (cd "$folder" && win "$@"); }
# A value's data as reg shows it: key, value name.
value_of() { win reg query "$1" /v "$2" | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | tr -d '\r'; }
{ read -r target; read -r start_in; } < <(read_link "$menu/Quib! Tools.lnk") || true
shown=$(in_folder "$target" --version | tr -d '\r') || true
[ "$shown" = "quibtools $version" ] || fail "'$target --version' said '$shown', not 'quibtools $version'"
report=$(in_folder "${target%.exe}.com" status --json | tr -d '\r') || true
[[ $report == *'"drive":true'* ]] || fail "the installed console tool found no drive: $report"
where=$(in_folder "$installed\quibreg.exe" where | tr -d '\r') || true
[ "$where" = 'HKEY_LOCAL_MACHINE\SOFTWARE\QuibTools' ] ||
  fail "the installed quibreg's registry is '$where', not HKEY_LOCAL_MACHINE\\SOFTWARE\\QuibTools"
grep -qF "$where" "$readme" || fail "the portable zip's README.txt does not name the registry, $where"
in_folder "$installed\quibtools.com" folder fixed 3 || fail "quibtools.com folder fixed 3 ended with status $?"
[ "$(value_of "$settings" Fixed)" = 0x1 ] && [ "$(value_of "$settings" FolderNum)" = 0x3 ] ||
  fail "'folder fixed 3' left in $settings:"$'\n'"$(win reg query "$settings" | tr -d '\r')"
drive=$(in_folder "$installed\quibdrive.exe" status | tr -d '\r') || true
grep -q '^Drive: *plugged$' <<<"$drive" && grep -q '^Mount folder: *Storage Card3$' <<<"$drive" ||
  fail "the installed quibdrive does not show the drive plugged and mounted at Storage Card3:"$'\n'"$drive"
{ read -r target; read -r start_in; } < <(read_link "$menu/Quib! Tools (real drive).lnk") || true
shown=$(win "${target%.exe}.com" --version | tr -d '\r') || true
[ "$shown" = "quibtools $version" ] || fail "the real-drive copy said '$shown', not 'quibtools $version'"
key_exists "$load_key" ||
  fail "the installed tool registered no driver library: the uninstall below would not show its removal"
checked=$(date +%s.%N)

# 4. Uninstalling as Add/Remove Programs does. The uninstaller starts a copy
# of itself from TEMP and ends at once; the copy removes the install folder
# last, so its going marks the end.
uninstall() {
  local command
  command=$(win reg query "$uninstall_key" /v UninstallString | sed -n 's/.*REG_SZ *//p' | tr -d '\r') || true
  command=${command#\"}
  win "${command%\"}" /S || fail "the uninstaller ended with status $?"
  for ((tries = 0; tries < 150; tries++)); do
    [ -d "$folder" ] || return 0
    sleep 0.1
  done
  fail "the uninstaller left the install folder after 15 s:"$'\n'"$(find "$folder")"
}
uninstall
[ ! -e "$menu" ] || fail "the Start menu folder is left: $(ls "$menu")"
for key in "$uninstall_key" "$root"; do
  key_exists "$key" && fail "$key is left: $(win reg query "$key" /s | tr -d '\r')"
done
# The host folder is the user's: the virtual drive's disks stay.
[ -d "$host/drive" ] || fail "the uninstall took the host folder $host"
uninstalled=$(date +%s.%N)

# 5. The portable copy run first, as an administrator would: its keys have
# the system's own security (under Wine, its default list). The setup over
# them gives the root its list (SetSecurityInfo on a key that is there)
# and keeps the settings saved; its uninstall leaves another program's key.
other='HKLM\SOFTWARE\Other'
win reg add "$other" /v Kept /d yes /f >/dev/null
win "$unpacked/quibtools.com" folder fixed 4 || fail "the portable copy's 'folder fixed 4' ended with status $?"
security=$(root_security) || true
[ "$security" != "$our_security" ] || fail "the portable copy made $root with the installer's access list already"
win "$setup" /S || fail "the second setup ended with status $?"
security=$(root_security) || true
[ "$security" = "$our_security" ] ||
  fail "over the portable copy's keys, $root's access list is"$'\n'"$security"$'\n'"not"$'\n'"$our_security"
[ "$(value_of "$settings" FolderNum)" = 0x4 ] || fail "the second setup did not keep the saved FolderNum 4 in $settings"
in_folder "$installed\quibtools.com" --version >/dev/null || fail "the tool does not start after the second setup"
uninstall
key_exists "$root" && fail "$root is left after the second uninstall"
[ "$(value_of "$other" Kept)" = yes ] || fail "the uninstaller removed or changed another program's key, $other"
finished=$(date +%s.%N)

echo "== installer test: prefix $(seconds "$started" "$prefixed") s, install $(seconds "$prefixed" "$ready") s," \
  "checks and tool $(seconds "$ready" "$checked") s, uninstall $(seconds "$checked" "$uninstalled") s," \
  "over the portable copy $(seconds "$uninstalled" "$finished") s, total $(seconds "$started" "$finished") s =="
if [ $failures -gt 0 ]; then
  echo "installer test: $failures checks FAILED" >&2
  exit 1
fi
echo "installer test: passed"
