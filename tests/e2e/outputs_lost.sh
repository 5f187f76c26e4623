#!/usr/bin/env bash
# Outputs that cannot be written, offscreen: refused before the first frame (exit 2), or lost during
# the run - one message, the run ends at once in order with its summary, exit 1. What was written
# stays valid. Write failures come from /dev/full, a file size limit (ulimit -f, EFBIG after a
# partial write) and, where this may mount, a full 2 MiB tmpfs (skipped with exit 77 otherwise).
set -uo pipefail
program="$1"
check="$(dirname "$0")/check_outputs.py"
work="$(mktemp -d)"
source "$(dirname "$0")/../bounded.sh"
trap 'umount "$work/small" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
out="$work/out" err="$work/err" files="$work/files"

# size limit in KiB (- none) | exit code | the one message (regex) | arguments
cases=(
  "-|2|--screenshot '$files/no/s.png' cannot be written: No such file or directory|--screenshot $files/no/s.png"
  "-|2|--screenshot '/dev/full' cannot be written: not a regular file|--screenshot /dev/full"
  "-|2|--capture '/dev/null' cannot be written: Not a directory|--capture /dev/null"
  "-|2|--trace '$files' cannot be written: Is a directory|--trace $files"
  "-|1|cannot write the trace file /dev/full: No space left on device; ending the run|--trace /dev/full"
  "4|1|cannot write the trace file $files/t.jsonl: File too large; ending the run|--trace $files/t.jsonl"
  "100|1|cannot capture frame [0-9]+ into $files/c/frame-0+[0-9]+.png: File too large; ending the run|--capture $files/c"
  "100|1|cannot write the screenshot $files/s.png: File too large$|--screenshot $files/s.png"
  "tmpfs|1|cannot capture frame [0-9]+ into $files/small/c/.*: No space left on device; ending the run|--capture $files/small/c"
)
skipped=""
for row in "${cases[@]}"; do
  IFS='|' read -r limit code message args <<<"$row"
  rm -rf "$files" && mkdir -p "$files"
  if [ "$limit" = tmpfs ]; then
    mkdir "$files/small"
    mount -t tmpfs -o size=2m tmpfs "$files/small" 2>/dev/null || { skipped="tmpfs"; continue; }
  fi
  # shellcheck disable=SC2086
  (
    [[ "$limit" =~ ^[0-9]+$ ]] && ulimit -f "$limit"
    trap '' XFSZ # a write past the limit fails with EFBIG instead of killing the process
    vh_run 120 "$out" "$err" "$program" --offscreen --no-vsync --frames 500 $args
  )
  got=$?
  [ "$got" -eq "$code" ] || fail "$args: exit code $got, not $code: $(cat "$err")"
  [ "$(grep -cE -- "^vornhollow: $message" "$err")" -eq 1 ] || fail "$args: not once '$message' in: $(cat "$err")"
  # With --trace the timer's priority note comes too.
  [ "$(grep -vc '^vornhollow: the timer thread runs at ' "$err")" -eq 1 ] || fail "$args: more than one message: $(cat "$err")"
  if [ "$code" -eq 2 ]; then
    [ ! -s "$out" ] || fail "$args: the run started: $(cat "$out")"
  else
    # The summary says so; a failure during the run ends it long before its 500 frames.
    grep -Eq "^vornhollow: [0-9]+ frames .*, an output was lost$" "$out" || fail "$args: summary: $(cat "$out")"
    [[ "$args" == --screenshot* ]] || ! grep -q "^vornhollow: 500 frames" "$out" || fail "$args: ran on: $(cat "$out")"
  fi
  python3 "$check" "$files" || fail "$args: what was written is not valid"
  [ "$limit" = tmpfs ] && umount "$files/small"
done
[ -z "$skipped" ] || { echo "SKIP: cannot mount a tmpfs here; every other case passed"; exit 77; }
echo "outputs lost end-to-end: passed"
