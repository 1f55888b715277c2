#!/usr/bin/env bash
# Runs a Windows program under Wine, in a prefix of its architecture (made
# on first use). CTest runs the cross-built test executables through it.
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
# Exit status 77 (CTest's skip) when the program is 32-bit and this machine
# cannot run 32-bit code.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
arch=$(wine_pe_arch "$1")
if [ "$arch" = win32 ] && ! wine_can_run_32bit; then
  echo "wine-run: $1 is 32-bit and this machine does not run 32-bit x86 code (no IA-32 emulation)" >&2
  exit 77
fi
wine_use "$arch"
wine_prefix_ready
exec "$WINE" "$@"
