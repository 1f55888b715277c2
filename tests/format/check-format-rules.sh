#!/usr/bin/env bash
# scripts/format.sh on a scratch checkout: --check lists exactly the files
# clang-format would change (include order is not a change) and fails, formatting makes it pass, and a
# missing clang-format skips the check (exit 77) but fails it under CI=true.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
check() {  # check DESCRIPTION STATUS [DETAIL]
  if [ "$2" -eq 0 ]; then echo "ok: $1"; else echo "FAILED: $1${3:+: $3}"; failures=$((failures + 1)); fi
}

cp "$top/.clang-format" "$scratch/"
mkdir -p "$scratch/src"
# Formatted, with its includes in the order they need: the interpreter's
# header first, <windows.h> before <shellapi.h>. Sorting them is a change.
printf '%s\n' '#include "script/PythonApi.h"' '#include <windows.h>' '#include <shellapi.h>' '#include <string>' '' \
  'int Add(int a, int b) { return a + b; }' > "$scratch/src/good.cpp"
printf 'int  Sub(int a,int b){\nreturn a-b;}\n' > "$scratch/src/bad.cpp"
printf 'int  Untracked(){return 0;}\n' > "$scratch/src/untracked.cpp"
git -C "$scratch" init -q && git -C "$scratch" add .clang-format src/good.cpp src/bad.cpp

output=$(unset CI; "$top/scripts/format.sh" --check --root "$scratch" 2>/dev/null); status=$?
[ "$status" -eq 1 ] && [ "$output" = "src/bad.cpp" ]
check "--check lists the unformatted tracked file only and exits 1" $? "status $status, output '$output'"

"$top/scripts/format.sh" --root "$scratch"; status=$?
[ "$status" -eq 0 ] && [ "$(cat "$scratch/src/bad.cpp")" = "int Sub(int a, int b) { return a - b; }" ] &&
  [ "$(cat "$scratch/src/untracked.cpp")" = "int  Untracked(){return 0;}" ]
check "formatting rewrites the tracked files and leaves untracked ones alone" $? "status $status"

output=$("$top/scripts/format.sh" --check --root "$scratch" 2>&1); status=$?
[ "$status" -eq 0 ]
check "--check passes once formatted" $? "status $status: $output"

output=$(CI=false CLANG_FORMAT=/nonexistent/clang-format "$top/scripts/format.sh" --check --root "$scratch" 2>&1)
status=$?
[ "$status" -eq 77 ]
check "without clang-format the check is skipped (77)" $? "status $status: $output"

output=$(CI=true CLANG_FORMAT=/nonexistent/clang-format "$top/scripts/format.sh" --check --root "$scratch" 2>&1)
status=$?
[ "$status" -eq 1 ]
check "without clang-format under CI=true the check fails (1)" $? "status $status: $output"

[ "$failures" -eq 0 ]
