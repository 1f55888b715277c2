#!/usr/bin/env bash
# Checks the built hook library: it exports RegisterHook and UnregisterHook
# and nothing else, and its four variables sit in a section "SHARED" of SIZE bytes
# that is data, shared between processes (16 bytes in a 32-bit build).
#   check-hook-dll.sh OBJDUMP QuillmereHook.dll SIZE
set -uo pipefail
objdump=$1 dll=$2 expected=${3:-16}
fail=0

exports=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/ {t=1; next} t && /^[ \t]*\[/ {print $NF; next} t {t=0}' | sort | tr '\n' ' ')
if [ "$exports" != "RegisterHook UnregisterHook " ]; then
  echo "exports are '$exports', expected 'RegisterHook UnregisterHook '"; fail=1
fi

section=$("$objdump" -h "$dll" | awk '$2 == "SHARED" {print; getline; print}')
if [ -z "$section" ]; then
  echo "no section SHARED"; fail=1
else
  size=$((16#$(echo "$section" | head -1 | awk '{print $3}')))
  [ "$size" -eq "$expected" ] || { echo "section SHARED holds $size bytes, expected $expected"; fail=1; }
  for flag in DATA SHARED; do
    echo "$section" | tail -1 | grep -qw "$flag" || { echo "section SHARED is not $flag: $section"; fail=1; }
  done
  echo "$section" | tail -1 | grep -qw READONLY && { echo "section SHARED is read-only"; fail=1; }
fi

[ $fail -eq 0 ] && echo "QuillmereHook.dll: exports $exports; SHARED section of $size bytes, DATA, SHARED"
exit $fail
