#!/usr/bin/env bash
# Runs a command under Wine in a language: LANG=LOCALE (such as
# ja_JP.UTF-8), which Wine takes for the user's locale and interface
# language. A locale the system lacks is compiled into DIR with localedef
# and found there through LOCPATH.
#   with-language.sh DIR LOCALE COMMAND...
set -euo pipefail
dir=$1 locale=$2
shift 2
if ! locale -a 2>/dev/null | grep -qix "${locale/UTF-8/utf8}"; then
  mkdir -p "$dir"
  [ -d "$dir/$locale" ] || localedef -i "${locale%%.*}" -f UTF-8 "$dir/$locale"
  export LOCPATH=$dir
fi
unset LC_ALL LC_MESSAGES LC_CTYPE LANGUAGE
export LANG=$locale
exec "$@"
