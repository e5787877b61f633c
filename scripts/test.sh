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

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

# One Wine prefix inside the build tree, and one wineserver kept alive for the
# whole run so that every program starts quickly.
export WINEPREFIX=$root/build/native/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$root/build/native"
if [ ! -f "$WINEPREFIX/system.reg" ]; then wineboot -i >/dev/null 2>&1 || true; fi
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

cmake --preset native -DFILTERS_WINDOWS_BIN_DIR="$root/build/windows/bin" >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"
echo "all tests passed"
