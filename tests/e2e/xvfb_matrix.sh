#!/usr/bin/env bash
# vornhollow-matrix over real runs' reports: lockstep runs offscreen in 5-6-5 and 5-5-5, windowed
# under Xvfb through Present and through shared-memory images, and a run killed before its end.
# Headless Chromium must show one column per run in its state, red exactly where a run failed, and
# 20 columns readable at 1280x800. With the mirror-up-down fault planted in the 5-6-5 run, exactly
# its fireball rows go red, and --baseline against the clean matrix ends with 3 naming the cell.
# VH_MATRIX_SCREENSHOT=FILE keeps the clean matrix's screenshot. Skipped (exit 77) without Xvfb.
set -uo pipefail
program="$1" planted="$2"
matrix="$(dirname "$program")/vornhollow-matrix" checker="$(dirname "$0")/check_matrix.py"
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb missing"; exit 77; }
source "$(dirname "$0")/../xvfb.sh"
work="$(mktemp -d)"
trap 'vh_kill; vh_side_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
unset SDL_VIDEODRIVER
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"  # see xvfb_window.sh

# lockstep FOLDER EXPECTED_CODE PROGRAM ARGS...: a checked lockstep run with its report (a windowed
# one on an X server of its own).
lockstep() {
  local folder="$1" code="$2" got
  shift 2
  if [[ " $* " == *" --windowed "* ]]; then vh_start_xvfb 1024x768x24 || exit 77; fi
  vh_run 180 "$folder.out" "$folder.out" "$@" --verify --lockstep --unattended --report "$folder"
  got=$?
  [ "$got" -eq "$code" ] || { cat "$folder.out"; fail "$folder: exit code $got, not $code"; }
}
mkdir -p "$work/runs" "$work/planted-runs"
for run in offscreen-565 offscreen-555; do
  vh_side "$work/$run.log" lockstep "$work/runs/$run" 0 "$program" --offscreen --pixel-format "${run#*-}"
done
for path in present xshm; do
  vh_side "$work/$path.log" lockstep "$work/runs/window-$path" 0 "$program" --windowed --present "$path"
done
VH_PLANTED_FAULT=mirror-up-down-ignored vh_side "$work/planted.log" lockstep "$work/planted-runs/offscreen-565" 3 \
  "$planted" --offscreen --pixel-format 565
vh_side_wait || { [ $? -eq 77 ] && echo "SKIP: Xvfb could not start" && exit 77; fail "a checked run"; }
# A run killed once it has begun: its report says it did not end.
vh_start 180 "$work/out" "$work/out" "$program" --offscreen --lockstep --frames 100000000 --report "$work/runs/killed"
began() { grep -q '"finished": false' "$work/runs/killed/report.json" 2>/dev/null; }
vh_wait_for 60 began || { vh_kill; cat "$work/out"; fail "the killed run wrote no report"; }
kill -KILL "$vh_pid"
vh_finish
for run in offscreen-555 window-present window-xshm killed; do cp -r "$work/runs/$run" "$work/planted-runs/"; done

runs=(offscreen-565 offscreen-555 window-present window-xshm killed)
columns='[["offscreen-565","finished"],["offscreen-555","finished"],["window-present","finished"],["window-xshm","finished"],["killed","did-not-end"]]'
# The frames are compared with the windowed Present run's in both matrices.
vh_run 60 "$work/out" "$work/out" "$matrix" --out "$work/clean" --reference "$work/runs/window-present" \
  "${runs[@]/#/$work/runs/}" ||
  { cat "$work/out"; fail "the clean matrix: exit code $?"; }
echo "{\"columns\": $columns, \"failing\": [[\"killed\",\"verdict\"],[\"killed\",\"end.exit-code\"]]}" >"$work/clean.json"
python3 "$checker" page "$work/clean" "$work/clean.json" ${VH_MATRIX_SCREENSHOT:+"$VH_MATRIX_SCREENSHOT"} ||
  fail "the clean matrix in the browser"
grep -q "same 297" "$work/clean/matrix.json" || fail "the windowed runs' frames do not match the offscreen 5-6-5 run's"
grep -q '"refreshMs": [1-9]' "$work/runs/window-present/report.json" || fail "no refresh period measured on the blanks"

# The planted run's matrix against the clean one: its fireball rows, verdict, exit code and first
# parting frame go red, and the regression is named.
vh_run 60 "$work/out" "$work/out" "$matrix" --out "$work/planted" --baseline "$work/clean/matrix.json" \
  --reference "$work/planted-runs/window-present" "${runs[@]/#/$work/planted-runs/}"
code=$?
cat "$work/out"
[ "$code" -eq 3 ] || fail "--baseline with a regression: exit code $code, not 3"
grep -q "regressed: offscreen-565, kind.fireball-up-down: exact -> differs" "$work/out" || fail "the regression is not named"
planted_failing='["offscreen-565","verdict"],["offscreen-565","kind.fireball-up-down"],["offscreen-565","kind.fireball-both-ways"],["offscreen-565","end.exit-code"],["offscreen-565","crc.parting"]'
echo "{\"columns\": $columns, \"failing\": [$planted_failing,[\"killed\",\"verdict\"],[\"killed\",\"end.exit-code\"]]}" >"$work/planted.json"
python3 "$checker" page "$work/planted" "$work/planted.json" || fail "the planted matrix in the browser"
vh_run 60 "$work/out" "$work/out" "$matrix" --out "$work/again" --baseline "$work/clean" \
  --reference "$work/runs/window-present" "${runs[@]/#/$work/runs/}" ||
  { cat "$work/out"; fail "the clean runs against their own matrix: exit code $?"; }

# A bad argument: exit code 2, nothing written.
refused="$work/refused" killed="$work/runs/killed"
for args in "--out $refused" "$killed" "--out $refused --bogus $killed" "--out $refused --baseline $work/none $killed" \
  "--out $refused --reference $work/runs/offscreen-555 $killed"; do
  # shellcheck disable=SC2086
  vh_run 60 "$work/out" "$work/out" "$matrix" $args
  code=$?
  [ "$code" -eq 2 ] && [ ! -e "$refused" ] || { cat "$work/out"; fail "'$args': exit code $code, not 2"; }
done

# 20 columns at 1280x800.
twenty=()
for i in 1 2 3 4; do twenty+=("${runs[@]/#/$work/planted-runs/}"); done
vh_run 60 "$work/out" "$work/out" "$matrix" --out "$work/twenty" "${twenty[@]}" || { cat "$work/out"; fail "20 columns"; }
python3 "$checker" layout "$work/twenty" 20 || fail "20 columns at 1280x800"
echo "xvfb matrix: passed"
