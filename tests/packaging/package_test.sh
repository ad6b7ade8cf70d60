#!/usr/bin/env bash
# Builds the Debian package from a copy of the source with dpkg-buildpackage,
# checks it with lintian (any error or warning fails), unpacks it into a
# temporary root and runs what was installed there: the tool on the
# installed virtual drive, its help viewer, the man pages, the completion,
# the desktop entries with their validators and, on a virtual display, the
# window each entry's Exec line starts.
# Usage: package_test.sh SOURCE_DIR BUILD_DIR. The package is built in
# BUILD_DIR/debian-package, a folder of its own that each run replaces (its
# fixed path lets ccache reuse the last run's objects). Exit 77 (skipped)
# when a packaging tool is missing.
set -u
source_dir=$1
build=$2
for tool in dpkg-buildpackage dh lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null ||
    { echo "SKIP: $tool is not installed (scripts/install-packages.sh installs it)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

started=$SECONDS
if ! (cd "$source_dir" && dpkg-checkbuilddeps); then
  echo "FAIL: the package's Build-Depends are not installed (scripts/install-packages.sh installs them)"
  exit 1
fi

# dpkg-buildpackage builds inside the source folder and writes the packages
# beside it, so it gets a copy: the files git knows (or, outside git, the
# folder without its build folders).
package_dir=$build/debian-package
rm -rf "$package_dir"
mkdir -p "$package_dir/src"
if git -C "$source_dir" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$source_dir" && git ls-files -z -co --exclude-standard | xargs -0 cp -P --parents -t "$package_dir/src")
else
  tar -C "$source_dir" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$package_dir/src" -xf -
fi
launcher=()
command -v ccache >/dev/null &&
  launcher=(CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$package_dir")
if ! (cd "$package_dir/src" && env "${launcher[@]}" dpkg-buildpackage -us -uc -b) >"$package_dir/build.log" 2>&1; then
  tail -40 "$package_dir/build.log"
  echo "FAIL: dpkg-buildpackage could not build the package (log: $package_dir/build.log)"
  exit 1
fi
deb=$(ls "$package_dir"/quibtools_*.deb)
echo "Built $(basename "$deb") in $((SECONDS - started)) s"

# Every error and warning fails, for the package and its debug symbols; the
# overrides in debian/ each say why.
lintian --fail-on error,warning "$package_dir"/quibtools_*.changes || fail "lintian found errors or warnings"

# Private libraries only: no ldconfig call or trigger, no shlibs file.
control=$work/control
dpkg-deb -e "$deb" "$control"
for file in triggers shlibs postinst postrm; do
  [ ! -e "$control/$file" ] || fail "the package has a $file file: $(cat "$control/$file")"
done
depends=$(dpkg-deb -f "$deb" Depends)
# libcrypt (into the driver library) and SQLite (into the programs) are
# linked in from the archives Debian ships, so they are not among them.
for library in libc6 libncursesw6 libfltk1.3; do
  [[ $depends == *"$library "* || $depends == *"$library," || $depends == *"$library" ]] ||
    fail "Depends does not name $library: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for package in bash-completion fonts-dejavu-core fonts-noto-cjk; do
  [[ $recommends == *"$package"* ]] || fail "Recommends does not name $package: $recommends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
usr=$root/usr

# Built with every hardening flag: fortified calls, bound at start-up, PIE.
for program in "$usr/lib/quibtools/quibtools" "$usr/bin/quibusb" "$usr/lib/quibtools/real-drive/ZOVEVIV.DLL"; do
  dynamic=$(readelf -d "$program")
  [[ $dynamic == *BIND_NOW* || $dynamic == *"Flags: NOW"* ]] || fail "$(basename "$program") is not bound at start-up"
done
readelf -h "$usr/lib/quibtools/quibtools" | grep -q 'DYN ' || fail "the tool is not a position-independent executable"
readelf -s --wide "$usr/lib/quibtools/real-drive/ZOVEVIV.DLL" | grep -q '__[a-z]*_chk@' ||
  fail "the real-drive library calls no fortified function"

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
# It shares every front-end module and the help viewer of the folder above.
for module in "$usr"/lib/quibtools/*.so "$usr/lib/quibtools/PegHelp.exe"; do
  [ -e "$usr/lib/quibtools/real-drive/$(basename "$module")" ] ||
    fail "the real-drive folder has no link to $(basename "$module")"
done

# The help viewer reads its topics through the help link.
"$usr/lib/quibtools/PegHelp.exe" --print QuibUSBStatus.htp </dev/null | grep -q . ||
  fail "the installed help viewer finds no topic"

# Each man page renders without a warning, the real-drive copy's link too.
[ -e "$usr/share/man/man1/quibtools-real-drive.1.gz" ] || fail "no manual page for quibtools-real-drive"
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
  "quibusb al|allow"
  "quibusb allow --r|--remove"
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

# The desktop entries and the metainfo pass their validators, and the
# entries' icon is in the hicolor theme at every size.
entries=("$usr"/share/applications/*.desktop)
[ ${#entries[@]} -eq 2 ] || fail "the package has ${#entries[@]} desktop entries, not 2"
for entry in "${entries[@]}"; do
  out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate $(basename "$entry"): $out"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  for size in 16 32 48 64 128 256; do
    [ -f "$usr/share/icons/hicolor/${size}x$size/apps/$icon.png" ] ||
      fail "$(basename "$entry"): no $size x $size icon $icon.png in the hicolor theme"
  done
done
for metainfo in "$usr"/share/metainfo/*.metainfo.xml; do
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate $(basename "$metainfo"): $out"
done

# On a virtual display each entry's Exec line, run with the package's
# programs on the PATH, opens the tool's window: the tool menu on the virtual
# drive; on the real drive, with no device named, the chooser of the drive.
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  number=$((200 + $$ % 600))
  while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
  windows=(
    "org.example.quibtools.desktop|Quib! Tools"
    "org.example.quibtools-real-drive.desktop|Quib! Drive"
  )
  for row in "${windows[@]}"; do
    IFS='|' read -r name title <<<"$row"
    exec_line=$(sed -n 's/^Exec=//p' "$usr/share/applications/$name")
    read -ra command <<<"$exec_line"
    (cd "$work" && exec env -u QUIB_DEVICE DISPLAY=":$number" PATH="$usr/bin:$PATH" "${command[@]}" \
       >"$work/exec.log" 2>&1) &
    tool=$!
    found=""
    for _ in $(seq 100); do
      found=$(DISPLAY=":$number" xdotool search --onlyvisible --name "^${title//./\\.}\$" 2>/dev/null)
      [ -n "$found" ] && break
      kill -0 "$tool" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$found" ] || fail "$name: Exec=$exec_line opened no window \"$title\": $(cat "$work/exec.log")"
    kill "$tool" 2>/dev/null
    wait "$tool" 2>/dev/null
  done
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null
else
  echo "NOTE: Xvfb or xdotool is not installed: the entries' Exec lines were not started (scripts/install-packages.sh installs them)"
fi

echo "Package test took $((SECONDS - started)) s"
[ $failures -eq 0 ]
