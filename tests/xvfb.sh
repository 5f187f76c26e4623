# Sourced by the scripts that run programs under Xvfb.
#
# vh_start_xvfb SCREEN [Xvfb options...]: starts an Xvfb of that geometry (e.g. 640x480x16) on a
# display number the server finds free itself, so scripts running side by side never meet; sets
# DISPLAY and vh_xvfb_pid. Waits up to 60 s, as long as a loaded machine may need; returns 1 and
# prints what the server said when it does not come up.
vh_start_xvfb() {
  local number_file log number=""
  number_file="$(mktemp)" log="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 "$@" -nolisten tcp 3>"$number_file" >"$log" 2>&1 &
  vh_xvfb_pid=$!
  for _ in $(seq 600); do
    number="$(head -1 "$number_file")"
    [ -n "$number" ] && break
    kill -0 "$vh_xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$number" ]; then
    echo "Xvfb $* did not come up:" >&2
    cat "$log" >&2
    kill "$vh_xvfb_pid" 2>/dev/null
    wait "$vh_xvfb_pid" 2>/dev/null
    rm -f "$number_file" "$log"
    return 1
  fi
  rm -f "$number_file" "$log"
  export DISPLAY=":$number"
}

vh_stop_xvfb() {
  [ -n "${vh_xvfb_pid:-}" ] || return 0
  kill "$vh_xvfb_pid" 2>/dev/null
  wait "$vh_xvfb_pid" 2>/dev/null
  vh_xvfb_pid=""
}

# vh_wait_for SECONDS COMMAND...: runs the command every 0.1 s until it succeeds; fails when it
# has not within that many seconds.
vh_wait_for() {
  local seconds="$1"
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
