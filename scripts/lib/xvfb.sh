# Sourced by the scripts that drive virn-demo on an X server of their own: the
# server, the stop of a child, and bounded waits on the program.

# Ends one of our children: politely, then for good; never waits unbounded.
stop_pid() {
  local pid="$1"
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# start_xvfb LIMIT_S DIR [XVFB_OPTION...]: a private Xvfb that ends after
# LIMIT_S seconds even if the caller is killed outright and cannot clean up
# (when the server goes, the program loses its display and ends too). Sets
# xvfb_pid, display and DISPLAY; false when it did not start within 10 s.
start_xvfb() {
  local limit="$1" dir="$2"
  shift 2
  timeout -k 5 "$limit" Xvfb -displayfd 3 "$@" -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || return 1
  display=":$(head -1 "$dir/display")"
  export DISPLAY="$display"
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
# True while the caller's $demo_pid runs (a zombie counts as gone).
alive() { kill -0 "$demo_pid" 2>/dev/null && [ "$(cut -d' ' -f3 "/proc/$demo_pid/stat" 2>/dev/null)" != Z ]; }
# until_ms LIMIT COMMAND...: polls COMMAND every 10 ms; false after LIMIT ms or
# as soon as the program is gone.
until_ms() {
  local limit="$1"
  shift
  local deadline=$(($(now_ms) + limit))
  until "$@"; do
    alive || return 1
    [ "$(now_ms)" -lt "$deadline" ] || return 1
    sleep 0.01
  done
}
