#!/usr/bin/env bash
# Runs a Windows program under Wine, in a prefix of its architecture (made
# on first use). CTest runs the cross-built test executables through it.
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
# Exit status 77 (CTest's skip) when the program is 32-bit and this machine
# cannot run 32-bit code, or when Wine is missing (a failure under CI=true:
# without wineserver the prefix would be made without waiting for its
# registry).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-env.sh"
arch=$(wine_pe_arch "$1")
wine_check_arch "$arch"
wine_use "$arch"
wine_require "$WINE" wineserver
wine_prefix_ready
exec "$WINE" "$@"
