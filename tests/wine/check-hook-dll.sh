#!/usr/bin/env bash
# Checks a built hook library: it exports the named functions and nothing
# else, and its shared variables sit in a section "SHARED" of SIZE bytes
# that is data, shared between processes.
#   check-hook-dll.sh OBJDUMP DLL SIZE [EXPORT...]
# The exports default to those of QuillmereHook.dll, RegisterHook and
# UnregisterHook (four variables: 16 bytes in a 32-bit build, 32 in a
# 64-bit one); QuillmereHook32.dll exports RegisterCompanionHook and
# UnregisterCompanionHook.
set -uo pipefail
objdump=$1 dll=$2 expected=${3:-16}
shift 3 2>/dev/null || shift $#
[ $# -gt 0 ] || set -- RegisterHook UnregisterHook
wanted=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
name=$(basename "$dll")
fail=0

[ -f "$dll" ] || { echo "$dll is missing"; exit 1; }
exports=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^[ \t]*\[/ {print $NF; next} t {t=0}' | sort | tr '\n' ' ')
if [ "$exports" != "$wanted" ]; then
  echo "$name: exports are '$exports', expected '$wanted'"; fail=1
fi

section=$("$objdump" -h "$dll" | awk '$2 == "SHARED" {print; getline; print}')
if [ -z "$section" ]; then
  echo "$name: no section SHARED"; fail=1
else
  size=$((16#$(echo "$section" | head -1 | awk '{print $3}')))
  [ "$size" -eq "$expected" ] || { echo "$name: section SHARED holds $size bytes, expected $expected"; fail=1; }
  for flag in DATA SHARED; do
    echo "$section" | tail -1 | grep -qw "$flag" || { echo "$name: section SHARED is not $flag: $section"; fail=1; }
  done
  echo "$section" | tail -1 | grep -qw READONLY && { echo "$name: section SHARED is read-only"; fail=1; }
fi

[ $fail -eq 0 ] && echo "$name: exports $exports; SHARED section of $size bytes, DATA, SHARED"
exit $fail
