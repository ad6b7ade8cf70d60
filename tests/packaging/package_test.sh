#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a
# temporary root and runs what was installed there: the tool on the
# installed virtual drive, its help viewer, the man pages; then lintian.
# Usage: package_test.sh BUILD_DIR. Exit 77 (skipped) when dpkg-deb is missing.
set -u
build=$1
for tool in cpack dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

started=$SECONDS
# The package goes to a folder of its own, not over one a person built.
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
deb=$(ls "$work"/out/quibtools_*.deb)
echo "Built $(basename "$deb") in $((SECONDS - started)) s"
depends=$(dpkg-deb -f "$deb" Depends)
# libcrypt is linked into the driver library statically where Debian ships
# its archive, so it is not among them.
for library in libc6 libsqlite3-0 libncursesw6 libfltk1.3; do
  [[ $depends == *"$library "* || $depends == *"$library," || $depends == *"$library" ]] ||
    fail "Depends does not name $library: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
usr=$root/usr

# The tool runs from the link on the PATH and finds its folder's libraries.
[ "$("$usr/bin/quibtools" --version)" = "quibtools 1.0.0" ] || fail "installed quibtools --version"
export QUIB_HOME=$work/home
transcript=$(printf 'click 1024\ndump\nclick 2\nclick 2\n' | "$usr/bin/quibtools" --script -)
status=$?
[ $status -eq 1 ] || fail "the Status flow ended with $status"
[[ $transcript == *'dialog open 132 "Status"'* ]] || fail "no Status dialog: $transcript"
[[ $transcript == *'edit "Drive #1 : Folder Name = Storage Card3"'* ]] ||
  fail "the Status dialog shows no virtual drive: $transcript"
[ -f "$QUIB_HOME/drive/state" ] || fail "the installed virtual drive kept no state in the host folder"
"$usr/bin/quibdrive" status | grep -q '^Drive: *plugged' || fail "installed quibdrive does not see the drive"
"$usr/bin/quibtools" status | grep -q 'Storage Card3' || fail "installed quibtools status"

# The real-drive copy loads the library beside it: without QUIB_DEVICE it finds no drive.
real=$(cd "$work" && env -u QUIB_DEVICE "$usr/bin/quibtools-real-drive" status 2>&1)
[[ $real == *"No Drive is Connected."* ]] || fail "quibtools-real-drive did not use the real-drive library: $real"
[[ $real == *"set QUIB_DEVICE to the drive's device"* ]] ||
  fail "quibtools-real-drive without QUIB_DEVICE does not say how to name the drive: $real"

# The help viewer reads its topics through the help link.
"$usr/lib/quibtools/PegHelp.exe" --print QuibUSBStatus.htp </dev/null | grep -q . ||
  fail "the installed help viewer finds no topic"

# Each man page renders without a warning.
for page in "$usr"/share/man/man1/*.1.gz; do
  out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "man -l $(basename "$page"): $out"
  MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^EXIT STATUS' || fail "man -l $(basename "$page") shows no EXIT STATUS"
done

# The completion scripts load and complete options and sub-commands:
# the words typed (the last one being completed), then what they complete to.
completions=(
  "quibtools pro|protect"
  "quibtools protect read|read-write-password"
  "quibtools folder f|fixed"
  "quibtools --scr|--script"
  "quibtools-real-drive st|status"
  "quibdrive format|format-time"
  "quibdrive --v|--version"
  "quibreg delete-|delete-key"
  "quibreg set KEY NAME n|number"
  "quibusb ch|check"
)
for row in "${completions[@]}"; do
  IFS='|' read -r typed expected <<<"$row"
  read -ra words <<<"$typed"
  program=${words[0]}
  got=$(bash -c 'file=$1; shift; source "$file"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
                 $(complete -p "$1" | sed "s/.*-F \([^ ]*\) .*/\1/"); echo "${COMPREPLY[*]}"' _ \
        "$usr/share/bash-completion/completions/$program" "${words[@]}")
  [ "$got" = "$expected" ] || fail "completion of '$typed' gave '$got', not '$expected'"
done

if command -v lintian >/dev/null; then
  # Errors fail the test; the warnings left are explained in docs/packaging.md.
  lintian --fail-on error "$deb" || fail "lintian found errors"
else
  echo "NOTE: lintian is not installed: the package was not checked by it (scripts/install-packages.sh installs it)"
fi

echo "Package test took $((SECONDS - started)) s"
[ $failures -eq 0 ]
