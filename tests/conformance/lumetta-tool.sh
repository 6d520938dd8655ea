#!/usr/bin/env bash
# lumetta-tool.sh TOOL — the image tool's command line: its output lines, PPM files and exit codes.
set -uo pipefail
tool=$1
magick=/usr/bin/convert
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
passed=0 failed=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); else echo "FAIL $1: expected [$2], got [$3]"; failed=$((failed + 1)); fi
}

"$magick" -size 400x300 gradient:navy-orange -type TrueColor "BMP3:$dir/photo.bmp"
printf 'not an image at all\n' >"$dir/notes.txt"
tab=$'\t'

check "info line" "bmp${tab}400${tab}300${tab}24${tab}1${tab}photo.bmp (400x300x16M bmp)" "$("$tool" info "$dir/photo.bmp")"
out=$("$tool" info "$dir/photo.bmp" "$dir/missing.bmp" 2>"$dir/err"); status=$?
check "info exit code with a missing file" 1 $status
check "info line of a missing file" "unknown${tab}0${tab}0${tab}0${tab}0${tab}missing.bmp (Unknown)" "$(sed -n 2p <<<"$out")"
check "info error of a missing file" "$dir/missing.bmp: error 101" "$(cat "$dir/err")"

"$tool" decode "$dir/photo.bmp" "$dir/full.ppm"; check "decode exit code" 0 $?
check "decode size" "P6 400 300 255" "$(head -c 15 "$dir/full.ppm" | tr '\n' ' ' | cut -d' ' -f1-4)"
"$magick" "$dir/photo.bmp" -depth 8 "ppm:$dir/ref.ppm"
cmp -s "$dir/full.ppm" "$dir/ref.ppm"; check "decode equals the reference" 0 $?

"$tool" thumbnail "$dir/photo.bmp" "$dir/thumb.ppm"; check "thumbnail exit code" 0 $?
check "thumbnail size" "P6 100 75 255" "$(head -c 15 "$dir/thumb.ppm" | tr '\n' ' ' | cut -d' ' -f1-4)"
"$tool" decode "$dir/photo.bmp" "$dir/q.ppm" --box 50x50 --screen-bits 8 --dither 3 --page 0
check "decode with options" 0 $?
"$tool" decode "$dir/photo.bmp" "$dir/fc.ppm" --screen-bits 8 --full-color
cmp -s "$dir/fc.ppm" "$dir/ref.ppm"; check "the full-colour bitmap keeps every colour on an 8-bit display" 0 $?

"$tool" decode "$dir/notes.txt" "$dir/x.ppm" 2>"$dir/err"; check "decode of a non-image" 1 $?
check "decode error text" "error 7" "$(cat "$dir/err")"
"$tool" decode "$dir/photo.bmp" "$dir/x.ppm" --page 3 2>"$dir/err"; check "a page the file does not have" 1 $?
"$magick" -delay 10 -size 30x20 xc:red \( -size 8x8 xc:blue -repage +4+4 \) \( -size 8x8 xc:lime -repage +12+6 \) "$dir/anim.gif"
check "info counts the frames" "gif${tab}30${tab}20${tab}1${tab}3${tab}anim.gif (30x20x2 gif)" "$("$tool" info "$dir/anim.gif")"
"$tool" decode "$dir/anim.gif" "$dir/frame.ppm" --page 2; check "decode of a frame" 0 $?
"$magick" "$dir/anim.gif" -coalesce -delete 0,1 -depth 8 -strip "ppm:$dir/frame-ref.ppm"
cmp -s "$dir/frame.ppm" "$dir/frame-ref.ppm"; check "the frame is composed over the frames before" 0 $?
"$tool" decode "$dir/anim.gif" "$dir/x.ppm" --page 3 2>/dev/null; check "a frame the animation does not have" 1 $?
# A placeable metafile of 10 x 5 inches (key, box 0,0 - 14399,7199 at 1440 a inch, checksum), then an
# empty metafile: detected with its size at 96 dots per inch, but played only by the Windows build.
python3 -c 'import struct,sys; w=[0xCDD7,0x9AC6,0,0,0,14399,7199,1440,0,0]; h=0
for v in w: h^=v
sys.stdout.buffer.write(struct.pack("<11H",*w,h)+struct.pack("<HHHIHIH",1,9,0x300,12,0,3,0)+bytes([3,0,0,0,0,0])+bytes(10))' >"$dir/picture.wmf"
check "info of a metafile" "wmf${tab}960${tab}480${tab}24${tab}1${tab}picture.wmf (960x480x16M wmf)" "$("$tool" info "$dir/picture.wmf" 2>"$dir/err")"
check "info says why a metafile cannot be decoded here" \
  "$dir/picture.wmf: wmf images cannot be decoded by this build (error 100): metafiles are played by the Windows graphics system" \
  "$(cat "$dir/err")"
"$tool" >/dev/null 2>&1; check "no arguments" 2 $?
"$tool" decode "$dir/photo.bmp" "$dir/x.ppm" --dither 9 2>/dev/null; check "dither out of range" 2 $?
"$tool" decode "$dir/photo.bmp" "$dir/x.ppm" --screen-bits 12 2>/dev/null; check "screen depth not 8, 16 or 24" 2 $?
"$tool" thumbnail "$dir/photo.bmp" "$dir/x.ppm" --box 5x5 2>/dev/null; check "thumbnail takes no box" 2 $?
"$tool" convert a b 2>/dev/null; check "unknown command" 2 $?

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
