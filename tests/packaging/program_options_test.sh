#!/usr/bin/env bash
# Every program answers --help and --version with status 0 on standard
# output, and an unknown option with status 2 and a message on standard error.
# Usage: program_options_test.sh BIN_DIR
set -u
bin=$1
export QUIB_HOME=$(mktemp -d)/home
trap 'rm -rf "$(dirname "$QUIB_HOME")"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# program  version line
programs=(
  "quibtools   quibtools 1.0.0"
  "quibdrive   quibdrive 1.0.0"
  "quibreg     quibreg 1.0.0"
  "PegHelp.exe PegHelp.exe 1.0.0"
  "quibusb     quibusb 1.0.0"
)
for row in "${programs[@]}"; do
  read -r program version <<<"$row"
  out=$("$bin/$program" --help 2>/dev/null); status=$?
  [ $status -eq 0 ] || fail "$program --help: status $status"
  [[ $out == *"Usage: $program"* ]] || fail "$program --help: no usage on standard output"
  out=$("$bin/$program" --version 2>/dev/null); status=$?
  [ $status -eq 0 ] || fail "$program --version: status $status"
  [ "$out" = "$version" ] || fail "$program --version: '$out', not '$version'"
  err=$("$bin/$program" --no-such-option 2>&1 >/dev/null); status=$?
  [ $status -eq 2 ] || fail "$program --no-such-option: status $status, not 2"
  [[ $err == *"--no-such-option"* ]] || fail "$program --no-such-option: standard error does not name it: '$err'"
  err=$("$bin/$program" 2>&1 >/dev/null </dev/null); status=$?
  [ "$program" = quibtools ] || [ $status -eq 2 ] || fail "$program without arguments: status $status, not 2"
done

# An option is taken only as its whole word and only where the program reads
# options: a shortened one, one with its argument glued on, letters run
# together, "--", another sub-command's option, or a word after the command
# is refused (or left to the command) with the program's own message, and
# standard output stays empty. The first wrong word is the one told.
# expected status|standard error holds|command
refused_options=(
  "2|quibtools: unknown option '--vers'|quibtools --vers"
  "2|quibtools: unknown option '--script=walk.txt'|quibtools --script=walk.txt"
  "2|quibtools: --script needs a file name (- for standard input)|quibtools --desktop --script"
  "2|quibtools: unknown option '--scr'|quibtools --scr"
  "2|quibtools: unknown option '--'|quibtools -- --help"
  "2|quibtools: unknown option '--bogus'|quibtools --protect --bogus --help"
  "2|quibtools: unknown option 'walk'|quibtools walk --help"
  "2|quibtools status: unknown option '--js'|quibtools status --js"
  "2|quibtools status: unknown option '--yes'|quibtools status --yes"
  "2|quibtools format: unknown option '--label=X'|quibtools format --label=X --yes"
  "2|quibtools format: unknown option '-yh'|quibtools format -yh"
  "2|quibtools folder: unexpected word '3'|quibtools folder linked 3 --help"
  "2|quibtools protect: unknown option '--'|quibtools protect -- write"
  "2|quibdrive: unknown option '--vers'|quibdrive --vers"
  "2|quibdrive: unknown option '-hx'|quibdrive -hx"
  "2|quibdrive: status takes no argument|quibdrive status --help"
  "2|quibreg: unknown command '--vers'|quibreg --vers"
  "2|quibreg: 'where' takes no arguments|quibreg where --help"
  "2|quibusb: unknown option '--vers'|quibusb --vers"
  "2|quibusb: unknown option '--help'|quibusb --help list"
  "2|Usage: quibusb list|quibusb allow --rem"
  "2|PegHelp.exe: unknown option '--pri'|PegHelp.exe --pri QuibUSB.htc"
)
for row in "${refused_options[@]}"; do
  IFS='|' read -r expected message command <<<"$row"
  read -ra words <<<"$command"
  out=$("$bin/${words[0]}" "${words[@]:1}" 2>"$QUIB_HOME.err" </dev/null); status=$?
  err=$(cat "$QUIB_HOME.err")
  [ $status -eq "$expected" ] || fail "$command: status $status, not $expected"
  [[ $err == *"$message"* ]] || fail "$command: '$err' does not say '$message'"
  [ -z "$out" ] || fail "$command: wrote '$out' to standard output"
done
rm -f "$QUIB_HOME.err"

# A read-only query on a host folder that is not there leaves none behind.
export QUIB_HOME=$(dirname "$QUIB_HOME")/not-made
out=$("$bin/quibdrive" status); status=$?
[ $status -eq 0 ] || fail "quibdrive status without a host folder: status $status"
[[ $out == "No virtual drive yet in $QUIB_HOME"* ]] || fail "quibdrive status without a host folder: '$out'"
"$bin/quibdrive" disks >/dev/null || fail "quibdrive disks without a host folder failed"
"$bin/quibreg" where >/dev/null || fail "quibreg where without a host folder failed"
"$bin/quibreg" list 'HKLM\Drivers' 2>/dev/null && fail "quibreg list without a registry succeeded"
"$bin/quibreg" export 'HKLM\Drivers' 2>/dev/null && fail "quibreg export without a registry succeeded"
[ -e "$QUIB_HOME" ] && fail "a read-only query made the host folder $QUIB_HOME"

# A refused host folder is named with the reason.
export QUIB_HOME=$(dirname "$QUIB_HOME")/open
mkdir -m 0777 "$QUIB_HOME" && chmod 0777 "$QUIB_HOME"
err=$("$bin/quibdrive" plug 2>&1 >/dev/null); status=$?
[ $status -eq 1 ] || fail "quibdrive plug on a folder others may write: status $status"
[[ $err == *"$QUIB_HOME"*"mode 0777"* ]] || fail "quibdrive does not name the folder and the reason: '$err'"

# Errors from the system name the file and the reason.
export QUIB_HOME=$(dirname "$QUIB_HOME")/errors
"$bin/quibreg" set 'HKLM\Drivers' Kept number 1 >/dev/null || fail "quibreg set failed"
# command  expected status  expected message
system_errors=(
  "2|cannot read the script '/nonexistent/walk.txt': No such file or directory|quibtools --script /nonexistent/walk.txt"
  "1|cannot write /dev/full: No space left on device|quibreg export HKLM\Drivers /dev/full"
  "1|cannot write /nonexistent/out.reg: No such file or directory|quibreg export HKLM\Drivers /nonexistent/out.reg"
)
for row in "${system_errors[@]}"; do
  IFS='|' read -r expected message command <<<"$row"
  read -ra words <<<"$command"
  err=$("$bin/${words[0]}" "${words[@]:1}" 2>&1 >/dev/null </dev/null); status=$?
  [ $status -eq "$expected" ] || fail "$command: status $status, not $expected"
  [[ $err == *"$message"* ]] || fail "$command: '$err' does not say '$message'"
done

[ $failures -eq 0 ] && echo "All program option checks passed."
[ $failures -eq 0 ]
