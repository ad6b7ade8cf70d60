#!/usr/bin/env bash
# Installs the package the debian_package test built with apt, runs the
# installed tool, then purges it: afterwards no file or folder may be added
# to or missing from the system's folders. It changes the machine itself, so
# it runs as root only, and not where quibtools is installed already.
# Usage: install_purge_test.sh BUILD_DIR. Exit 77 (skipped) when it cannot run.
set -u
build=$1
deb=$(ls "$(realpath "$build")"/debian-package/quibtools_*_*.deb 2>/dev/null | grep -v dbgsym | head -1)
[ -n "$deb" ] || { echo "SKIP: no package built (ctest -R debian_package builds it)"; exit 77; }
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing the package needs root"; exit 77; }
if dpkg-query -W -f='${Status}' quibtools 2>/dev/null | grep -q "ok installed"; then
  echo "SKIP: quibtools is installed on this machine already"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Paths and kinds of everything under the folders a package can touch.
snapshot() {
  find /usr /etc /opt /var/lib/dpkg/info /var/lib/dpkg/alternatives -xdev -printf '%p %y\n' 2>/dev/null |
    grep -v -e '/__pycache__' | sort
}
snapshot >"$work/before"
started=$SECONDS
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends "$deb" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "apt-get install"; }
[ "$(quibtools --version 2>&1)" = "quibtools 1.0.0" ] || fail "the installed quibtools on the PATH"
export QUIB_HOME=$work/home
quibtools status | grep -q "Storage Card3" || fail "the installed quibtools status on the virtual drive"
quibdrive status | grep -q "^Drive: *plugged" || fail "the installed quibdrive"
apt-get purge -y -qq quibtools >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "apt-get purge"; }
snapshot >"$work/after"
changed=$(diff "$work/before" "$work/after")
[ -z "$changed" ] || fail "installing and purging changed the system:"$'\n'"$changed"
echo "Installed and purged in $((SECONDS - started)) s"
[ $failures -eq 0 ]
