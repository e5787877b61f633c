#!/usr/bin/env bash
# A converter that fails while the global atom table is full must not exit
# with 0, which the host would take for success:
#   full_atom_table.sh <Windows bin directory> <work directory>
# Under Wine, each converter is given a missing input through the test host
# while fill_atoms (test-bin/) holds every string atom. It must exit with 1,
# which the host reads back as "#1", and write no output.
# Exits 77 (skipped) only when no Windows build is configured.
set -euo pipefail

fail() { echo "FAILED: $*"; exit 1; }
[ $# -eq 2 ] || { echo "usage: full_atom_table.sh <Windows bin directory> <work directory>"; exit 2; }
[ -n "$1" ] || { echo "skipped: no Windows build configured (FILTERS_WINDOWS_BIN_DIR)"; exit 77; }
bin=$(cd "$1" && pwd) work=$2 wine=${FILTERS_WINE:-wine}
tools=$bin/../test-bin
export WINEPREFIX=${FILTERS_WINE_PREFIX:-$work/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

rm -rf "$work" && mkdir -p "$work"
for program in Bmpload Gifload Pcxload Pngload Folioload Markload; do
  report=$work/$program.report output=$work/$program.out
  for needed in "$bin/$program.exe" "$tools/winhost.exe" "$tools/fill_atoms.exe"; do
    [ -f "$needed" ] || fail "$needed is not built"
  done
  "$wine" "$tools/fill_atoms.exe" "$(windows_path "$tools/winhost.exe")" "$(windows_path "$report")" \
    "$(windows_path "$bin/$program.exe")" "$(windows_path "$work/missing")" "$(windows_path "$output")" ||
    fail "$program: fill_atoms or the test host did not run (status $?)"
  [ "$(cat "$report")" = $'1\n#1' ] || fail "$program: the host read \"$(cat "$report")\", not exit code 1 and \"#1\""
  [ ! -e "$output" ] || fail "$program wrote $output"
  echo "$program: exit code 1 with the atom table full"
done
