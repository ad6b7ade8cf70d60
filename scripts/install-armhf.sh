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
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if ! { $sudo apt-get update -qq && $sudo apt-get install -y -qq "${missing[@]}"; }; then
    # Leave the machine's architectures as they were, so that apt keeps working.
    if $added; then $sudo dpkg --remove-architecture armhf || true; fi
    exit 1
  fi
fi

# libunibreak (line breaking by Unicode's rules) is not packaged for
# multiarch: its armhf package puts its files where the machine's own are,
# so installing it would remove the amd64 one that the native build uses.
# Its two armhf packages are unpacked into build-armhf-deps/ instead, which
# cmake/armhf-toolchain.cmake searches.
deps="$(cd "$(dirname "$0")/.." && pwd)/build-armhf-deps"
if [ ! -f "$deps/usr/lib/pkgconfig/libunibreak.pc" ]; then
  downloads="$(mktemp -d)"
  trap 'rm -rf "$downloads"' EXIT
  if ! (cd "$downloads" && apt-get download -qq -o APT::Sandbox::User=root libunibreak1:armhf libunibreak-dev:armhf); then
    $sudo apt-get update -qq
    (cd "$downloads" && apt-get download -qq -o APT::Sandbox::User=root libunibreak1:armhf libunibreak-dev:armhf) || exit 1
  fi
  for package in "$downloads"/*.deb; do dpkg-deb -x "$package" "$deps"; done
  sed -i "s|^prefix=.*|prefix=$deps/usr|" "$deps/usr/lib/pkgconfig/libunibreak.pc"
fi
