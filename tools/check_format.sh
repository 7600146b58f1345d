#!/usr/bin/env bash
# Checks the tracked C++ sources against .clang-format with Debian's
# clang-format: prints each file that differs and exits 1 when any does.
# With --fix it rewrites those files in place instead.
# Generated files (the pinyin table, written by tools/gen_pinyin.py) keep
# their generator's layout and are not checked.
set -euo pipefail
cd "$(dirname "$0")/.."

fix=false
[ "${1:-}" = "--fix" ] && fix=true

if ! command -v clang-format >/dev/null; then
  echo "check_format.sh: clang-format is missing; install the packages in tools/packages.txt (bash tools/setup.sh --deps-only)." >&2
  exit 2
fi

generated='^src/services/core/pinyin_table\.cpp$'
differing=0
while IFS= read -r file; do
  if $fix; then
    clang-format -i --style=file "$file"
  elif ! clang-format --style=file "$file" | cmp -s - "$file"; then
    echo "$file"
    differing=$((differing + 1))
  fi
done < <(git ls-files -- '*.cpp' '*.h' | grep -Ev "$generated")

if [ "$differing" -gt 0 ]; then
  echo "check_format.sh: $differing file(s) differ from .clang-format; run: bash tools/check_format.sh --fix" >&2
  exit 1
fi
