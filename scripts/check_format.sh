#!/usr/bin/env bash
# Fails when a C++ source differs from what clang-format makes of it with the
# repository's .clang-format; lists the differences. Usage: scripts/check_format.sh
# (fix with: clang-format -i FILE)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
else
  mapfile -t sources < <(find . -path './build*' -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print)
fi
clang-format --dry-run -Werror "${sources[@]}"
echo "format: ${#sources[@]} files as .clang-format has them"
