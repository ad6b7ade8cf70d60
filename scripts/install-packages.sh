#!/usr/bin/env bash
# Installs the Debian packages that Quib! Tools needs, only those still
# missing, and says which before it installs them. Runs apt-get as root, or
# through sudo.
#   scripts/install-packages.sh run    what building and running the tool needs
#   scripts/install-packages.sh        that and what the tests need as well
set -euo pipefail
set_wanted=${1:-test}
case $set_wanted in
  run|test) ;;
  *) echo "usage: scripts/install-packages.sh [run|test]" >&2; exit 2 ;;
esac

# The build's packages are also the Debian package's Build-Depends
# (debian/control), with debhelper from the test packages below.
run_packages=(
  g++ cmake make pkg-config       # the build
  libsqlite3-dev                  # the registry store
  libncurses-dev                  # the terminal front end (ncursesw)
  nasm                            # the disk image's boot loaders
  libcrypt-dev                    # the virtual drive's password hash
  libfltk1.3-dev                  # the desktop front end's windows
  libunibreak-dev                 # line breaking by Unicode's rules (terminal, desktop, help)
  fonts-dejavu-core fonts-noto-cjk # the dialog fonts (English, Japanese)
)

test_packages=(
  libgtest-dev libgmock-dev       # GoogleTest
  libunicorn-dev                  # running the boot loaders in the tests
  dosfstools mtools fdisk         # checking written disk images
  tmux                            # driving the terminal front end in tests
  xvfb xdotool                    # a virtual display, and a person's clicks on it, in tests
  dpkg-dev debhelper lintian man-db # building (debian/), checking and reading the Debian package
  desktop-file-utils appstream    # checking the desktop entries and the AppStream metainfo
  python3                         # checking the committed desktop icons (packaging/desktop/make_icons.py)
  clang libclang-rt-dev           # the fuzz targets (libFuzzer and the sanitizers)
  strace time                     # scripts/benchmark.sh: system calls per request, peak memory
)

packages=("${run_packages[@]}")
[ "$set_wanted" = run ] || packages+=("${test_packages[@]}")

# --- The real drive's kernel test (scripts/kernel-test.sh) -----------------
# QEMU, Debian's kernel and a static busybox; the test skips itself when
# they cannot be installed, so a failure here does not stop the build.
kernel_test_packages=(qemu-system-x86 linux-image-amd64 busybox-static cpio kmod)
[ "$set_wanted" = run ] && kernel_test_packages=()

# The packages of a list that are not installed yet, one a line.
missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
mapfile -t kernel_missing < <(missing_of "${kernel_test_packages[@]}")
mapfile -t missing < <(missing_of "${packages[@]}")
[ ${#kernel_missing[@]} -eq 0 ] && [ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# One look at the package lists serves both installs.
updated=false
if [ ${#kernel_missing[@]} -gt 0 ]; then
  echo "Installing for the kernel test: ${kernel_missing[*]}"
  { $sudo apt-get update -qq && updated=true &&
    $sudo apt-get install -y -qq --no-install-recommends "${kernel_missing[@]}"; } ||
    echo "The kernel test's packages could not be installed: it will be skipped."
fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing the Debian packages still missing (for $set_wanted): ${missing[*]}"
$updated || $sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
