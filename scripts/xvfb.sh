# Sourced by scripts: starts private Xvfb servers and stops them on exit.
# start_xvfb VAR: starts a server on a free display number and exports VAR=:N.
zf_xvfb_pids=()

# display_number_taken N: a live server holds the number's lock. The lock of
# a server that was killed outright stays behind, and a new server on that
# number removes it; left counted, such locks used up the numbers run by run.
display_number_taken() {
  local owner
  owner=$(tr -d ' \n' 2>/dev/null <"/tmp/.X$1-lock") || return 1
  [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null
}

start_xvfb() {
  local var=$1 n
  for n in $(seq 90 140); do
    display_number_taken "$n" && continue
    # -noreset: a server that resets whenever its last client leaves refuses
    # connections meanwhile, and tests that connect one after another fail.
    Xvfb ":$n" -noreset -screen 0 1024x768x24 -screen 1 800x600x24 -nolisten tcp +extension GLX \
      >/dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 50); do
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        zf_xvfb_pids+=("$pid")
        export "$var=:$n"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
  done
  echo "xvfb: could not start an X server" >&2
  return 1
}

stop_all_xvfb() {
  local pid
  for pid in "${zf_xvfb_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
