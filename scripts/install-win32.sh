#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need, from
# Debian's packages. Runs apt-get as root, or through sudo.
set -euo pipefail
packages=(
  g++-mingw-w64-x86-64-posix   # the cross compiler for 64-bit Windows
  mingw-w64-x86-64-dev         # the Win32 headers and import libraries
  mingw-w64-tools              # windres's companions
  wine64                       # runs the Windows programs here
  fonts-wine                   # Tahoma and Marlett for the windows' captions
  xvfb xdotool                 # the real windows' session
  locales                      # a Japanese locale for Wine's Japanese run
  nasm                         # the disk image's boot loaders
  googletest                   # GoogleTest's sources, built for Windows
  nsis zip                     # the installer and the portable zip
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
run=()
[ "$(id -u)" -eq 0 ] || run=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq || true
"${run[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
