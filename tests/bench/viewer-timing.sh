#!/usr/bin/env bash
# viewer-timing.sh [RUNS]: the viewer's time from ShowImage to the first painted rows and to the whole
# image, beside the same file decoded alone, and how long a key pressed meanwhile waits, for a 4000 x 3000
# JPEG stored baseline and progressive. The files are made here from one
# ImageMagick plasma picture with cjpeg (quality 90) and removed afterwards; the timing runs in build/win64
# (viewer_timing.exe) under Wine on a private Xvfb display. Needs a built win64 preset.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/cmake/wine-env.sh"
runs=${1:-5}
program=$root/build/win64/tests/viewer_timing.exe
[ -e "$program" ] || { echo "build the win64 preset first (viewer_timing.exe is missing)" >&2; exit 1; }
for t in /usr/bin/convert cjpeg; do
  command -v "$t" >/dev/null || { echo "$t is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"; wine_session_stop' EXIT
/usr/bin/convert -seed 16 -size 4000x3000 plasma:fractal "$work/picture.ppm"
cjpeg -quality 90 -outfile "$work/baseline.jpg" "$work/picture.ppm"
cjpeg -quality 90 -progressive -outfile "$work/progressive.jpg" "$work/picture.ppm"

unset DISPLAY
wine_session_start "$root/build/win64/wineprefix"
for kind in baseline progressive; do
  echo "== 4000 x 3000 $kind JPEG ($(stat -c %s "$work/$kind.jpg") bytes)"
  wine "$program" "$(winepath -w "$work/$kind.jpg")" "$runs"
  wine "$program" "$(winepath -w "$work/$kind.jpg")" "$runs" keys | grep "^key answered"
done
