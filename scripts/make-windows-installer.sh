#!/usr/bin/env bash
# Makes the Windows installer and the portable zip from a Windows build
# (docs/windows.md, "Installing on Windows"):
#
#   scripts/make-windows-installer.sh [BUILD_DIR] [OUT_DIR]
#
# BUILD_DIR (build-win32) holds the programs; OUT_DIR (BUILD_DIR/dist)
# receives QuibTools-VERSION-setup.exe and QuibTools-VERSION-portable.zip.
# The files are staged in the installed layout, once for both: the tool,
# its console twin, the virtual drive library, quibdrive and quibreg, the
# help topics with their web pages, and real-drive\ with the tool beside the
# real-drive library. The version is the project's (CMakeLists.txt's
# project VERSION, read from the build's cache). Stops, naming every file
# missing, before anything is made.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$source_dir/build-win32}")
out=$(realpath -m "${2:-$build/dist}")

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
if [ -z "$version" ]; then
  echo "make-windows-installer: no project version in $build/CMakeCache.txt: is $build a configured Windows build?" >&2
  exit 1
fi
# The Windows version resource wants four numbers.
file_version=$version
while [ "$(tr -cd . <<<"$file_version" | wc -c)" -lt 3 ]; do file_version=$file_version.0; done

# Staged name, then where it comes from. The real-drive copies of the tool
# are the same programs as bin\'s: the folder they sit in chooses the drive.
files=(
  quibtools.exe            "$build/bin/quibtools.exe"
  quibtools.com            "$build/bin/quibtools.com"
  ZOVEVIV.DLL              "$build/bin/ZOVEVIV.DLL"
  quibdrive.exe            "$build/bin/quibdrive.exe"
  quibreg.exe              "$build/bin/quibreg.exe"
  real-drive/quibtools.exe "$build/bin/quibtools.exe"
  real-drive/quibtools.com "$build/bin/quibtools.com"
  real-drive/ZOVEVIV.DLL   "$build/real-drive/ZOVEVIV.DLL"
)
topics=("$source_dir"/help/*.htc "$source_dir"/help/*.htp)

missing=()
for ((i = 1; i < ${#files[@]}; i += 2)); do
  [ -f "${files[i]}" ] || missing+=("${files[i]}")
done
for topic in "${topics[@]}"; do
  [ -f "$topic" ] || missing+=("$topic")
done
for tool in makensis zip cmake x86_64-w64-mingw32-strip; do
  command -v "$tool" >/dev/null || missing+=("the command $tool (scripts/install-win32.sh installs it)")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "make-windows-installer: cannot make the installer, missing:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  exit 1
fi

name=QuibTools-$version
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/$name
mkdir -p "$stage/help" "$stage/real-drive" "$out"
# The build keeps its debugging information (RelWithDebInfo); what is
# shipped goes without it: a fifth of the size. strip stamps each program
# with SOURCE_DATE_EPOCH, the zip each file with its time: by default the
# last commit's, so that the same sources give the same files.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || date +%s)}
for ((i = 0; i < ${#files[@]}; i += 2)); do
  x86_64-w64-mingw32-strip --strip-unneeded -o "$stage/${files[i]}" "${files[i + 1]}"
done
for topic in "${topics[@]}"; do
  cp "$topic" "$stage/help/"
  cmake -DINPUT="$topic" -DOUTPUT="$stage/help/$(basename "$topic").html" -P "$source_dir/tools/quibhelp/topic_to_html.cmake"
done
# Windows' Notepad before 2018 shows LF-only text as one line.
sed 's/$/\r/' "$source_dir/LICENSE" >"$stage/LICENSE.txt"

makensis -V2 -DVERSION="$version" -DFILE_VERSION="$file_version" -DSTAGE="$stage" \
  -DOUTFILE="$out/$name-setup.exe" "$source_dir/packaging/windows/quibtools.nsi"

# The portable copy: the same files in one folder, and how to use them.
sed 's/$/\r/' >"$stage/README.txt" <<EOF
Quib! Tools $version, the portable copy

Unpack this folder anywhere and run the tool from it; nothing needs to be
installed:

  quibtools.exe              the tool, with its windows (double click)
  quibtools.com status       the same tool in a console: status, format,
                             protect, folder (quibtools.com --help)
  quibdrive.exe              plugs and unplugs the virtual drive, inserts
                             and ejects disks
  quibreg.exe                looks at and edits the driver's registry keys
  real-drive\\quibtools.exe   the tool on a Quib! drive plugged into this
                             machine (the library beside it reaches the drive)
  help\\QuibUSB.htc.html      the help, in the browser

quibtools.exe and quibtools.com in this folder use the virtual drive
(ZOVEVIV.DLL beside them); the tool keeps its own files in
%LOCALAPPDATA%\\QuibTools (or QUIB_HOME when set).

The tool keeps its registry, the driver's settings among them (the Folder
Setting), under HKEY_LOCAL_MACHINE\\SOFTWARE\\QuibTools, and makes its keys
there on first use. Only an administrator may make or change that key:
run by another user, this copy reads the settings (the defaults until an
administrator has saved some), but the system refuses their change
("quibtools.com folder" says so). Run it as administrator to save them, or
install the tool instead: the installer ($name-setup.exe) gives the Users
group read and write access to that key and everything below it.
EOF
rm -f "$out/$name-portable.zip"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$work" && zip -q -r -X "$out/$name-portable.zip" "$name")
echo "make-windows-installer: $out/$name-setup.exe, $out/$name-portable.zip"
