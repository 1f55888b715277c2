#!/usr/bin/env bash
# Sets up, builds and runs the main job: the program on a simulated desktop,
# playing the built-in demonstration (or the scenario given).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh" release
exec "$top/build/sim/quillmere-sim" "$@"
