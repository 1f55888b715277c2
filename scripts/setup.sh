#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(cmake g++ ninja-build libboost-dev python3.11 libpython3.11-dev
          googletest libgtest-dev libgmock-dev libbenchmark-dev)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
