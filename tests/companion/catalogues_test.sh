#!/usr/bin/env bash
# Each catalogue of the companion's words: it compiles under msgfmt --check
# (every c-format placeholder as in the English), translates every message of
# the template with nothing fuzzy or left out, and holds no message the
# template no longer has. Usage: catalogues_test.sh PO_DIR LANGUAGE...
set -uo pipefail
po_dir=$1
shift
template=$po_dir/zorvath_fold_graphics.pot
messages=$(grep -c '^msgid ' "$template")
messages=$((messages - 1))
passed=0
failed=0
for language in "$@"; do
  po=$po_dir/$language.po
  statistics=$(msgfmt --check --statistics -o /dev/null "$po" 2>&1)
  if [ "$statistics" = "$messages translated messages." ] &&
    msgcmp "$po" "$template" 2>/dev/null && ! grep -q '^#~' "$po"; then
    passed=$((passed + 1))
  else
    echo "$language: $statistics (the template has $messages messages)"
    failed=$((failed + 1))
  fi
done
echo "catalogues: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
