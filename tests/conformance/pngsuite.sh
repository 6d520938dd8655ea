#!/usr/bin/env bash
# pngsuite.sh TOOL PPM_COMPARE PNG_REFERENCE — conformance of the PNG decoder against the PNG test
# suite that libpng carries in its sources (taken from Debian's libpng source package into a cache,
# never committed). Every file must decode, and decode equal to a plain libpng decode with the same
# transformations (png-reference); the interlaced files must also equal their non-interlaced twins
# when decoded into a box. Exits 77 (skipped) when the suite cannot be fetched.
set -uo pipefail
tool=$1
compare=$2
reference=$3
export ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=87:print_stacktrace=1

cache=${XDG_CACHE_HOME:-$HOME/.cache}/winapps-testdata/pngsuite
if [ ! -f "$cache/basn0g01.png" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  echo "fetching the PNG suite (Debian source package libpng1.6) into $cache"
  # Only the upstream tarball is needed; a missing Debian part does not matter.
  (cd "$work" && apt-get source --download-only -qq libpng1.6 >/dev/null 2>&1)
  if ! (cd "$work" && ls libpng1.6_*.orig.tar.* >/dev/null 2>&1 &&
        tar -xf libpng1.6_*.orig.tar.* --wildcards '*/contrib/pngsuite/*'); then
    echo "cannot fetch the suite; skipped"
    exit 77
  fi
  mkdir -p "$(dirname "$cache")"
  rm -rf "$cache"
  mv "$work"/*/contrib/pngsuite "$cache"
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
passed=0 failed=0
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

for f in "$cache"/*.png "$cache"/interlaced/*.png; do
  name=${f#"$cache"/}
  if ! "$tool" decode "$f" "$out/ours.ppm" >/dev/null 2>"$out/err"; then fail "$name" "$(head -c 300 "$out/err")"; continue; fi
  if ! "$reference" "$f" "$out/ref.ppm"; then fail "$name" "the reference cannot read it"; continue; fi
  if ! result=$("$compare" "$out/ours.ppm" "$out/ref.ppm" 1); then fail "$name" "$result"; continue; fi
  passed=$((passed + 1))
  twin="$cache/${name#i}"
  if [ "${name:0:1}" = i ] && [ -f "$twin" ] && ! grep -q gAMA "$f" && ! grep -q gAMA "$twin"; then
    "$tool" decode "$f" "$out/a.ppm" --box 20x20 && "$tool" decode "$twin" "$out/b.ppm" --box 20x20 &&
      result=$("$compare" "$out/a.ppm" "$out/b.ppm" 0) && passed=$((passed + 1)) ||
      fail "$name" "differs from ${twin##*/} in a box: $result"
  fi
done
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
