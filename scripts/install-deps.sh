#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, skipping
# whatever is already there. Safe to run again.
#   install-deps.sh          everything: the builds, the tests and Wine
#   install-deps.sh --demo   only what building the programs needs (native
#                            and 32-bit Windows): no Wine, no test tools
# The tests run the 32-bit Windows programs under Wine. Where the kernel
# cannot run 32-bit code, Wine's 32-bit loader is handed to qemu's user-mode
# emulator through binfmt_misc, registered machine-wide (see wine_route).
set -euo pipefail

mode=full
case "${1:-}" in
  "") ;;
  --demo) mode=demo ;;
  *) echo "usage: install-deps.sh [--demo]" >&2; exit 2 ;;
esac

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi

. /etc/os-release
codename=${VERSION_CODENAME:-bookworm}
sources_dir=/etc/apt/sources.list.d

missing=()
need() { dpkg -s "$1" >/dev/null 2>&1 || missing+=("$1"); }
need_update=0

# Building: the native programs and the 32-bit Windows ones (libpng for them
# is built from Debian's source package by scripts/build-windows-deps.sh).
for p in build-essential cmake ninja-build libpng-dev zlib1g-dev dpkg-dev python3 \
         g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev; do
  need "$p"
done
if [ "$mode" = full ]; then
  # Testing: GoogleTest, the sanitizer build, independent decoders, a
  # headless browser for the HTML previews, and Wine on a virtual display.
  # `wine` alone would pull neither wine64 nor, with --no-install-recommends,
  # anything that runs the prefix: name both loaders.
  for p in pkg-config libgtest-dev libgmock-dev clang libclang-rt-14-dev netpbm imagemagick libgif-dev \
           chromium wine wine64 fonts-wine xvfb xauth nsis; do
    need "$p"
  done
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
    need_update=1
  fi
  need wine32:i386
fi

configured() { # identifier suite: whether apt already reads that index
  apt-get indextargets --format '$(IDENTIFIER) $(RELEASE)' 2>/dev/null | grep -qx "$1 $2"
}

# Entries of another type, or for another suite of this release, copied from
# the machine's own binary entries (so the same archive, whatever it is):
# deb822 stanzas of the .sources files, or one-line entries of sources.list.
# Without a suite every binary entry is copied with its own suites.
derive_sources() { # types [suite]
  local types=$1 suite=${2:-} file
  for file in "$sources_dir"/*.sources; do
    [ -f "$file" ] || continue
    awk -v release="$codename" -v types="$types" -v suite="$suite" '
      BEGIN { RS = ""; FS = "\n" }
      {
        binary = 0; wanted = suite == ""
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^Types:/ && (" " substr($i, 7) " ") ~ / deb /) binary = 1
          if ($i ~ /^Suites:/ && (" " substr($i, 8) " ") ~ (" " release " ")) wanted = 1
        }
        if (!binary || !wanted) next
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^#/) continue
          else if ($i ~ /^Types:/) print "Types: " types
          else if ($i ~ /^Suites:/ && suite != "") print "Suites: " suite
          else print $i
        }
        print ""
      }' "$file"
  done
  if [ -f /etc/apt/sources.list ] && [ -z "$suite" ]; then
    sed -nE "s/^deb([[:space:]])/$types\1/p" /etc/apt/sources.list
  elif [ -f /etc/apt/sources.list ]; then
    sed -nE "s/^deb[[:space:]]+((\[[^]]*\][[:space:]]+)?[^[:space:]]+)[[:space:]]+$codename([[:space:]].*)$/$types \1 $suite\3/p" \
      /etc/apt/sources.list
  fi
}

add_sources() { # types suite-or-empty file-stem
  local entries
  entries=$(derive_sources "$1" "$2")
  [ -n "$entries" ] || { echo "install-deps: no apt entry of this machine to derive $1 ${2:-$codename} from" >&2; exit 1; }
  if grep -q '^Types:' <<<"$entries"; then
    printf '%s\n' "$entries" | "${as_root[@]}" tee "$sources_dir/$3.sources" >/dev/null
  else
    printf '%s\n' "$entries" | "${as_root[@]}" tee "$sources_dir/$3.list" >/dev/null
  fi
  need_update=1
}

# The libpng source package comes from the same archive as the binaries.
if ! apt-get indextargets --format '$(IDENTIFIER)' 2>/dev/null | grep -qx Sources; then
  add_sources deb-src "" debian-src
fi

if [ ${#missing[@]} -gt 0 ] || [ "$need_update" = 1 ]; then
  "${as_root[@]}" apt-get update -qq
  need_update=0
fi
install_packages() { # [apt-get options] packages...
  echo "installing: $*"
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
if [ ${#missing[@]} -gt 0 ]; then install_packages "${missing[@]}"; fi

[ "$mode" = full ] || exit 0

# The route for Wine's 32-bit loader on a kernel that refuses 32-bit code:
# binfmt_misc hands every i386 ELF executable to qemu-i386, while the
# wineserver and Wine's own session processes stay native 64-bit (wine64).
# Debian 12's qemu 7.2 ignores MAP_FIXED_NOREPLACE, which costs about a
# minute per Wine start; the backported qemu starts a program in a fraction
# of a second. The rule is machine-wide and lasts until the next boot (this
# script, run by scripts/test.sh, registers it again then). Nothing of it is
# done where the loader already starts.
loader_runs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
wine_route() {
  local binfmt=/proc/sys/fs/binfmt_misc qemu=/usr/bin/qemu-i386 installed
  [ -e "$binfmt/register" ] || "${as_root[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"

  installed=$(dpkg-query -W -f '${Version}' qemu-user 2>/dev/null || true)
  if [ -z "$installed" ] || dpkg --compare-versions "$installed" lt 1:8; then
    configured Packages "$codename-backports" || add_sources deb "$codename-backports" backports
    if [ "$need_update" = 1 ]; then "${as_root[@]}" apt-get update -qq; fi
    install_packages -t "$codename-backports" qemu-user
  fi

  if [ ! -e "$binfmt/qemu-i386" ]; then
    # i386 ELF executables, fixed (type 2) or position-independent (type 3);
    # F opens the emulator now, so the rule also works in other namespaces.
    printf '%s\n' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
      | "${as_root[@]}" tee "$binfmt/register" >/dev/null
  elif [ "$(head -n 1 "$binfmt/qemu-i386")" = disabled ]; then
    echo 1 | "${as_root[@]}" tee "$binfmt/qemu-i386" >/dev/null
  fi
}
if ! loader_runs; then
  echo "install-deps: this kernel does not run Wine's 32-bit loader; handing i386 programs to qemu"
  wine_route
  loader_runs || { echo "install-deps: Wine's 32-bit loader still does not start: $(/usr/lib/wine/wine --version 2>&1)" >&2; exit 1; }
fi
