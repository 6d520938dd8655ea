#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the scripts use; only those missing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/apt.sh"

PACKAGES=(
  cmake ninja-build make git nasm pkg-config dpkg-dev tcl
  g++ clang libclang-rt-dev
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
  wine wine64 fonts-wine fonts-liberation xvfb xauth
  googletest libgtest-dev libbenchmark-dev
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libsqlite3-dev sqlite3
  imagemagick netpbm libjpeg-turbo-progs libtiff-tools sox espeak-ng python3 ghostscript
  nsis locales
)

install_missing_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  apt_update_once
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Wine takes the Windows locale and the code page of Unix file names from LC_ALL: the tests and ./run start
# the programs under pt_BR.UTF-8, and without that locale on the machine Wine could not spell a file name
# such as "promoção.jpg". Debian's `locales` ships the definition; it is compiled once.
ensure_locales() {
  local l
  for l in pt_BR; do
    locale -a 2>/dev/null | grep -qix "$l.utf-\?8" && continue
    log "generating the locale $l.UTF-8"
    as_root localedef -i "$l" -c -f UTF-8 -A /usr/share/locale/locale.alias "$l.UTF-8"
  done
}

install_missing_packages
ensure_locales
