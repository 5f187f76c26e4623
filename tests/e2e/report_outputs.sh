#!/usr/bin/env bash
# --report, --expect and the verdict's exit codes, offscreen: a clean lockstep cycle, a difference
# (the program built with its up-down mirror broken), the differences listed in --expect, a report
# that cannot be written (refused at the start: exit 2; lost at the end: exit 1, nothing left
# under the final or a temporary name), and the report's pacing against the trace's present times.
# The read-only folder and the full disk need a mount as root (chmod binds only other users): a
# row that cannot be set up is skipped, and the script ends with 77 after the others passed.
set -uo pipefail
program="$1"
faulty="$2"
export VH_PLANTED_FAULT=mirror-up-down-ignored  # read by the planted program only
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
source "$here/../bounded.sh"
trap 'vh_kill; umount "$work/m" 2>/dev/null; chmod -R u+w "$work"; rm -rf "$work"' EXIT
out="$work/out" err="$work/err" r="$work/r"
fail() { echo "FAIL: $*"; echo "--- stdout:"; cat "$out"; echo "--- stderr:"; cat "$err"; exit 1; }
# run CODE PROGRAM ARGS...: one bounded offscreen run, which must end with CODE.
run() {
  local code="$1" got
  shift
  vh_run 120 "$out" "$err" "$1" --offscreen "${@:2}"
  got=$?
  [ "$got" -eq "$code" ] || fail "${*:2}: exit code $got, not $code"
}
report() { python3 "$here/check_report.py" "$r" "$@" && python3 "$here/check_outputs.py" "$r"; }

run 0 "$program" --verify --lockstep --report "$r"
counts="$(report 0 --stdout "$out" --frames 297)" || fail "clean cycle: the report"
skipped=""
[[ "$counts" == *" failures=0 errors=0 "* ]] || fail "clean cycle: $counts"
echo "clean cycle: exit 0, $counts"

rm -rf "$r"
run 3 "$faulty" --no-vsync --verify --lockstep --report "$r"
counts="$(report 3 --stdout "$out")" || fail "planted fault: the report"
grep -q '<failure message="differed in [0-9]* of [0-9]* compared frames; first: frame' "$r/report.xml" ||
  fail "planted fault: no failure in report.xml"
[ "$(grep -oE 'src="verify-frame-[0-9]+-(crop|got|expected)\.png"' "$r/report.html" | sort -u | wc -l)" -eq 3 ] ||
  fail "planted fault: the page does not show the crop, got and expected images"
echo "planted fault: exit 3, $counts"
# The page as a browser shows it: nothing loaded from elsewhere, the verdict, table, pixel and plot.
python3 "$here/../report/browser_check.py" "$r" >"$work/browser" 2>&1
case $? in
  0) echo "planted fault: $(tail -1 "$work/browser")" ;;
  77) skipped+=" browser" ;;
  *) cat "$work/browser"; fail "planted fault: the page in a browser" ;;
esac

# exit code | the --expect file | what the run says (stdout or stderr)
expect_rows=(
  "0|# our up-down mirror is broken\nfireball-up-down\nfireball-both-ways|verified: as expected: "
  "3|fireball-up-down\nfireball-both-ways\nerase|unexpectedly exact: erase"
  "2|erase\n\nfireball-sideways|--expect: $work/expect:3: 'fireball-sideways' is not a kind of draw step"
)
for row in "${expect_rows[@]}"; do
  IFS='|' read -r code lines says <<<"$row"
  rm -rf "$r" && printf "$lines\n" >"$work/expect"
  run "$code" "$faulty" --no-vsync --verify --lockstep --expect "$work/expect" --report "$r"
  grep -qF -- "$says" "$out" "$err" || fail "--expect $code: no '$says'"
  echo "--expect: exit $code, $says"
  [ "$code" -ne 2 ] || continue
  counts="$(report "$code" --stdout "$out")" || fail "--expect $code: the report"
  if [ "$code" -eq 0 ]; then
    [[ "$counts" == *" failures=0 errors=0 "* ]] || fail "--expect 0: $counts"
    [ "$(grep -c '<system-out>expected difference (listed in --expect)' "$r/report.xml")" -eq 2 ] ||
      fail "--expect 0: the two kinds are not reported as expected"
  else
    grep -q '<failure message="listed in --expect as differing, but exact in ' "$r/report.xml" ||
      fail "--expect 3: erase is not a failure in report.xml"
  fi
done

# A folder that cannot be written from the start.
rm -rf "$r" && mkdir -p "$r"
if [ "$(id -u)" -ne 0 ]; then chmod a-w "$r"; else mount -t tmpfs -o ro,size=64k tmpfs "$r" 2>/dev/null; fi
if touch "$r/probe" 2>/dev/null; then
  skipped+=" read-only"
else
  run 2 "$program" --frames 10 --report "$r"
  grep -qE "^vornhollow: --report '$r' cannot be written: (Permission denied|Read-only file system)$" "$err" ||
    fail "read-only: no clear message"
  [ -z "$(ls -A "$r")" ] || fail "read-only: files were written: $(ls -A "$r")"
  echo "read-only folder: exit 2, $(cat "$err")"
fi
umount "$r" 2>/dev/null

# Folders that take the files only in part: a file size limit (EFBIG) and a full tmpfs (ENOSPC).
for limit in size full; do
  rm -rf "$r" && mkdir -p "$work/m"
  dir="$work/m/r"
  if [ "$limit" = full ]; then
    mount -t tmpfs -o size=256k tmpfs "$work/m" 2>/dev/null || { skipped+=" full"; continue; }
    mkdir "$dir" && dd if=/dev/zero of="$work/m/fill" bs=4k 2>/dev/null
  fi
  (
    [ "$limit" = full ] || ulimit -f 8
    trap '' XFSZ # past the limit a write fails with EFBIG instead of killing the process
    run 1 "$program" --no-vsync --frames 200 --report "$dir"
  ) || exit 1
  grep -qE "^vornhollow: --report: cannot write $dir/report.json \(as $dir/report.json.partial\): (File too large|No space left on device)$" "$err" ||
    fail "$limit: no clear message"
  grep -q ', an output was lost$' "$out" || fail "$limit: the summary does not say an output was lost"
  [ -z "$(ls -A "$dir")" ] || fail "$limit: files were left: $(ls -A "$dir")"
  echo "$limit: exit 1, $(grep -- --report "$err")"
  umount "$work/m" 2>/dev/null
  rm -rf "$work/m"
done

rm -rf "$r"
run 0 "$program" --no-vsync --frames 200 --trace "$work/t.jsonl" --report "$r"
counts="$(report 0 --trace "$work/t.jsonl" --frames 200)" || fail "pacing: the report against the trace"
echo "pacing: 199 intervals as in the trace, $counts"

[ -z "$skipped" ] || { echo "SKIP:$skipped (cannot be set up here); every other case passed"; exit 77; }
echo "report outputs end-to-end: passed"
