#!/usr/bin/env bash
# CTest's emulator for Windows tests: wine-run.sh PREFIX PROGRAM [ARGS...]
# Runs PROGRAM under Wine in PREFIX (the build's test prefix, made on first use). ./test and
# cmake/with-wine.sh provide a display and a persistent wineserver; run alone, the server lingers only a
# minute after the last program ends.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_env_defaults
export WINEPREFIX=${WINEPREFIX:-$1}
shift
wine_ensure_prefix "$WINEPREFIX"
wineserver -p60 2>/dev/null || true
# Tests see one known Windows locale unless they ask for another (English, United States: the system's
# own messages and the resource language tests expect); the machine's own locale plays no part.
case ${LC_ALL:-} in
  "" | C | POSIX | C.*) locale=en_US.UTF-8 ;;
  *) locale=$LC_ALL ;;
esac
exec env LC_ALL="$locale" wine "$@"
