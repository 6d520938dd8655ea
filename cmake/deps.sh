#!/usr/bin/env bash
# Installs what the build needs (cmake/packages.sh) and builds the third-party libraries for the two mingw triplets.
#
#   cmake/deps.sh            install missing Debian packages, then build (or reuse) the cached libraries
#   cmake/deps.sh --prefix   print the cache folder holding <triplet>/{include,lib} and exit
#
# The Windows builds of libjpeg-turbo, libpng, libtiff and SQLite come from Debian's *source* packages, so
# they carry Debian's security patches. They are built once into a cache outside the checkout, in a folder
# named by a hash of the build recipe below, the source package versions and the compiler version; a second
# run with the same inputs only checks that folder (about 100 MB a set; older sets are left for checkouts
# that still use them). Host builds use Debian's own -dev packages.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

CACHE_ROOT=${WINAPPS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/winapps-deps}
TRIPLETS=(x86_64-w64-mingw32 i686-w64-mingw32)
SOURCE_PACKAGES=(libjpeg-turbo libpng1.6 tiff sqlite3)

if [ "${1:-}" = "--prefix" ]; then
  echo "$CACHE_ROOT/current"
  exit 0
fi

. "$here/apt.sh"

# apt-get source needs deb-src entries. Mirror the machine's own deb entries (deb822 .sources files and
# one-line .list files alike) so the sources match the binaries that are installed.
ensure_deb_src() {
  local dir=/etc/apt/sources.list.d
  if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list "$dir" 2>/dev/null; then
    return 0
  fi
  log "adding deb-src entries beside the deb entries"
  local out
  out=$(mktemp)
  local f
  for f in "$dir"/*.sources; do
    [ -e "$f" ] || continue
    awk '
      BEGIN { RS=""; ORS="\n\n" }
      /(^|\n)Types:[^\n]*deb([ \t]|$|\n)/ && !/(^|\n)Enabled: *no/ {
        gsub(/Types:[^\n]*/, "Types: deb-src"); print
      }' "$f" >>"$out"
  done
  if [ -s "$out" ]; then
    as_root install -m 0644 "$out" "$dir/winapps-deb-src.sources"
  fi
  : >"$out"
  for f in /etc/apt/sources.list "$dir"/*.list; do
    [ -e "$f" ] || continue
    sed -n 's/^deb \(.*\)$/deb-src \1/p' "$f" >>"$out"
  done
  if [ -s "$out" ]; then
    as_root install -m 0644 "$out" "$dir/winapps-deb-src.list"
  fi
  rm -f "$out"
  apt_updated=0
  apt_update_once
}

source_version() {
  # The candidate version of a source package, as apt-get source would fetch it.
  apt-cache showsrc "$1" 2>/dev/null | awk -v p="$1" '
    /^Package: / { cur=$2 } /^Version: / && cur==p { print $2; exit }'
}

cache_key() {
  {
    # The recipe, as bash itself prints it: comments and layout changes do not force a rebuild.
    declare -f fetch_sources cmake_cross build_triplet make_sqlite_amalgamation
    local p
    for p in "${SOURCE_PACKAGES[@]}"; do echo "$p $(source_version "$p")"; done
    dpkg-query -W -f='${Version}\n' googletest g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  } | sha256sum | cut -c1-16
}

fetch_sources() {
  local src=$1 p
  mkdir -p "$src"
  for p in "${SOURCE_PACKAGES[@]}"; do
    local v dir
    v=$(source_version "$p")
    dir="$src/$p"
    [ -e "$dir/.extracted" ] && continue
    log "fetching source package $p $v"
    rm -rf "$dir" "$src/dl-$p"
    mkdir -p "$src/dl-$p"
    (cd "$src/dl-$p" && apt-get source --download-only -qq "$p=$v" >/dev/null 2>&1) ||
      { log "apt-get source failed for $p=$v"; return 1; }
    # Unsigned-key warnings are expected: the .dsc comes from the machine's own trusted archive.
    (cd "$src/dl-$p" && dpkg-source -x ./*.dsc "$dir" >/dev/null 2>&1) ||
      { log "dpkg-source failed for $p"; return 1; }
    touch "$dir/.extracted"
  done
}

cmake_cross() {
  # cmake_cross TRIPLET SRC BUILD [cmake args...]
  local t=$1 s=$2 b=$3
  shift 3
  local sys=Windows proc=x86_64
  [ "$t" = i686-w64-mingw32 ] && proc=x86
  cmake -S "$s" -B "$b" -G Ninja -Wno-dev \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_SYSTEM_NAME=$sys -DCMAKE_SYSTEM_PROCESSOR=$proc \
    -DCMAKE_C_COMPILER="$t-gcc-posix" -DCMAKE_CXX_COMPILER="$t-g++-posix" \
    -DCMAKE_RC_COMPILER="$t-windres" -DCMAKE_ASM_NASM_COMPILER=nasm \
    -DCMAKE_FIND_ROOT_PATH="/usr/$t;$PREFIX_T" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DCMAKE_INSTALL_PREFIX="$PREFIX_T" -DCMAKE_POSITION_INDEPENDENT_CODE=OFF \
    "$@" >"$b.configure.log" 2>&1 || { cat "$b.configure.log" >&2; return 1; }
  cmake --build "$b" >"$b.build.log" 2>&1 || { tail -50 "$b.build.log" >&2; return 1; }
  cmake --install "$b" >/dev/null
}

build_triplet() {
  local t=$1 src=$2 work=$3
  PREFIX_T=$4
  mkdir -p "$work" "$PREFIX_T/lib" "$PREFIX_T/include"
  local zlib=/usr/$t/lib/libz.a

  log "$t: libjpeg-turbo"
  cmake_cross "$t" "$src/libjpeg-turbo" "$work/jpeg" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
    -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF -DWITH_ARITH_DEC=ON -DWITH_ARITH_ENC=ON \
    -DREQUIRE_SIMD=ON -DCMAKE_INSTALL_DOCDIR="$work/doc" -DCMAKE_INSTALL_MANDIR="$work/man"

  log "$t: libpng"
  cmake_cross "$t" "$src/libpng1.6" "$work/png" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="$zlib" -DZLIB_INCLUDE_DIR="/usr/$t/include" -DZLIB_USE_STATIC_LIBS=ON \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON

  log "$t: libtiff"
  cmake_cross "$t" "$src/tiff" "$work/tiff" \
    -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
    -Dtiff-deprecated=OFF -Dcxx=OFF \
    -Dccitt=ON -Dpackbits=ON -Dlzw=ON -Dthunder=ON -Dnext=ON -Dzlib=ON -Djpeg=ON \
    -Dlogluv=OFF -Dmdi=OFF -Dpixarlog=OFF -Dold-jpeg=OFF -Djpeg12=OFF \
    -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlibdeflate=OFF \
    -DZLIB_LIBRARY="$zlib" -DZLIB_INCLUDE_DIR="/usr/$t/include" \
    -DJPEG_LIBRARY="$PREFIX_T/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$PREFIX_T/include"

  log "$t: sqlite3"
  "$t-gcc-posix" -O2 -c "$work/../sqlite3.c" -o "$work/sqlite3.o" \
    -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_DEFAULT_FOREIGN_KEYS=0 -DSQLITE_DQS=3
  "$t-ar" rcs "$PREFIX_T/lib/libsqlite3.a" "$work/sqlite3.o"
  cp "$work/../sqlite3.h" "$PREFIX_T/include/"

  log "$t: googletest"
  cmake_cross "$t" /usr/src/googletest "$work/gtest" -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF
}

make_sqlite_amalgamation() {
  local src=$1 out=$2
  [ -e "$out/sqlite3.c" ] && return 0
  log "making the SQLite amalgamation"
  local b
  b=$(mktemp -d)
  (cd "$b" && make -s -f "$src/sqlite3/Makefile.linux-gcc" TOP="$src/sqlite3" TCLSH=tclsh sqlite3.c \
     >"$b/log" 2>&1) || { cat "$b/log" >&2; return 1; }
  cp "$b/sqlite3.c" "$b/sqlite3.h" "$out/"
  rm -rf "$b"
}

main() {
  "$here/packages.sh"
  mkdir -p "$CACHE_ROOT"
  # The key needs the deb-src lists; without them it cannot name the source versions.
  if [ -z "$(source_version sqlite3)" ]; then
    ensure_deb_src
    # Entries may exist with their lists never fetched.
    [ -n "$(source_version sqlite3)" ] || apt_update_once
  fi
  if [ -z "$(source_version sqlite3)" ]; then log "no deb-src entry provides sqlite3"; exit 1; fi

  local key
  key=$(cache_key)
  local dir="$CACHE_ROOT/$key"
  if [ -e "$dir/.complete" ]; then
    ln -sfn "$key" "$CACHE_ROOT/current"
    return 0
  fi

  exec 9>"$CACHE_ROOT/.lock"
  flock 9
  if [ -e "$dir/.complete" ]; then
    ln -sfn "$key" "$CACHE_ROOT/current"
    return 0
  fi
  log "building the Windows libraries into $dir (once per version set)"
  rm -rf "$dir"
  mkdir -p "$dir/work"
  fetch_sources "$CACHE_ROOT/src"
  make_sqlite_amalgamation "$CACHE_ROOT/src" "$dir/work"

  local pids=() t
  for t in "${TRIPLETS[@]}"; do
    build_triplet "$t" "$CACHE_ROOT/src" "$dir/work/$t" "$dir/$t" &
    pids+=($!)
  done
  local failed=0 p
  for p in "${pids[@]}"; do wait "$p" || failed=1; done
  [ $failed -eq 0 ] || { log "library build failed; logs in $dir/work"; exit 1; }
  rm -rf "$dir/work"
  touch "$dir/.complete"
  ln -sfn "$key" "$CACHE_ROOT/current"
  log "done"
}

main "$@"
