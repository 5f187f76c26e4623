#!/usr/bin/env bash
# The real program, offscreen: a bounded run with trace, screenshot and capture, the summary line,
# and the options that change the display. (Usage errors: the options and run-process tests.)
set -euo pipefail
program="$1"
work="$(mktemp -d)"
source "$(dirname "$0")/../bounded.sh"
trap 'vh_kill; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A bounded run at the virtual display's 60 Hz: long enough for about 50 timer ticks.
vh_run 120 "$work/out" "$work/err" "$program" --offscreen --frames 200 --trace "$work/t.jsonl" \
  --screenshot "$work/s.png" || fail "bounded run exited $?: $(cat "$work/err")"
grep -q "frame rate is bounded" "$work/err" || fail "no word that vsync bounds the frame rate"
python3 - "$work" <<'PY' || fail "the trace or screenshot: $(cat "$work/err")"
import json, struct, sys, zlib
work = sys.argv[1]
lines = [json.loads(l) for l in open(f"{work}/t.jsonl")]
frames = [l for l in lines if l["type"] == "frame"]
ticks = [l for l in lines if l["type"] == "tick"]
assert len(frames) == 200, len(frames)
assert [f["kind"] for f in frames[:3]] == ["tile", "tile", "scene"], [f["kind"] for f in frames[:3]]
assert all(f["kind"] == "scene" for f in frames[2:])
assert [f["n"] for f in frames] == list(range(1, 201))
assert all(f["ok"] for f in frames) and all(f["tiles"] == 100 for f in frames)
assert frames[-1]["gnoll"][0] > 0, "the creature walked"
assert len(ticks) >= 20, len(ticks)
gaps = [b["t_ms"] - a["t_ms"] for a, b in zip(ticks, ticks[1:])]
mean = sum(gaps) / len(gaps)
assert 60 <= mean <= 72, mean
assert any(t["stepped"] for t in ticks)
png = open(f"{work}/s.png", "rb").read()
assert png[:8] == b"\x89PNG\r\n\x1a\n"
width, height = struct.unpack(">II", png[16:24])
assert (width, height) == (640, 480), (width, height)
print(f"trace: {len(frames)} frames, {len(ticks)} ticks, mean tick gap {mean:.2f} ms")
PY
summary="$(cat "$work/out")"
echo "$summary" | grep -Eq '^vornhollow: 200 frames in [0-9.]+ s = [0-9.]+ fps, 100 tiles, 5-6-5, vsync on$' \
  || fail "summary line: $summary"

# Run with stderr closed, its own lines stay out of its trace.
timeout -k 10 120 "$program" --offscreen --no-vsync --frames 3 --trace "$work/c.jsonl" </dev/null >/dev/null 2>&- ||
  fail "closed: exit $?"
python3 -c 'import json, sys; [json.loads(l) for l in open(sys.argv[1])]' "$work/c.jsonl" ||
  fail "closed: not a trace: $(tail -c 1000 "$work/c.jsonl")"

# The display options show in the summary.
vh_run 120 "$work/out" "$work/err" "$program" --offscreen --no-vsync --frames 50 --vram-kb 1600 --pixel-format 555 ||
  fail "exit code $?: $(cat "$work/err")"
out="$(cat "$work/out")"
echo "$out" | grep -Eq ', 24 tiles, 5-5-5, vsync off$' || fail "summary with options: $out $(cat "$work/err")"

# Every presented frame captured, numbered from 1.
vh_run 120 "$work/out" "$work/out" "$program" --offscreen --no-vsync --frames 5 --capture "$work/cap" ||
  fail "exit code $?: $(cat "$work/out")"
[ "$(ls "$work/cap" | tr '\n' ' ')" = "frame-000001.png frame-000002.png frame-000003.png frame-000004.png frame-000005.png " ] \
  || fail "capture: $(ls "$work/cap") $(cat "$work/out")"

# A flip chain that does not fit: the composed message in the fatal-error box (offscreen, a box
# answers itself), exit code 0.
vh_run --box 120 /dev/null "$work/err" "$program" --offscreen --no-vsync --vram-kb 1000 || fail "exit code $?"
err="$(cat "$work/err")"
echo "$err" | grep -q "Out of Video Memory" || fail "no out-of-video-memory message: $err"

echo "offscreen end-to-end: passed"
