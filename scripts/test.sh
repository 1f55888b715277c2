#!/usr/bin/env bash
# Sets up, builds and runs every test.
#   scripts/test.sh [release|sanitize]   (default: release)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-release}
"$top/scripts/build.sh" "$kind"
dir="$top/build"; [ "$kind" = sanitize ] && dir="$top/build-sanitize"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300
