#!/usr/bin/env bash
# Formats the project's C and C++ sources with clang-format and the root's
# .clang-format.
#   scripts/format.sh [--root DIR]           formats every file in place
#   scripts/format.sh --check [--root DIR]   lists the files that are not
#                                            formatted; exit 1 if there is any
# The files are the checkout's tracked *.cpp, *.h, *.c and *.cc; generated
# sources live in the build trees and are not tracked. DIR is the checkout
# (default: the one holding this script). Without clang-format the check is
# skipped (exit 77), and fails under CI=true (exit 1). CLANG_FORMAT names
# the program to use; by default clang-format-14, else clang-format.
set -euo pipefail

check=false
top=$(cd "$(dirname "$0")/.." && pwd)
while [ $# -gt 0 ]; do
  case "$1" in
    --check) check=true ;;
    --root) [ $# -ge 2 ] || { echo "format.sh: --root needs a folder" >&2; exit 2; }; top=$2; shift ;;
    *) echo "usage: $0 [--check] [--root DIR]" >&2; exit 2 ;;
  esac
  shift
done

tool=${CLANG_FORMAT:-}
if [ -z "$tool" ]; then
  for candidate in clang-format-14 clang-format; do
    if command -v "$candidate" >/dev/null; then tool=$candidate; break; fi
  done
fi
if [ -z "$tool" ] || ! command -v "$tool" >/dev/null; then
  if [ "${CI:-}" = true ]; then
    echo "format.sh: clang-format is missing; under CI=true that fails the run (scripts/setup.sh installs it)" >&2
    exit 1
  fi
  echo "format.sh: clang-format is missing; not checked" >&2
  exit 77
fi

files=()
while IFS= read -r -d '' file; do files+=("$file"); done \
  < <(git -C "$top" ls-files -z -- '*.cpp' '*.h' '*.c' '*.cc')
if [ ${#files[@]} -eq 0 ]; then
  echo "format.sh: no tracked C or C++ source in $top" >&2
  exit 1
fi

cd "$top"
if ! $check; then
  "$tool" -i --style=file "${files[@]}"
  exit 0
fi
# One run over every file; each change it would make is one warning
# "FILE:LINE:COLUMN: warning: code should be clang-formatted".
if ! report=$("$tool" --dry-run --style=file "${files[@]}" 2>&1); then
  echo "$report" >&2
  echo "format.sh: $tool failed" >&2
  exit 1
fi
listed=$(printf '%s\n' "$report" |
         sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
[ -z "$listed" ] || echo "$listed"
unformatted=$(printf '%s' "$listed" | grep -c . || true)
if [ "$unformatted" -gt 0 ]; then
  echo "format.sh: $unformatted of ${#files[@]} files are not formatted ($("$tool" --version));" \
       "scripts/format.sh formats them" >&2
  exit 1
fi
echo "format.sh: ${#files[@]} files formatted"
