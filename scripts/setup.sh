#!/usr/bin/env bash
# Installs the Debian packages the build and its checks need (clang-format
# for the format check), when they are missing.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(cmake g++ ninja-build locales libboost-dev python3.11 libpython3.11-dev
          googletest libgtest-dev libgmock-dev libbenchmark-dev clang-format)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"

# The settings tests check that numbers ignore a C locale whose decimal
# separator is a comma: make sure one exists.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
