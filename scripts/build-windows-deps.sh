#!/usr/bin/env bash
# Builds the static libpng that the 32-bit Windows programs link, from
# Debian's own source package, against the MinGW zlib package, into
# build/windows-deps (the windows preset looks there). Nothing of it is kept
# in the repository: sources and objects stay under build/.
# Quick and silent once built; delete that folder to build again. A change to
# the toolchain files builds it again.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build/windows-deps-src

host=i686-w64-mingw32
prefix=$root/build/windows-deps
objects=$work/build-$host

# Built, and not older than the toolchain files (whose compiler flags it holds).
up_to_date() {
  [ -f "$prefix/lib/libpng.a" ] && [ -f "$prefix/include/png.h" ] && [ -f "$prefix/built-from" ] || return 1
  local f
  for f in "$root"/cmake/mingw-*.cmake; do [ "$prefix/built-from" -nt "$f" ] || return 1; done
}
up_to_date && exit 0

fail() { echo "build-windows-deps: $*" >&2; exit 1; }
command -v $host-gcc >/dev/null || fail "$host-gcc is missing (run scripts/install-deps.sh)"
[ -f "/usr/$host/lib/libz.a" ] && [ -f "/usr/$host/include/zlib.h" ] \
  || fail "the MinGW zlib for $host (libz-mingw-w64-dev) is missing (run scripts/install-deps.sh)"
[ -n "$(apt-cache showsrc libpng1.6 2>/dev/null)" ] \
  || fail "no source entries for libpng1.6 (run scripts/install-deps.sh, which adds them)"

rm -rf "$work"
mkdir -p "$work"

# Newest first; an archive may list a version whose files it no longer holds.
version=
for v in $(apt-cache showsrc libpng1.6 | awk '/^Version:/ { print $2 }' | sort -rV | uniq); do
  if (cd "$work" && apt-get source -qq "libpng1.6=$v" >"$work/fetch.log" 2>&1); then
    version=$v
    break
  fi
  rm -rf "${work:?}"/*
done
[ -n "$version" ] || { cat "$work/fetch.log" >&2; fail "could not fetch the libpng1.6 source package"; }
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
[ -n "$src" ] || fail "the libpng1.6 source package did not unpack"

# Only the static library: no programs, tests or shared library to link.
cmake -S "$src" -B "$objects" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_INCLUDE_DIR="/usr/$host/include" -DZLIB_LIBRARY="/usr/$host/lib/libz.a" \
  >"$objects.configure.log" 2>&1 || { tail -n 30 "$objects.configure.log" >&2; fail "configuring libpng failed"; }
cmake --build "$objects" -j "${JOBS:-2}" >"$objects.build.log" 2>&1 \
  || { tail -n 30 "$objects.build.log" >&2; fail "building libpng failed"; }
rm -rf "$prefix"
cmake --install "$objects" >"$objects.install.log" 2>&1 \
  || { tail -n 30 "$objects.install.log" >&2; fail "installing libpng failed"; }
[ -f "$prefix/lib/libpng.a" ] || ln -sf libpng16.a "$prefix/lib/libpng.a"
echo "libpng1.6 $version ($host, static)" >"$prefix/built-from"
echo "build-windows-deps: built libpng $version for $host into build/windows-deps"
