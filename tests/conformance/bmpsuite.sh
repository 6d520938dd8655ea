#!/usr/bin/env bash
# bmpsuite.sh TOOL PPM_COMPARE — conformance of the BMP decoder against a public BMP test suite.
#
# The suite's files come from a Debian source package that carries them among its test images (never
# from this repository); they are fetched once into a cache. Every file that the decoder's rules
# accept (OS/2's 12- or 64-byte header, or Windows' 40-byte one and its longer successors up to 1024
# bytes; 1, 4, 8, 15, 16, 24 or 32 bits; a compression that fits the depth, bit fields with or without
# alpha on Windows' headers only; sizes within the limits) must decode, and decode equal to an independent reference decoding
# by ImageMagick; where ImageMagick cannot read a file or reads it differently, the suite's own
# reference picture for it (a PNG named in its index page) decoded by ImageMagick decides. Every file
# the rules refuse must be refused. The suite's deliberately broken files
# must never crash the tool. Exits 77 (skipped) when the suite cannot be fetched.
set -uo pipefail
tool=$1
compare=$2
magick=/usr/bin/convert  # the real ImageMagick (a stand-in of the same name may come first on PATH)
export ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=87:print_stacktrace=1

cache=${XDG_CACHE_HOME:-$HOME/.cache}/winapps-testdata/bmpsuite
if [ ! -d "$cache/g" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  echo "fetching the BMP suite (Debian source package pillow) into $cache"
  if ! (cd "$work" && apt-get source --download-only -qq pillow >/dev/null 2>&1 &&
        tar -xJf pillow_*.orig.tar.xz --wildcards '*/Tests/images/bmp/*'); then
    echo "cannot fetch the suite; skipped"
    exit 77
  fi
  mkdir -p "$(dirname "$cache")"
  rm -rf "$cache"
  mv "$work"/*/Tests/images/bmp "$cache"
fi
[ -x "$magick" ] || { echo "ImageMagick is missing (cmake/packages.sh installs it)"; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

u16() { od -An -tu2 -j"$2" -N2 "$1" 2>/dev/null | tr -d ' '; }
u32() { od -An -tu4 -j"$2" -N4 "$1" 2>/dev/null | tr -d ' '; }
s32() { od -An -td4 -j"$2" -N4 "$1" 2>/dev/null | tr -d ' '; }

# Sets width, height, bits, compression, header; answers whether the decoder's rules accept the file.
rules_accept() {
  local f=$1
  [ "$(stat -c %s "$f")" -ge 54 ] || return 1
  header=$(u32 "$f" 14)
  case $header in
    12) width=$(u16 "$f" 18); height=$(u16 "$f" 20); bits=$(u16 "$f" 24); compression=0 ;;
    *) [ "$header" -ge 40 ] && [ "$header" -le 1024 ] || return 1
       width=$(s32 "$f" 18); height=$(s32 "$f" 22); bits=$(u16 "$f" 28); compression=$(u32 "$f" 30) ;;
  esac
  case $bits in 1|4|8|15|16|24|32) ;; *) return 1 ;; esac
  case $compression in
    0) ;;
    1) [ "$bits" = 8 ] || return 1 ;;
    2) [ "$bits" = 4 ] || return 1 ;;
    3|6) [ "$header" != 64 ] && { [ "$bits" = 16 ] || [ "$bits" = 32 ]; } || return 1 ;;
    *) return 1 ;;
  esac
  local rows=${height#-}
  [ "$width" -gt 0 ] && [ "$rows" -gt 0 ] && [ "$width" -le 32767 ] && [ "$rows" -le 32767 ] || return 1
  local bytes=$(( (bits + 7) / 8 ))
  [ $((width * rows * bytes)) -le $((1 << 30)) ] || return 1
}

# Channels narrower than 8 bits are widened by a shift here and scaled by the reference: they agree
# within one step of the narrowest channel.
tolerance() {
  local f=$1 narrowest=8
  if [ "$bits" = 15 ] || [ "$bits" = 16 ]; then narrowest=5; fi
  if [ "$compression" = 3 ] || [ "$compression" = 6 ]; then
    narrowest=8
    local offset mask width
    for offset in 54 58 62; do  # in the longer headers, or right after a 40-byte one
      mask=$(u32 "$f" $offset)
      [ "$bits" = 16 ] && mask=$((mask & 0xFFFF))
      width=0
      while [ "$mask" -gt 0 ]; do width=$((width + (mask & 1))); mask=$((mask >> 1)); done
      [ "$width" -gt 0 ] && [ "$width" -lt "$narrowest" ] && narrowest=$width
    done
  fi
  echo $(( (256 >> narrowest) + (narrowest < 8 ? 0 : 1) ))
}

# The suite's reference picture for a file: the first PNG its index page shows after the file's name.
reference_png() {
  local png
  png=$(awk -v name="$1</td>" 'index($0, name) { found = 1; next }
    found && match($0, /src="[^"]*\.png"/) { print substr($0, RSTART + 5, RLENGTH - 6); exit }' "$cache/html/bmpsuite.html")
  [ -n "$png" ] && [ -f "$cache/html/$png" ] && echo "$cache/html/$png"
}

passed=0 failed=0 matched=0 refused=0 survived=0 unreferenced=0 longer=0
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

for f in "$cache"/g/*.bmp "$cache"/q/*.bmp "$cache"/b/*.bmp; do
  name=${f#"$cache"/}
  group=${name%%/*}
  "$tool" decode "$f" "$out/ours.ppm" >/dev/null 2>"$out/err"
  status=$?
  if [ $status -gt 1 ]; then fail "$name" "the tool crashed or misbehaved (exit $status): $(head -c 400 "$out/err")"; continue; fi
  if ! rules_accept "$f"; then
    if [ $status -eq 1 ]; then refused=$((refused + 1)); passed=$((passed + 1));
    elif kind=$("$tool" info "$f" | cut -f1) && [ "$kind" != bmp ]; then
      # A bitmap that wraps another format (an embedded JPEG) is found as that format further on.
      echo "note $name: refused as BMP, read as $kind"; refused=$((refused + 1)); passed=$((passed + 1))
    else fail "$name" "the rules refuse it, but it decoded"; fi
    continue
  fi
  if [ "$group" = b ]; then survived=$((survived + 1)); passed=$((passed + 1)); continue; fi
  if [ $status -ne 0 ]; then fail "$name" "decoding failed: $(cat "$out/err")"; continue; fi
  if [ "$header" -gt 40 ] && [ "$header" != 64 ] || [ "$compression" = 3 ] || [ "$compression" = 6 ]; then
    longer=$((longer + 1))
  fi
  tol=$(tolerance "$f")
  result="ImageMagick cannot read it"
  if "$magick" "$f" -alpha off -depth 8 "ppm:$out/ref.ppm" >/dev/null 2>&1 &&
     result=$("$compare" "$out/ours.ppm" "$out/ref.ppm" "$tol"); then
    matched=$((matched + 1)); passed=$((passed + 1)); continue
  fi
  # Alpha bit fields are bit fields with one mask more: the same file marked as plain bit fields is
  # the same picture with its alpha dropped, which ImageMagick reads.
  if [ "$result" = "ImageMagick cannot read it" ] && [ "$compression" = 6 ]; then
    cp "$f" "$out/bitfields.bmp" && printf '\003' | dd of="$out/bitfields.bmp" bs=1 seek=30 conv=notrunc 2>/dev/null
    if "$magick" "$out/bitfields.bmp" -alpha off -depth 8 "ppm:$out/ref.ppm" >/dev/null 2>&1 &&
       result=$("$compare" "$out/ours.ppm" "$out/ref.ppm" "$tol"); then
      echo "note $name: ImageMagick reads it only as plain bit fields; equal to that"
      matched=$((matched + 1)); passed=$((passed + 1)); continue
    fi
  fi
  png=$(reference_png "$name")
  if [ -z "$png" ]; then
    if [ "$result" = "ImageMagick cannot read it" ]; then
      echo "note $name: no reference reads it; decoded without comparison"
      unreferenced=$((unreferenced + 1)); passed=$((passed + 1))
    else
      fail "$name" "differs from ImageMagick ($result) and the suite has no reference picture"
    fi
    continue
  fi
  "$magick" "$png" -alpha off -depth 8 "ppm:$out/png.ppm" >/dev/null 2>&1
  if pngResult=$("$compare" "$out/ours.ppm" "$out/png.ppm" "$((tol > 1 ? tol : 1))"); then
    echo "note $name: $result; equal to the suite's reference picture ${png##*/}"
    matched=$((matched + 1)); passed=$((passed + 1))
  else
    fail "$name" "differs from ImageMagick ($result) and from the suite's reference picture ($pngResult)"
  fi
done

echo "BMP suite: $longer with Windows' longer headers or bit fields decoded"
echo "BMP suite: $matched equal to the reference, $unreferenced without a reference, $refused refused by the rules, $survived broken files survived"
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
