#!/usr/bin/env bash
# Formats the C++ sources with clang-format-14 and the tree's .clang-format.
#   scripts/format.sh           rewrites the files that need it
#   scripts/format.sh --check   changes nothing; fails, naming the places,
#                               when a file is not formatted (CI runs this)
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  clang-format-14 --dry-run --Werror "${files[@]}"
else
  clang-format-14 -i "${files[@]}"
fi
