#!/usr/bin/env bash
# photocd.sh TOOL PPM_COMPARE — conformance of the Photo CD decoder against ImageMagick.
#
# ImageMagick writes image packs with the three uncompressed levels (and the rotation byte for a
# portrait picture) from pictures it carries built in, into a temporary folder: nothing is kept or
# committed. Each pack is decoded with `lumetta-tool decode` at the size of each level, which makes the
# decoder read that level, and compared with ImageMagick's own reading of the same level. The two
# convert luma and chroma to RGB with tables of their own, so channels may differ by a few levels;
# ImageMagick also smooths the shared chroma between neighbours where the decoder repeats it, which the
# tolerance of saturated edges allows for. Prints the largest difference of every case.
# Exits 77 when ImageMagick is missing.
set -uo pipefail
tool=$(realpath "$1")
compare=$(realpath "$2")
magick=/usr/bin/convert  # the real ImageMagick (a stand-in of the same name may come first on PATH)
export ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=87:print_stacktrace=1
command -v "$magick" >/dev/null || { echo "$magick is missing; skipped"; exit 77; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1

# Landscape photographs and flat colour, a portrait one, and a gray one (neutral chroma throughout).
"$magick" rose: -resize '768x512!' rose.pcd
"$magick" logo: -resize '768x512!' logo.pcd
"$magick" rose: -resize '512x768!' portrait.pcd
"$magick" rose: -colorspace gray -resize '768x512!' gray.pcd

passed=0 failed=0
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

# check FILE BOX TOLERANCE REFERENCE-OPTIONS...: ours at the box against ImageMagick's reading with the
# options that choose the same level.
check() {
  local file=$1 box=$2 tolerance=$3 result
  shift 3
  local name="$file at $box"
  if ! "$tool" decode "$file" ours.ppm --box "$box" >/dev/null 2>err.txt; then
    fail "$name" "decoding failed: $(head -c 300 err.txt)"
    return
  fi
  if ! "$magick" "$@" -depth 8 -strip ppm:ref.ppm 2>/dev/null; then fail "$name" "ImageMagick cannot read it"; return; fi
  if result=$("$compare" ours.ppm ref.ppm "$tolerance"); then
    passed=$((passed + 1))
    echo "ok $name: $result"
  else
    fail "$name" "$result"
  fi
}

for f in rose logo gray; do
  check $f.pcd 192x128 "${TOLERANCE:-8}" "$f.pcd[0]"
  check $f.pcd 384x256 "${TOLERANCE:-8}" -size 384x256 $f.pcd
  check $f.pcd 768x512 "${TOLERANCE:-8}" $f.pcd
done
check portrait.pcd 512x768 "${TOLERANCE:-8}" portrait.pcd

# Neutral chroma is gray in our reading whatever the reference says.
if "$tool" decode gray.pcd ours.ppm >/dev/null 2>&1 &&
  [ "$(tail -c +16 ours.ppm | od -An -v -tu1 -w3 | awk '$1 != $2 || $2 != $3' | head -c 1)" = "" ]; then
  passed=$((passed + 1))
else
  fail gray.pcd "red, green and blue differ somewhere"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
