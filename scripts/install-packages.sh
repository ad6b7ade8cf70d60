#!/usr/bin/env bash
# Installs the Debian packages that building and testing Quib! Tools need,
# only those still missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
  g++ cmake make pkg-config       # the build
  libgtest-dev libgmock-dev       # GoogleTest
  libsqlite3-dev                  # the registry store
  libncurses-dev                  # the terminal front end (ncursesw)
  nasm                            # the disk image's boot loaders
  libunicorn-dev                  # running the boot loaders in the tests
  libcrypt-dev                    # the virtual drive's password hash
  dosfstools mtools fdisk         # checking written disk images
  tmux                            # driving the terminal front end in tests
  clang libclang-rt-dev           # the fuzz targets (libFuzzer and the sanitizers)
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
