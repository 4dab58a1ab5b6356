#!/usr/bin/env bash
# Runs one task in a new slot directory under run/.
#   scripts/run.sh                 under the core-client emulator, showing its progress
#   scripts/run.sh --window        the same, with the graphics shown in a window from the start
#   scripts/run.sh --standalone    the program by hand (a window where a display is available)
#   scripts/run.sh --companion     the task in a window and, beside it, the graphics companion
#                                  that the BOINC Manager would start (build/bin/zorvath_fold_graphics)
# Anything after -- goes to the emulator (see build/bin/client_sim --help).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZF_BUILD_DIR:-$root/build}

mode=client
sim_args=()
while (($#)); do
  case "$1" in
    --standalone) mode=standalone ;;
    --window) sim_args+=(--window) ;;
    --) shift; sim_args+=("$@"); break ;;
    --companion) mode=companion; sim_args+=(--window) ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "run.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
  shift
done

"$root/scripts/setup.sh" "$build"

slot="$root/run/$(date +%Y%m%d-%H%M%S)-$$"
mkdir -p "$slot"
poster="$root/assets/QuenlartPoster3.jpg"
[ -f "$poster" ] && cp "$poster" "$slot/QuenlartPoster3.jpg"
echo "run.sh: slot directory $slot"

if [ "$mode" = standalone ]; then
  cd "$slot"
  set +e
  "$build/bin/zorvath_fold"
  status=$?
  set -e
  echo "run.sh: the program ended with status $status; its log is $slot/stderr.txt"
  exit "$status"
fi
if [ "$mode" = companion ]; then
  if [ -z "${DISPLAY:-}" ]; then
    echo "run.sh: --companion needs a display (DISPLAY is not set)" >&2
    exit 2
  fi
  "$build/bin/client_sim" --slot "$slot" --program "$build/bin/zorvath_fold" "${sim_args[@]}" &
  sim=$!
  # The companion reads what the task publishes, so it starts once there is something to read,
  # in the slot and with no arguments, as the Manager starts it; it ends by itself with the task.
  for _ in $(seq 100); do
    [ -e "$slot/graphics_state.txt" ] && break
    kill -0 "$sim" 2>/dev/null || break
    sleep 0.1
  done
  (cd "$slot" && exec "$build/bin/zorvath_fold_graphics") &
  companion=$!
  set +e
  wait "$sim"
  status=$?
  wait "$companion"
  echo "run.sh: the companion ended with status $?"
  exit "$status"
fi
exec "$build/bin/client_sim" --slot "$slot" --program "$build/bin/zorvath_fold" "${sim_args[@]}"
