#!/usr/bin/env bash
# Builds every program and passes every test: the native build with its unit
# and end-to-end tests, the same end-to-end tests against the 32-bit Windows
# build under Wine, and the sanitizer build with its short fuzzer runs.
# A Windows build that Wine cannot run here is a failed run, not a skipped one.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc)}

./scripts/install-deps.sh
./scripts/build-windows-deps.sh

# The product: 32-bit Windows programs in build/windows/bin/, and the tools
# that test them in build/windows/test-bin/.
# The toolchain file's compiler flags only reach a new cache: configure afresh
# when it changed since.
fresh=()
for f in cmake/mingw-*.cmake; do
  [ build/windows/CMakeCache.txt -nt "$f" ] || fresh=(--fresh)
done
cmake --preset windows "${fresh[@]}" >/dev/null
cmake --build --preset windows -j "$jobs"

. scripts/wine-env.sh
if [ -z "$FILTERS_WINE" ]; then
  echo "test.sh: Wine cannot run the 32-bit Windows programs here: $FILTERS_WINE_PROBLEM" >&2
  echo "test.sh: scripts/install-deps.sh sets this up when run with root rights (or sudo)." >&2
  exit 1
fi

# One Wine prefix inside the build tree, and one wineserver kept alive for
# the whole run so that every program starts quickly.
export WINEPREFIX=$root/build/native/wineprefix
mkdir -p "$root/build/native"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test.sh: creating the Wine prefix build/native/wineprefix"
  "$FILTERS_WINE" wineboot -i >/dev/null 2>&1 || true
  "$FILTERS_WINESERVER" -w || true
  [ -f "$WINEPREFIX/system.reg" ] || { echo "test.sh: Wine could not create its prefix in $WINEPREFIX" >&2; exit 1; }
fi
"$FILTERS_WINESERVER" -p || true  # one may already be running for this prefix
trap '"$FILTERS_WINESERVER" -k >/dev/null 2>&1 || true' EXIT

cmake --preset native -DFILTERS_WINDOWS_BIN_DIR="$root/build/windows/bin" -DFILTERS_WINE="$FILTERS_WINE" >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"
echo "all tests passed"
