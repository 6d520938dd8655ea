#!/usr/bin/env bash
# photocd.sh TOOL PPM_COMPARE — conformance of the Photo CD decoder against ImageMagick.
#
# ImageMagick writes image packs with the three uncompressed levels (and the rotation byte for a
# portrait picture) from pictures it carries built in, into a temporary folder: nothing is kept or
# committed. Each pack is decoded with `lumetta-tool decode` at the size of each level, which makes the
# decoder read that level, and compared with ImageMagick's reading of the same level as raw luma and
# chroma (the PCDS reader), turned into RGB here through the decoder's integer tables. ImageMagick's
# own RGB reading cannot serve: its writer stores luma on a scale of its own (full white as 255, where
# the tables take 188) and its reader undoes that through a non-linear map, so its colours differ from
# any reading by the tables by up to a quarter of the range. The packs' layout (where each level starts,
# the row pairs, the shared chroma, the rotation) is what this checks. ImageMagick interpolates the
# chroma between neighbouring pairs where the decoder repeats it, which a per-channel tolerance allows
# for: small on photographs, larger on the sharp edges of flat colour.
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

# The tables of the decoder, applied to ImageMagick's raw luma and chroma (a PPM on standard input).
tables='import sys
data = sys.stdin.buffer.read()
head, body = data.split(b"\n", 3)[:3], data.split(b"\n", 3)[3]
out = bytearray(len(body))
clamp = lambda v: 0 if v < 0 else 255 if v > 255 else v
for i in range(0, len(body), 3):
    y, c1, cr = int(1.35638 * body[i]), body[i + 1] - 156, body[i + 2] - 137
    out[i] = clamp(y + int(1.82153 * cr))
    out[i + 1] = clamp(y + int(-0.43018 * c1) + int(-0.92725 * cr))
    out[i + 2] = clamp(y + int(2.21802 * c1))
sys.stdout.buffer.write(b"\n".join(head) + b"\n" + bytes(out))'

# Per channel (red, green, blue) of ours.ppm against ref.ppm: the largest difference, the mean one and
# the share of samples more than 16 apart. Passes when every channel's mean stays within MEAN and its
# share within SHARE per cent: a wrong level, row pair, chroma row or rotation moves whole areas.
statistics='import sys
def read(path):
    data = open(path, "rb").read().split(b"\n", 3)
    return data[1], data[3]
(size, a), (size_b, b) = read("ours.ppm"), read("ref.ppm")
if size != size_b:
    print("sizes differ:", size.decode(), size_b.decode()); sys.exit(1)
mean_limit, share_limit, ok, words = float(sys.argv[1]), float(sys.argv[2]), True, []
for c, name in enumerate(("red", "green", "blue")):
    d = [abs(x - y) for x, y in zip(a[c::3], b[c::3])]
    mean, share = sum(d) / len(d), 100.0 * sum(v > 16 for v in d) / len(d)
    ok = ok and mean <= mean_limit and share <= share_limit
    words.append("%s largest %d mean %.2f over-16 %.2f%%" % (name, max(d), mean, share))
print("; ".join(words))
sys.exit(0 if ok else 1)'

# check FILE BOX REFERENCE-ARGUMENTS...: ours at the box against ImageMagick's raw reading with the
# arguments that choose the same level.
check() {
  local file=$1 box=$2 result
  shift 2
  local name="$file at $box"
  if ! "$tool" decode "$file" ours.ppm --box "$box" >/dev/null 2>err.txt; then
    fail "$name" "decoding failed: $(head -c 300 err.txt)"
    return
  fi
  if ! "$magick" "$@" -depth 8 -strip ppm:- 2>/dev/null | python3 -c "$tables" >ref.ppm; then
    fail "$name" "ImageMagick cannot read it"
    return
  fi
  if [ "$file" = gray.pcd ]; then  # no chroma to interpolate: every sample agrees
    result=$("$compare" ours.ppm ref.ppm 0)
  else
    result=$(python3 -c "$statistics" "$mean" "$share")
  fi
  if [ $? -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok $name: $result"
  else
    fail "$name" "$result"
  fi
}

# Flat colour has its edges where the chroma of neighbouring pairs differs most.
for f in rose logo gray; do
  if [ $f = logo ]; then mean=${MEAN:-3} share=${SHARE:-6}; else mean=${MEAN:-3} share=${SHARE:-3}; fi
  check $f.pcd 192x128 "PCDS:$f.pcd[0]"
  check $f.pcd 384x256 -size 384x256 "PCDS:$f.pcd"
  check $f.pcd 768x512 "PCDS:$f.pcd"
done
mean=${MEAN:-3} share=${SHARE:-3}
check portrait.pcd 512x768 PCDS:portrait.pcd

# Neutral chroma is gray in our reading whatever the reference says.
if "$tool" decode gray.pcd ours.ppm >/dev/null 2>&1 &&
  [ "$(tail -c +16 ours.ppm | od -An -v -tu1 -w3 | awk '$1 != $2 || $2 != $3' | head -c 1)" = "" ]; then
  passed=$((passed + 1))
else
  fail gray.pcd "red, green and blue differ somewhere"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
