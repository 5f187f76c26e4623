#!/usr/bin/env bash
# A start that fails under X (--vram-kb 1000 cannot hold the flip chain), with --report. With
# --unattended no box comes up (bounded.sh ends a run at once when one does), the box's caption
# and text go to stderr, the report's run test case is an error with that text and the exit code
# is 1. Without it the box comes up; a signal closes it as OK would, and the run ends with 0.
set -uo pipefail
program="$1"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
source "$here/../xvfb.sh"
trap 'vh_kill; vh_stop_xvfb; rm -rf "$work"' EXIT
out="$work/out" err="$work/err" r="$work/r"
fail() { echo "FAIL: $*"; echo "--- stdout:"; cat "$out"; echo "--- stderr:"; cat "$err"; exit 1; }
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" # X and GL libraries keep allocations at exit
unset SDL_VIDEODRIVER
export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0 # no GL (see stop_signals.sh)
command -v Xvfb >/dev/null || { echo "SKIP: no Xvfb"; exit 77; }
vh_start_xvfb 640x480x24 || exit 1

vh_run 120 "$out" "$err" "$program" --vram-kb 1000 --unattended --windowed --report "$r"
code=$?
[ "$code" -eq 1 ] || fail "--unattended: exit code $code, not 1"
grep -qx 'vornhollow: Fatal Error: Error!' "$err" || fail "--unattended: the box's caption and text are not on stderr"
counts="$(python3 "$here/check_report.py" "$r" 1 --stderr "$err")" || fail "--unattended: the report"
[[ "$counts" == *" errors=1 "* ]] || fail "--unattended: $counts"
echo "--unattended: exit 1, no box, $counts"

rm -rf "$r"
vh_start --box 120 "$out" "$err" "$program" --vram-kb 1000 --windowed --report "$r"
# SDL shows its box from a child process: the box is up once that child exists.
box_up() { pgrep -P "$vh_pid" >/dev/null && grep -qx 'Fatal Error: Error!' "$err"; }
vh_wait_for 60 box_up || fail "no box within 60 s"
kill -TERM "$vh_pid"
vh_finish
code=$?
[ "$code" -eq 0 ] || fail "the box: exit code $code, not 0"
counts="$(python3 "$here/check_report.py" "$r" 0 --stderr "$err")" || fail "the box: the report"
echo "the box came up and was closed: exit 0, $counts"
echo "unattended start end-to-end: passed"
