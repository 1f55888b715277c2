#!/usr/bin/env bash
# Configures and builds one build tree.
#   scripts/build.sh [release|sanitize]   (default: release)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-release}
case "$kind" in
  release)  dir="$top/build";          extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) dir="$top/build-sanitize"; extra=(-DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_SANITIZE=ON -DQUILLMERE_BENCHMARKS=OFF) ;;
  *) echo "usage: $0 [release|sanitize]" >&2; exit 2 ;;
esac
"$top/scripts/setup.sh"
cmake -S "$top" -B "$dir" -G Ninja -DPython3_EXECUTABLE=/usr/bin/python3.11 "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
