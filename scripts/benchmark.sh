#!/usr/bin/env bash
# The whole program against mkfs.fat: quibtools, headless (--script), doing
# a Simple Format from the main menu on the virtual drive, and mkfs.fat
# making the same FAT16 file system on a file of the disk's size, run
# alternately; prints the medians and their ratio. Then start, menu and
# exit against /bin/true, the peak memory of both (with /usr/bin/time) and
# the system calls of one WRITE(10) request (with strace). With the
# least_work program (tests/benchmark), also the least work any Simple
# Format through the tool's parts takes, timed beside both. Works in a host
# folder of its own under /tmp, removed at the end. docs/performance.md
# gives the figures.
#
#   scripts/benchmark.sh [--runs N] [--bin FOLDER] [--least-work PROGRAM] [--most-calls N]
#
# FOLDER holds quibtools and its driver library (build/bin); PROGRAM is
# least_work (build/tests/benchmark/least_work by default, left out when
# it is not built). Exit status 1 when a run fails, or when a WRITE(10)
# takes more than N system calls.
set -euo pipefail
export LC_ALL=C # a decimal point in $EPOCHREALTIME

runs=30
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
least_work="$root/build/tests/benchmark/least_work"
most_calls=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --bin) bin="$2"; shift 2 ;;
    --least-work) least_work="$2"; shift 2 ;;
    --most-calls) most_calls="$2"; shift 2 ;;
    *) echo "usage: scripts/benchmark.sh [--runs N] [--bin FOLDER] [--least-work PROGRAM] [--most-calls N]" >&2; exit 2 ;;
  esac
done
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "benchmark: --runs needs a number from 1 on" >&2; exit 2; }

mkfs=""
for candidate in /usr/sbin/mkfs.fat /sbin/mkfs.fat /usr/bin/mkfs.fat; do
  [ -x "$candidate" ] && { mkfs="$candidate"; break; }
done
[ -n "$mkfs" ] || { echo "benchmark: mkfs.fat (dosfstools) is not installed" >&2; exit 1; }
[ -x "$bin/quibtools" ] || { echo "benchmark: no $bin/quibtools; build it first" >&2; exit 1; }

work="$(mktemp -d /tmp/quib-benchmark.XXXXXX)"
trap 'rm -rf "$work"' EXIT
export QUIB_HOME="$work/home" QUIB_LANGID=1033
mkdir -m 700 "$QUIB_HOME"

# The Simple Format as a person gives it: Format, a label, OK, Yes, Start,
# Close, Close.
format_script="$work/simple-format.txt"
printf 'click 1023\ntype 1039 BENCH\nclick 1\nanswer yes\nclick 1\nclick 2\nclick 2\n' > "$format_script"
exit_script="$work/exit.txt"
printf 'click 2\n' > "$exit_script"
image="$work/mkfs.img"
image_bytes=40370176 # the disk: 78848 sectors of 512 bytes
mkfs_options=(-a -F 16 -s 4 -S 512 -r 512 -h 32 --offset=32)

# The tool ends with the main menu's answer (1 for Close), so the transcript
# tells whether the run went through.
run_format() { "$bin/quibtools" --script "$format_script" > "$work/transcript" || :; }
run_exit() { "$bin/quibtools" --script "$exit_script" > /dev/null || :; }
run_mkfs() { "$mkfs" "${mkfs_options[@]}" "$image" > /dev/null; }
# Opens the registry store the tool made, loads the driver library, writes
# 219 sectors of the mkfs.fat file (nothing else reads it afterwards).
run_least() { "$least_work" "$QUIB_HOME" "$bin/ZOVEVIV.DLL" "$image"; }
[ -x "$least_work" ] || least_work=""
fresh_image() { rm -f "$image"; truncate -s "$image_bytes" "$image"; }

# Milliseconds of processor time (user and system) of the children so far,
# from the second line of bash's `times` output in file.
children_cpu_ms() {
  sed -n 2p "$1" | awk '{ n = 0
    for (i = 1; i <= 2; i++) { split($i, p, "m"); sub("s", "", p[2]); n += p[1] * 60000 + p[2] * 1000 }
    printf "%.3f", n }'
}

# Runs the command once and adds its wall time to NAME.ms and its
# processor time to NAME.cpu, in milliseconds. Both are read by bash
# itself ($EPOCHREALTIME, `times` in this shell), so no other process is
# timed with it.
measure() {
  local name=$1; shift
  times > "$work/times.before"
  local start=$EPOCHREALTIME
  "$@"
  local end=$EPOCHREALTIME
  times > "$work/times.after"
  awk -v us="$(( ${end/./} - ${start/./} ))" 'BEGIN { printf "%.3f\n", us / 1000 }' >> "$work/$name.ms"
  awk -v a="$(children_cpu_ms "$work/times.before")" -v b="$(children_cpu_ms "$work/times.after")" \
    'BEGIN { printf "%.3f\n", b - a }' >> "$work/$name.cpu"
}

median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.2f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The first run sets the virtual drive up (state file, blank disk): not timed.
run_format
grep -q '"Format Completed."' "$work/transcript" || { echo "benchmark: the Simple Format did not complete" >&2; cat "$work/transcript" >&2; exit 1; }

for ((i = 0; i < runs; i++)); do
  measure format run_format
  grep -q '"Format Completed."' "$work/transcript" || { echo "benchmark: a Simple Format failed" >&2; exit 1; }
  fresh_image
  measure mkfs run_mkfs
  if [ -n "$least_work" ]; then
    measure least run_least
  fi
  measure exit run_exit
  measure true /bin/true
done

# One line: the medians of wall and processor time of two commands, and
# the ratio of each.
compare() {
  local a=$1 b=$2 what_a=$3 what_b=$4
  local wa wb ca cb
  wa=$(median < "$work/$a.ms"); wb=$(median < "$work/$b.ms")
  ca=$(median < "$work/$a.cpu"); cb=$(median < "$work/$b.cpu")
  echo "$what_a: median $wa ms (processor $ca ms)"
  echo "$what_b: median $wb ms (processor $cb ms)"
  awk -v wa="$wa" -v wb="$wb" -v ca="$ca" -v cb="$cb" \
    'BEGIN { printf "ratio (medians): %.2f wall, %.2f processor\n", wa / wb, (cb > 0 ? ca / cb : 0) }'
}

echo "runs: $runs each, alternated"
compare format mkfs "quibtools --script, Simple Format, start to exit" \
  "mkfs.fat ${mkfs_options[*]} on a $image_bytes-byte file"
compare exit true "quibtools --script, start, menu, Close" "/bin/true"
if [ -n "$least_work" ]; then
  compare least mkfs "least work (SQLite, the registry store, the driver library, 219 sector writes)" "mkfs.fat"
else
  echo "least work: not measured (build the least_work target)"
fi

if [ -x /usr/bin/time ]; then
  rss() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 || :; }
  # Where the loader places the libraries moves the figure from run to
  # run, so each is measured in every round: least, median and most.
  for ((i = 0; i < runs; i++)); do
    rss "$bin/quibtools" --script "$format_script" >> "$work/format.rss"
    rss "$bin/quibtools" --script "$exit_script" >> "$work/exit.rss"
  done
  spread() { sort -n "$1" | awk '{ v[NR] = $1 } END { printf "%d to %d (median %d)", v[1], v[NR], v[int((NR + 1) / 2)] }'; }
  fresh_image
  echo "peak RSS over $runs runs, KiB: quibtools Simple Format $(spread "$work/format.rss")," \
       "start to exit $(spread "$work/exit.rss"); mkfs.fat $(rss "$mkfs" "${mkfs_options[@]}" "$image")"
else
  echo "peak RSS: not measured (/usr/bin/time, Debian package time, is not installed)"
fi

# The system calls of one WRITE(10): those between two of the format's
# successive writes to the image, the median over the run.
# A machine that forbids tracing (ptrace refused in a container) gets no
# count rather than a wrong one; a traced run that fails is a failure. The
# tool's own status is that of its Close, so it is not looked at.
traced() { strace -f -o "$work/trace" "$bin/quibtools" --script "$format_script" > "$work/transcript" 2> "$work/strace-errors" || :; }
if command -v strace > /dev/null && traced && grep -qs 'execve(.* = 0$' "$work/trace"; then
  grep -q '"Format Completed."' "$work/transcript" || { echo "benchmark: the traced Simple Format did not complete" >&2; exit 1; }
  writes=$(grep -c 'pwrite64(' "$work/trace" || true)
  total=$(grep -vc -e '+++ exited' -e '--- SIG' -e 'resumed>' "$work/trace" || true)
  per_write=$(awk '/pwrite64\(/ { if (last) print NR - last; last = NR }' "$work/trace" | median)
  echo "system calls: $total in the Simple Format run, $writes WRITE(10) requests, $per_write per WRITE(10) (median)"
  if [ -n "$most_calls" ] && awk -v n="$per_write" -v most="$most_calls" 'BEGIN { exit !(n > most) }'; then
    echo "benchmark: a WRITE(10) takes $per_write system calls, more than $most_calls" >&2
    exit 1
  fi
elif command -v strace > /dev/null; then
  echo "system calls: not counted (strace cannot trace here: $(head -1 "$work/strace-errors"))"
else
  echo "system calls: not counted (strace is not installed)"
fi
