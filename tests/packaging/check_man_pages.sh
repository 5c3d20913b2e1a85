#!/usr/bin/env bash
# Each man page renders through man without a warning, and documents every long option its
# program's --help lists.
# Usage: check_man_pages.sh PAGE PROGRAM [PAGE PROGRAM ...]
set -uo pipefail
failed=0
while [ $# -ge 2 ]; do
  page=$1 program=$2
  shift 2
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "FAIL: $page renders with warnings:"; echo "$warnings"; failed=1
  fi
  text=$(MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null)
  [ -n "$text" ] || { echo "FAIL: $page renders to nothing"; failed=1; }
  help=$("$program" --help 2>&1)
  # vze's options live in its subcommands' help.
  for command in $(sed -n 's/^  \([a-z]\+\) .*/\1/p' <<<"$help"); do help+=$'\n'$("$program" "$command" --help 2>&1); done
  for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -q -- "$option" <<<"$text" || { echo "FAIL: $page does not document $option of $(basename "$program")"; failed=1; }
  done
  echo "checked $page against $(basename "$program") --help"
done
exit $failed
