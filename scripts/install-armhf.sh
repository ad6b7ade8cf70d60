#!/usr/bin/env bash
# Installs what the armhf (32-bit ARM) cross build and its emulated test run
# need, only what is still missing: Debian's cross toolchain, qemu-arm, and
# the armhf libraries through multiarch. Runs apt-get as root, or through
# sudo. Exits non-zero when they cannot be installed.
set -euo pipefail

packages=(
  crossbuild-essential-armhf      # arm-linux-gnueabihf-gcc/g++ and the armhf C library
  qemu-user                       # qemu-arm, which runs the armhf test programs
  libc6:armhf libstdc++6:armhf    # the armhf C and C++ libraries the programs run on
  libgtest-dev:armhf              # GoogleTest
  libsqlite3-dev:armhf            # the registry store
  libncurses-dev:armhf            # the terminal front end (ncursesw)
  libcrypt-dev:armhf              # the virtual drive's password hash
  libfltk1.3-dev:armhf            # the desktop front end's windows
  libunibreak-dev:armhf           # line breaking by Unicode's rules
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

added=false
if ! dpkg --print-foreign-architectures | grep -qx armhf; then
  $sudo dpkg --add-architecture armhf
  added=true
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if ! { $sudo apt-get update -qq && $sudo apt-get install -y -qq "${missing[@]}"; }; then
  # Leave the machine's architectures as they were, so that apt keeps working.
  if $added; then $sudo dpkg --remove-architecture armhf || true; fi
  exit 1
fi
