#!/usr/bin/env bash
# with-wine.sh PRESET COMMAND [ARGS...]: runs COMMAND with a display, the preset's Wine prefix and a
# persistent wineserver, and ends them all afterwards. Example:
#   cmake/with-wine.sh win64 ctest --preset win64 -R Exports
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"
preset=$1
shift
trap wine_session_stop EXIT
wine_session_start "$here/../build/$preset/wineprefix"
"$@"
