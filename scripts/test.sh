#!/usr/bin/env bash
# Builds every program and passes every test: the native build with its unit
# and end-to-end tests, the same end-to-end tests against the Windows build
# under Wine, and the sanitizer build with its short fuzzer runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc)}

./scripts/install-deps.sh
if [ -x scripts/build-windows-deps.sh ]; then ./scripts/build-windows-deps.sh; fi

# The product: 32-bit Windows programs.
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

. scripts/wine-env.sh
windows_bin=""
if [ -n "$FILTERS_WINE" ]; then
  if [ "$FILTERS_WINDOWS_PRESET" != windows ]; then
    echo "note: this kernel cannot run 32-bit code; Wine tests run the 64-bit twin of the Windows build"
    cmake --preset "$FILTERS_WINDOWS_PRESET" >/dev/null
    cmake --build --preset "$FILTERS_WINDOWS_PRESET" -j "$jobs"
  fi
  windows_bin=$root/build/$FILTERS_WINDOWS_PRESET/bin
  # One Wine prefix inside the build tree, and one wineserver kept alive for
  # the whole run so that every program starts quickly.
  export WINEPREFIX=$root/build/native/wineprefix
  mkdir -p "$root/build/native"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then "$FILTERS_WINE" wineboot -i >/dev/null 2>&1 || true; fi
  "$FILTERS_WINESERVER" -p || true  # one may already be running for this prefix
  trap '"$FILTERS_WINESERVER" -k >/dev/null 2>&1 || true' EXIT
else
  echo "note: Wine cannot run Windows programs here; the Windows end-to-end tests are skipped"
fi

cmake --preset native -DFILTERS_WINDOWS_BIN_DIR="$windows_bin" -DFILTERS_WINE="$FILTERS_WINE" >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"
echo "all tests passed"
