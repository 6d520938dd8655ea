#!/usr/bin/env bash
# screenshot.sh [--out FILE.png] [--caption CAPTION] [--delay SECONDS] -- PROGRAM [ARGS...]
# Starts PROGRAM under Wine on a private Xvfb display (the prefix's virtual desktop draws the frames), waits for a top-level window with CAPTION (when given), waits DELAY more seconds (default 1), saves a PNG
# of the screen and prints its path; then ends every Wine process it started. Uses build/win64's prefix.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/cmake/wine-env.sh"

out="$root/build/win64/screenshots/shot-$(date +%Y%m%d-%H%M%S).png"
caption=
delay=1
while [ $# -gt 0 ]; do
  case $1 in
    --out) out=$2; shift 2 ;;
    --caption) caption=$2; shift 2 ;;
    --delay) delay=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: screenshot.sh [options] -- PROGRAM [ARGS...]" >&2; exit 2; }
mkdir -p "$(dirname "$out")"
case $out in /*) ;; *) out="$PWD/$out" ;; esac

unset DISPLAY
trap wine_session_stop EXIT
wine_session_start "$root/build/win64/wineprefix"

program=$1
shift
(cd "$(dirname "$program")" 2>/dev/null || true
 exec env ${WINE_LC_ALL:+LC_ALL=$WINE_LC_ALL} wine "$program" "$@" >/dev/null 2>&1) &

driver="$root/build/win64/tests/uidriver.exe"
if [ -n "$caption" ]; then
  if ! wine "$driver" wait-window "$caption" 20000 >/dev/null; then
    echo "screenshot.sh: no window \"$caption\" appeared" >&2
    import -window root "$out" 2>/dev/null && echo "$out"
    exit 1
  fi
fi
sleep "$delay"
import -window root "$out"
echo "$out"
