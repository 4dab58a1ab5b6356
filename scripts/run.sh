#!/usr/bin/env bash
# Runs one task in a new slot directory under run/.
#   scripts/run.sh                 under the core-client emulator, showing its progress
#   scripts/run.sh --window        the same, with the graphics shown in a window from the start
#   scripts/run.sh --standalone    the program by hand (a window where a display is available)
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
    -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
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
exec "$build/bin/client_sim" --slot "$slot" --program "$build/bin/zorvath_fold" "${sim_args[@]}"
