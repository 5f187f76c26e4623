# Sourced by the scripts that run programs under Xvfb.
# vh_start_xvfb SCREEN [Xvfb options...]: starts an Xvfb of that geometry (e.g. 640x480x16) on a display number the
# server finds free itself, so scripts running side by side never meet; sets DISPLAY and
# vh_xvfb_pid. Returns 1 when no server comes up within 5 s.
vh_start_xvfb() {
  local number_file number=""
  number_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 "$@" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  vh_xvfb_pid=$!
  for _ in $(seq 100); do
    number="$(head -1 "$number_file")"
    [ -n "$number" ] && break
    sleep 0.05
  done
  rm -f "$number_file"
  [ -n "$number" ] || { kill "$vh_xvfb_pid" 2>/dev/null; return 1; }
  export DISPLAY=":$number"
}

vh_stop_xvfb() {
  [ -n "${vh_xvfb_pid:-}" ] || return 0
  kill "$vh_xvfb_pid" 2>/dev/null
  wait "$vh_xvfb_pid" 2>/dev/null
  vh_xvfb_pid=""
}
