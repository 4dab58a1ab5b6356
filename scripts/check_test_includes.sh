#!/usr/bin/env bash
# Fails when a test, benchmark or tool includes what the code map
# (docs/architecture.md, "Win32 ideas on X11") keeps from it: the platform
# layer's private platform/x11_state.h (they use platform/x11_native.h), or,
# in a test's header, Xlib or GLX (whose macros break GoogleTest's headers).
# Usage: scripts/check_test_includes.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files -- 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
    'tools/*.cpp' 'tools/*.h')
  mapfile -t test_headers < <(git ls-files -- 'tests/*.h')
else
  mapfile -t sources < <(find tests bench tools -type f \( -name '*.cpp' -o -name '*.h' \))
  mapfile -t test_headers < <(find tests -type f -name '*.h')
fi
failed=0
if grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]platform/x11_state\.h[>"]' \
  "${sources[@]}"; then
  echo "includes: the lines above include platform/x11_state.h; use platform/x11_native.h" >&2
  failed=1
fi
if grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(X11/|GL/glx)' "${test_headers[@]}"; then
  echo "includes: the test headers above include Xlib or GLX; keep it in the .cpp, last" >&2
  failed=1
fi
[ "$failed" = 0 ] || exit 1
echo "includes: ${#sources[@]} test, benchmark and tool files keep to the code map"
