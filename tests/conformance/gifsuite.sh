#!/usr/bin/env bash
# gifsuite.sh TOOL PPM_COMPARE — conformance of the GIF decoder, frame by frame.
#
# The pictures come from Debian's giflib source package (its sample pictures and documentation
# images), fetched once into a cache and never kept in this repository; interlaced, transparent and
# animated files with every disposal method are made here with ImageMagick. Each file must report as
# many frames as ImageMagick reads, and every frame decoded with `--page N` must equal ImageMagick's
# composed frame N. Pixels that ImageMagick leaves transparent are not compared: it clears them where
# this decoder shows the screen's background colour, and neither is more right than the other.
# Exits 77 (skipped) when the pictures cannot be fetched.
set -uo pipefail
tool=$1
compare=$2
magick=/usr/bin/convert  # the real ImageMagick (a stand-in of the same name may come first on PATH)
export ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=87:print_stacktrace=1

cache=${XDG_CACHE_HOME:-$HOME/.cache}/winapps-testdata/giflib
if [ ! -d "$cache/pic" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  echo "fetching the GIF pictures (Debian source package giflib) into $cache"
  if ! (cd "$work" && apt-get source --download-only -qq giflib >/dev/null 2>&1 &&
        tar -xzf giflib_*.orig.tar.gz --wildcards '*.gif'); then
    echo "cannot fetch the pictures; skipped"
    exit 77
  fi
  mkdir -p "$cache.new"
  (cd "$work"/giflib-*/ && find . -name '*.gif' -exec cp --parents {} "$cache.new" \;)
  rm -rf "$cache"
  mv "$cache.new" "$cache"
fi
[ -x "$magick" ] || { echo "ImageMagick is missing (cmake/packages.sh installs it)"; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
made=$out/made
mkdir -p "$made"
# Interlaced, transparent, 1-bit, and animations: frames with their own colour tables and offsets,
# each disposal method, a transparent interlaced patch.
"$magick" -size 64x48 gradient:red-blue -interlace GIF "$made/interlaced.gif"
"$magick" -size 61x37 pattern:checkerboard -fill red -draw 'circle 30 20 30 5' -transparent white "$made/transparent.gif"
"$magick" -size 33x17 pattern:gray50 -monochrome "$made/one-bit.gif"
for dispose in None Background Previous; do
  "$magick" -dispose $dispose -delay 10 -size 50x40 xc:yellow \( -size 20x10 xc:blue -repage +5+5 \) \
    \( -size 20x20 xc:green -repage +25+15 \) \( -size 10x30 xc:red -repage +2+2 \) -loop 0 "$made/dispose-$dispose.gif"
done
"$magick" -delay 10 -size 50x40 gradient:white-black \( -size 20x20 pattern:checkerboard -transparent white -repage +10+10 \) \
  \( -size 30x30 radial-gradient:red-blue -repage +15+5 \) -interlace GIF -loop 0 "$made/interlaced-animation.gif"
# A square walking across, stored as the changed pixels of each frame over the frame before.
steps=()
for i in 1 2 3 4 5 6; do
  steps+=(\( +clone -draw "rectangle $((i * 5)),$((i * 4)) $((i * 5 + 6)),$((i * 4 + 6))" \))
done
"$magick" -delay 5 -size 40x40 xc:white -fill black "${steps[@]}" -layers OptimizeTransparency -loop 0 "$made/optimised.gif"

passed=0 failed=0 frames=0
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

while IFS= read -r f; do
  name=${f#"$out"/}
  name=${name#"$cache"/}
  rm -f "$out"/ref-*.png
  if ! "$magick" "$f" -coalesce -strip +adjoin "png32:$out/ref-%d.png" >/dev/null 2>&1; then
    fail "$name" "ImageMagick cannot read it"
    continue
  fi
  expected=$(find "$out" -maxdepth 1 -name 'ref-*.png' | wc -l)
  info=$("$tool" info "$f" 2>"$out/err")
  status=$?
  if [ $status -ne 0 ]; then fail "$name" "info failed (exit $status): $(head -c 400 "$out/err")"; continue; fi
  count=$(cut -f5 <<<"$info")
  if [ "$count" != "$expected" ]; then fail "$name" "$count frames, ImageMagick reads $expected"; continue; fi
  ok=1
  for ((i = 0; i < count; i++)); do
    if ! "$tool" decode "$f" "$out/ours.ppm" --page $i >/dev/null 2>"$out/err"; then
      fail "$name" "frame $i: $(head -c 400 "$out/err")"; ok=0; break
    fi
    "$magick" "$out/ours.ppm" \( "$out/ref-$i.png" -alpha extract \) -compose multiply -composite -depth 8 -strip "ppm:$out/a.ppm"
    "$magick" "$out/ref-$i.png" -background black -alpha remove -alpha off -depth 8 -strip "ppm:$out/b.ppm"
    if ! result=$("$compare" "$out/a.ppm" "$out/b.ppm" 0); then
      fail "$name" "frame $i differs from ImageMagick ($result)"; ok=0; break
    fi
    frames=$((frames + 1))
  done
  [ $ok = 1 ] && passed=$((passed + 1))
done < <(find "$cache" "$made" -name '*.gif' | sort)

echo "GIF pictures: $frames frames equal to ImageMagick's"
echo "$passed passed, $failed failed"
[ $failed -eq 0 ] && [ $passed -gt 30 ]
