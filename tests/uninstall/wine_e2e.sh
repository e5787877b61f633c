#!/usr/bin/env bash
# End-to-end test of the Windows uninstallkv under Wine on a virtual display:
#   wine_e2e.sh <Windows bin directory> <work directory> <screenshot directory>
# The bin directory holds uninstallkv.exe and uninstall_driver.exe. Three runs:
#  1. from inside the installation directory, driven through every page (the
#     close box and Cancel answered No, Back, then Continue and OK): the tree
#     and the registry items go, and after the copy's "-u" pass the
#     uninstaller's own file and directories too; screenshots of the pages;
#  2. from outside the directory: everything goes at once and no copy starts;
#  3. Cancel on page 2 answered Yes: nothing is deleted;
#  4. a relative installation path: nothing is deleted, the registry items
#     stay and page 3 still shows;
#  5. a table of recorded paths, each run straight through the pages: other
#     spellings of system directories delete nothing and keep the registry
#     items; odd spellings of the installation directory, a REG_EXPAND_SZ
#     value and names outside the ANSI code page delete the installation and
#     nothing else; a link in the tree to a canary directory is never
#     followed. Wine cannot make junctions (mklink /J fails) and shows a
#     POSIX link to a directory as a directory reparse point, which it then
#     cannot remove: the walk stops at the link, the registry items go. A
#     canary directory beside the installation, and each system directory a
#     row names, must come through unchanged.
# Exits 77 (skipped) when Wine, xvfb-run or the programs are missing, or when
# this Wine cannot run programs of the build at all.
set -euo pipefail

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

[ $# -eq 3 ] || { echo "usage: wine_e2e.sh <Windows bin directory> <work directory> <screenshot directory>"; exit 2; }
bin=$1 work=$2 shots=$3
wine=${FILTERS_WINE:-wine}

[ -n "$bin" ] || skip "no Windows build configured (FILTERS_WINDOWS_BIN_DIR)"
[ -f "$bin/uninstallkv.exe" ] && [ -f "$bin/uninstall_driver.exe" ] || skip "uninstallkv.exe or uninstall_driver.exe not built in $bin"
command -v "$wine" >/dev/null || skip "wine is not installed"
command -v xvfb-run >/dev/null || skip "xvfb-run is not installed"

# One virtual X display for the whole test.
if [ -z "${UNINSTALL_E2E_DISPLAY:-}" ]; then
  exec env UNINSTALL_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

bin=$(cd "$bin" && pwd)
export WINEPREFIX=${FILTERS_WINE_PREFIX:-$work/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$WINEPREFIX")"
timeout 300 "$wine" --version >/dev/null 2>&1 || skip "wine does not run on this machine"
wineserver -p 2>/dev/null || true
# The driver without arguments prints its usage and exits with 2: proof that Wine runs this build.
set +e
timeout 300 "$wine" "$bin/uninstall_driver.exe" >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 2 ] || skip "this Wine cannot run the programs in $bin (status $status)"

# A 32-bit uninstaller on a 64-bit prefix sees the 32-bit registry view.
pe_offset=$(od -An -tu4 -j60 -N4 "$bin/uninstallkv.exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$bin/uninstallkv.exe" | tr -d ' ')
view=(); [ "$machine" = 014c ] && view=(/reg:32)

winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); printf 'Z:%s' "${p//\//\\}"; }
reg() { "$wine" reg "$@" "${view[@]}" >/dev/null 2>&1; }

rm -rf "$work"
mkdir -p "$work" "$shots" "$work/Temp Files"
filters_key='HKLM\Software\Velmora\Filters'
vendor_key='HKLM\Software\Velmora'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KVFilters'
uninstall_values=(HelpLink Publisher Contact UninstallString DisplayName)
# The uninstaller's temporary directory, with a space: its copy must still start.
temp_directory="$work/Temp Files"
temp_copy_unix="$temp_directory/uninstallkv.exe"

cleanup() {
  reg delete "$filters_key" /f || true
  reg delete "$vendor_key" /f || true
  reg delete "$uninstall_key" /f || true
}
trap cleanup EXIT

# An installation directory with files, subdirectories, an empty directory and,
# when given, the uninstaller itself in bin\.
make_installation() {
  local install=$1 with_uninstaller=$2
  mkdir -p "$install/bin" "$install/docs/empty" "$install/folio"
  printf 'MZ filter\n' >"$install/bin/Bmpload.exe"
  printf 'MZ filter\n' >"$install/bin/Gifload.exe"
  printf 'width:80\n' >"$install/folio/folioload.txt"
  printf 'Read me\n' >"$install/docs/readme.txt"
  printf 'Licence\n' >"$install/licence.txt"
  if [ "$with_uninstaller" = yes ]; then cp "$bin/uninstallkv.exe" "$install/bin/uninstallkv.exe"; fi
  # A neighbour that merely starts like the installation's name must survive.
  mkdir -p "$install-data" && printf 'keep\n' >"$install-data/keep.txt"
}

register() {
  local install=$1
  reg add "$filters_key" /ve /d "$(winpath "$install")" /f || fail "cannot write $filters_key"
  register_items
}

register_items() {
  reg add "$filters_key" /v Version /d 1.0 /f
  local value
  for value in "${uninstall_values[@]}"; do
    reg add "$uninstall_key" /v "$value" /d "$value text" /f || fail "cannot write $uninstall_key"
  done
  reg add "$uninstall_key" /v Comments /d "left by the installer" /f
}

key_exists() { reg query "$1"; }
value_exists() { reg query "$1" /v "$2"; }

listing() { (cd "$1" && find . | LC_ALL=C sort); }

# Runs the driver on its own virtual desktop and waits for its report.
drive() {
  local scenario=$1 uninstaller=$2 shot_dir=$3
  local report=$work/report-$scenario.txt
  rm -f "$report"
  "$wine" explorer /desktop=uninstall,640x480 "$bin/uninstall_driver.exe" "$(winpath "$report")" \
    "$shot_dir" "$scenario" "$(winpath "$uninstaller")" "$(winpath "$temp_directory")" >/dev/null 2>&1 &
  local waited=0
  until grep -q '^result:' "$report" 2>/dev/null; do
    sleep 1
    waited=$((waited + 1))
    [ $waited -lt 180 ] || fail "the driver did not finish ($scenario); report: $(cat "$report" 2>/dev/null)"
  done
  sed 's/^/  driver: /' "$report"
  grep -q '^result: ok' "$report" || fail "the driver failed ($scenario)"
}

wait_gone() {
  local path=$1 waited=0
  while [ -e "$path" ]; do
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -lt 60 ] || return 1
  done
}

echo "1. from inside the installation directory"
install="$work/Program Files/Velmora Filters"
make_installation "$install" yes
register "$install"
rm -f "$temp_copy_unix"
drive finish "$install/bin/uninstallkv.exe" "$(winpath "$shots")"
key_exists "$filters_key" && fail "$filters_key is still there"
key_exists "$uninstall_key" && fail "$uninstall_key is still there"
key_exists "$vendor_key" || fail "$vendor_key, which the uninstaller does not own, went"
wait_gone "$install" || fail "the copy's pass left $(listing "$install" | tr '\n' ' ')"
[ "$(listing "$install-data")" = "$(printf '.\n./keep.txt')" ] || fail "the neighbouring directory changed"
wait_gone "$temp_copy_unix" || fail "the temporary copy was not deleted when it ended"

echo "2. from outside the installation directory"
install="$work/Program Files/Velmora Filters"
outside="$work/elsewhere/uninstallkv.exe"
make_installation "$install" no
mkdir -p "$(dirname "$outside")" && cp "$bin/uninstallkv.exe" "$outside"
register "$install"
rm -f "$temp_copy_unix"
drive finish "$outside" -
[ -e "$install" ] && fail "the installation directory is still there: $(listing "$install" | tr '\n' ' ')"
[ -f "$outside" ] || fail "the uninstaller outside the directory went"
[ -e "$temp_copy_unix" ] && fail "a copy was started although nothing was deferred"
key_exists "$filters_key" && fail "$filters_key is still there"

echo "3. Cancel answered Yes"
make_installation "$install" yes
register "$install"
before=$(listing "$install")
drive cancel "$install/bin/uninstallkv.exe" -
sleep 2
[ "$(listing "$install")" = "$before" ] || fail "files changed after Cancel: $(listing "$install" | tr '\n' ' ')"
value_exists "$filters_key" "Version" || fail "$filters_key went after Cancel"
for value in "${uninstall_values[@]}"; do
  value_exists "$uninstall_key" "$value" || fail "$uninstall_key\\$value went after Cancel"
done

registry_kept() {
  value_exists "$filters_key" Version || fail "$filters_key went ($1)"
  for value in "${uninstall_values[@]}"; do
    value_exists "$uninstall_key" "$value" || fail "$uninstall_key\\$value went ($1)"
  done
}

registry_gone() {
  key_exists "$filters_key" && fail "$filters_key is still there ($1)"
  key_exists "$uninstall_key" && fail "$uninstall_key is still there ($1)"
  return 0
}

echo "4. a relative installation path deletes nothing and keeps the registry items"
# Were the path taken as it stands, it would name this directory beside the uninstaller's working directory.
relative="$work/current/Velmora Filters"
make_installation "$relative" no
before=$(listing "$relative")
register "$relative"
reg add "$filters_key" /ve /d "Velmora Filters" /f || fail "cannot write $filters_key"
(cd "$work/current" && drive finish "$outside" -) || exit 1
[ "$(listing "$relative")" = "$before" ] || fail "a relative path was deleted: $(listing "$relative" | tr '\n' ' ')"
registry_kept "relative path"

echo "5. recorded paths in every spelling"
drive_c=$WINEPREFIX/drive_c
user=$(id -un)
install="$work/Velmora Filters"
canary="$work/canary"
mkdir -p "$canary/inner" && printf 'keep\n' >"$canary/keep.txt" && printf 'keep\n' >"$canary/inner/keep.txt"
canary_before=$(listing "$canary"; cat "$canary/keep.txt" "$canary/inner/keep.txt")
install_win=$(winpath "$install")
# name | type | value | uninstaller inside or outside | installation gone, kept, or left at the link | system directory the value names
rows=(
  "windows-dot|REG_SZ|C:\\windows.|outside|kept|$drive_c/windows"
  "device-path|REG_SZ|\\\\.\\C:\\windows|outside|kept|$drive_c/windows"
  "profile|REG_SZ|C:\\users\\$user|outside|kept|$drive_c/users/$user"
  "program-files|REG_SZ|C:\\Program Files|outside|kept|$drive_c/Program Files"
  "trailing-separators|REG_SZ|$install_win\\\\|outside|gone|"
  "forward-slashes|REG_SZ|${install_win//\\//}|inside|gone|"
  "expandable|REG_EXPAND_SZ|%TEMP%\\Velmora Filters|outside|gone|"
  "non-ansi-names|REG_SZ|$install_win|outside|gone|"
  "link-to-canary|REG_SZ|$install_win|outside|link-kept|"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name type value from outcome system <<<"$row"
  echo "  $name: $value"
  target=$install
  [ "$type" = REG_EXPAND_SZ ] && target="$temp_directory/Velmora Filters"
  rm -rf "$install" "$target"
  make_installation "$target" "$([ "$from" = inside ] && echo yes || echo no)"
  case $name in
    non-ansi-names) mkdir -p "$target/Ωmega" && printf 'x\n' >"$target/日本語.txt" && printf 'x\n' >"$target/Ωmega/ü.txt" ;;
    link-to-canary) ln -s "$canary" "$target/docs/link" ;;
  esac
  if [ -n "$system" ]; then printf 'keep\n' >"$system/kv-canary.txt"; fi
  system_before=""
  if [ -n "$system" ]; then system_before=$(find "$system" -maxdepth 2 | LC_ALL=C sort); fi
  before=$(listing "$target")
  reg add "$filters_key" /ve /t "$type" /d "$value" /f || fail "cannot write $filters_key"
  register_items
  uninstaller=$outside
  [ "$from" = inside ] && uninstaller="$target/bin/uninstallkv.exe"
  drive straight "$uninstaller" -
  if [ "$outcome" = gone ]; then
    wait_gone "$target" || fail "$name: the installation is still there: $(listing "$target" | tr '\n' ' ')"
    registry_gone "$name"
  elif [ "$outcome" = link-kept ]; then
    [ "$(readlink "$target/docs/link")" = "$canary" ] || fail "$name: the link went or changed"
    registry_gone "$name"
  else
    [ "$(listing "$target")" = "$before" ] || fail "$name: the installation changed: $(listing "$target" | tr '\n' ' ')"
    registry_kept "$name"
  fi
  if [ -n "$system" ]; then
    [ "$(find "$system" -maxdepth 2 | LC_ALL=C sort)" = "$system_before" ] || fail "$name: $system changed"
    rm -f "$system/kv-canary.txt"
  fi
  [ "$(listing "$canary"; cat "$canary/keep.txt" "$canary/inner/keep.txt")" = "$canary_before" ] || fail "$name: the canary changed"
  [ "$(listing "$target-data")" = "$(printf '.\n./keep.txt')" ] || fail "$name: the neighbouring directory changed"
  reg delete "$filters_key" /f || true
  reg delete "$uninstall_key" /f || true
done

# The page screenshots, as PNG beside the driver's BMPs.
if command -v convert >/dev/null; then
  for page in page1 page2 page3; do
    [ -f "$shots/$page.bmp" ] && convert "$shots/$page.bmp" "$shots/$page.png"
  done
fi
ls "$shots"
echo "uninstallkv end-to-end: all checks passed"
