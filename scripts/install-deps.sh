#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, skipping
# whatever is already there. Safe to run again.
set -euo pipefail

want_windows=${WANT_WINDOWS:-1}

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
need() { dpkg -s "$1" >/dev/null 2>&1 || missing+=("$1"); }

for p in build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev \
         libpng-dev zlib1g-dev clang libclang-rt-14-dev dpkg-dev \
         netpbm imagemagick libgif-dev; do
  need "$p"
done
if [ "$want_windows" = 1 ]; then
  for p in g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev wine xvfb xauth \
           python3 fonts-wine nsis; do
    need "$p"
  done
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    need_update=1
  fi
  need wine32:i386
fi

# Source packages (libpng for the Windows build) come from the same archive
# as the binaries: mirror the machine's own deb entries as deb-src.
if [ "$want_windows" = 1 ] && ! apt-get indextargets 2>/dev/null | grep -qx 'Identifier: Sources'; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debian-src.list >/dev/null
  fi
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ "${need_update:-0}" = 1 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
