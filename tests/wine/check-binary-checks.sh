#!/usr/bin/env bash
# The release's binary checks refuse what they must, each with its reason,
# run on the binaries of a Windows build tree (on the host, without Wine):
#   check-binary-checks.sh OBJDUMP PYTHON SIZE PROGRAM.EXE HOOK.DLL BRIDGE_TESTS.EXE [HOOK32.DLL]
# SIZE is that of the tree's QuillmereHook.dll shared section.
# - the helper's check (scripts/check-windows-program.py --helper) refuses
#   a program that delay-loads python3.dll and imports QuillmereHook.dll
#   (quillmere.exe), one that imports python3.dll at load time
#   (bridge_tests.exe), and, in the 64-bit tree, a PE32+ binary;
# - the hook library's check (tests/wine/check-hook-dll.sh) refuses a
#   library whose exports or shared section differ from what is asked:
#   QuillmereHook.dll checked as the companion hook, and, when given,
#   QuillmereHook32.dll checked as the program's hook and with another size.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
objdump=$1 python=$2 size=$3 program=$4 hook=$5 bridge_tests=$6 hook32=${7:-}
failures=0
check() {  # check DESCRIPTION CONDITION-STATUS [DETAIL]
  if [ "$2" -eq 0 ]; then echo "PASS  $1"; else echo "FAIL  $1${3:+ ($3)}"; failures=$((failures + 1)); fi
}
# refuses DESCRIPTION EXPECTED-LINE COMMAND...: the command ends with status
# 1 and prints the expected line.
refuses() {
  local description=$1 expected=$2 output status
  shift 2
  output=$("$@" 2>&1)
  status=$?
  [ $status -eq 1 ] && grep -qF -- "$expected" <<<"$output"
  check "$description" $? "status $status: $output"
}

helper=("$python" "$top/scripts/check-windows-program.py" --helper)
refuses "the helper's check refuses a delay-loaded python3.dll" \
  "the helper delay-loads python3.dll; it must not import Python at all" "${helper[@]}" "$program"
refuses "the helper's check refuses the program's hook library" \
  "the helper imports QuillmereHook.dll, which is neither a system DLL nor QuillmereHook32.dll" \
  "${helper[@]}" "$program"
refuses "the helper's check refuses a load-time python3.dll" \
  "the helper imports python3.dll at load time; it must not import Python at all" "${helper[@]}" "$bridge_tests"
# The optional header's magic: 0x20b is PE32+.
if od -An -tx1 -j "$(( $(od -An -tu4 -j 60 -N 4 "$program") + 24 ))" -N 2 "$program" | grep -q '0b 02'; then
  refuses "the helper's check refuses a PE32+ binary" "is PE32+; the helper must be PE32" "${helper[@]}" "$program"
fi

hook_check=("$top/tests/wine/check-hook-dll.sh" "$objdump")
refuses "the hook check refuses QuillmereHook.dll as the companion hook (exports)" \
  "QuillmereHook.dll: exports are 'RegisterHook UnregisterHook ', expected 'RegisterCompanionHook UnregisterCompanionHook '" \
  "${hook_check[@]}" "$hook" "$size" RegisterCompanionHook UnregisterCompanionHook
refuses "the hook check refuses a shared section of another size" \
  "QuillmereHook.dll: section SHARED holds $size bytes, expected $((size + 8))" "${hook_check[@]}" "$hook" $((size + 8))
if [ -n "$hook32" ]; then
  refuses "the hook check refuses QuillmereHook32.dll as the program's hook (exports)" \
    "QuillmereHook32.dll: exports are 'RegisterCompanionHook UnregisterCompanionHook ', expected 'RegisterHook UnregisterHook '" \
    "${hook_check[@]}" "$hook32" 16
fi
refuses "the hook check refuses a missing library" "is missing" "${hook_check[@]}" "$hook.missing" "$size"

echo "$failures failed"
[ $failures -eq 0 ]
