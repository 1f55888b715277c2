#!/usr/bin/env bash
# Sets up, builds and runs the main job.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh" release
exec "$top/build/winsim/winsim_demo" "$@"
