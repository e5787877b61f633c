#!/usr/bin/env bash
# End-to-end test of the Windows uninstallkv under Wine on a virtual display:
#   wine_e2e.sh <Windows bin directory> <work directory> <screenshot directory>
# The bin directory holds uninstallkv.exe; the driver, a test tool, is in
# test-bin/ beside it. The runs:
#  1. from inside the installation directory, driven through every page (the
#     close box and Cancel answered No, Back, then Continue and OK): the tree,
#     the registry items and the emptied vendor key go, and after the copy's
#     "-u" pass the uninstaller's own file and directories and the copy with
#     its directory too; screenshots of the pages;
#  2. from outside the directory: everything goes at once and no copy starts;
#     a vendor key that still holds another key stays;
#  3. Cancel on page 2 answered Yes: nothing is deleted, exit code 1602;
#  4. a relative installation path: nothing is deleted, the registry items
#     stay, page 3 says what is left and the exit code is 1603;
#  5. a table of recorded paths, each run straight through the pages: other
#     spellings of system directories delete nothing and keep the registry
#     items; odd spellings of the installation directory, a REG_EXPAND_SZ
#     value and names outside the ANSI code page delete the installation and
#     nothing else; a link in the tree to a canary directory is never
#     followed. Wine cannot make junctions (mklink /J fails) and shows a
#     POSIX link to a directory as a directory reparse point, which it then
#     cannot remove: the link is scheduled for deletion at restart, the
#     registry items go and page 3 says so. A canary directory beside the
#     installation, and each system directory a row names, must come through
#     unchanged;
#  6. what a user can plant at %TEMP%\uninstallkv.exe (a hard link and a
#     symbolic link to a canary, a directory, a read-only file): the canary
#     and the plant stay unchanged, and removal completes;
#  7. a Unicode installation folder holding read-only, hidden system, long
#     and dot- and space-ended names, removed by an uninstaller started with
#     its bin folder as the current directory: everything goes;
#  8. a file held open by another program: everything else goes, the file
#     and its folders are scheduled for deletion at restart, the registry
#     items go, page 3 says so and the exit code is 3010;
#  9. "/S": no window, exit code 0, nothing left.
# Exits 77 (skipped) only when no Windows build is configured; once one is,
# a missing program, Wine or xvfb-run fails the test.
set -euo pipefail

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

[ $# -eq 3 ] || { echo "usage: wine_e2e.sh <Windows bin directory> <work directory> <screenshot directory>"; exit 2; }
bin=$1 work=$2 shots=$3
wine=${FILTERS_WINE:-wine}

[ -n "$bin" ] || skip "no Windows build configured (FILTERS_WINDOWS_BIN_DIR)"
driver=$bin/../test-bin/uninstall_driver.exe
[ -f "$bin/uninstallkv.exe" ] || fail "uninstallkv.exe is not built in $bin"
[ -f "$driver" ] || fail "uninstall_driver.exe is not built beside $bin (test-bin/)"
command -v "$wine" >/dev/null || fail "$wine is not installed (run scripts/install-deps.sh)"
command -v xvfb-run >/dev/null || fail "xvfb-run is not installed (run scripts/install-deps.sh)"

# One virtual X display for the whole test.
if [ -z "${UNINSTALL_E2E_DISPLAY:-}" ]; then
  exec env UNINSTALL_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

bin=$(cd "$bin" && pwd)
driver=$(cd "$(dirname "$driver")" && pwd)/uninstall_driver.exe
export WINEPREFIX=${FILTERS_WINE_PREFIX:-$work/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine reads command lines in the locale's character set: UTF-8, for the Unicode folder.
export LC_ALL=C.UTF-8
mkdir -p "$(dirname "$WINEPREFIX")"
timeout 300 "$wine" --version >/dev/null 2>&1 || fail "$wine does not run on this machine (run scripts/install-deps.sh)"
# The driver without arguments prints its usage and exits with 2: proof that Wine runs this build.
set +e
timeout 300 "$wine" "$driver" >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 2 ] || fail "this Wine cannot run the programs in $bin (status $status)"

# A 32-bit uninstaller on a 64-bit prefix sees the 32-bit registry view.
pe_offset=$(od -An -tu4 -j60 -N4 "$bin/uninstallkv.exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$bin/uninstallkv.exe" | tr -d ' ')
view=(); [ "$machine" = 014c ] && view=(/reg:32)

winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); printf 'Z:%s' "${p//\//\\}"; }
reg() { "$wine" reg "$@" "${view[@]}" >/dev/null 2>&1; }
pending_key='HKLM\System\CurrentControlSet\Control\Session Manager'
pending() { "$wine" reg query "$pending_key" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r'; }

rm -rf "$work"
mkdir -p "$work" "$shots" "$work/Temp Files"
filters_key='HKLM\Software\Velmora\Filters'
vendor_key='HKLM\Software\Velmora'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KVFilters'
uninstall_values=(HelpLink Publisher Contact UninstallString DisplayName)
# The uninstaller's temporary directory, with a space: its copy must still start.
temp_directory="$work/Temp Files"
# The copy goes into a directory of its own there, which goes with it.
copy_gone() { ! ls "$temp_directory" | grep -q '^uninstallkv-'; }

cleanup() {
  reg delete "$filters_key" /f || true
  reg delete "$vendor_key" /f || true
  reg delete "$uninstall_key" /f || true
  "$wine" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
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
  "$wine" explorer /desktop=uninstall,640x480 "$driver" "$(winpath "$report")" \
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

# Runs the command after it every half second until it succeeds, for at most 30 seconds.
within_30s() {
  local waited=0
  until "$@"; do
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -lt 60 ] || return 1
  done
}
absent() { [ ! -e "$1" ] && [ ! -L "$1" ]; }
wait_gone() { within_30s absent "$1"; }

echo "1. from inside the installation directory"
install="$work/Program Files/Velmora Filters"
make_installation "$install" yes
register "$install"
drive finish "$install/bin/uninstallkv.exe" "$(winpath "$shots")"
key_exists "$filters_key" && fail "$filters_key is still there"
key_exists "$uninstall_key" && fail "$uninstall_key is still there"
key_exists "$vendor_key" && fail "the empty $vendor_key is still there"
wait_gone "$install" || fail "the copy's pass left $(listing "$install" | tr '\n' ' ')"
[ "$(listing "$install-data")" = "$(printf '.\n./keep.txt')" ] || fail "the neighbouring directory changed"
within_30s copy_gone || fail "the temporary copy was not deleted when it ended: $(ls "$temp_directory")"

echo "2. from outside the installation directory"
install="$work/Program Files/Velmora Filters"
outside="$work/elsewhere/uninstallkv.exe"
make_installation "$install" no
mkdir -p "$(dirname "$outside")" && cp "$bin/uninstallkv.exe" "$outside"
register "$install"
reg add "$vendor_key\Other" /v Kept /d yes /f || fail "cannot write $vendor_key\Other"
drive finish "$outside" -
[ -e "$install" ] && fail "the installation directory is still there: $(listing "$install" | tr '\n' ' ')"
[ -f "$outside" ] || fail "the uninstaller outside the directory went"
copy_gone || fail "a copy was started although nothing was deferred"
key_exists "$filters_key" && fail "$filters_key is still there"
value_exists "$vendor_key\Other" Kept || fail "$vendor_key went although it holds another key"
reg delete "$vendor_key" /f

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
(cd "$work/current" && drive left "$outside" -) || exit 1
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
  case $outcome in gone) scenario=straight ;; link-kept) scenario=restart ;; *) scenario=left ;; esac
  drive "$scenario" "$uninstaller" -
  if [ "$outcome" = gone ]; then
    wait_gone "$target" || fail "$name: the installation is still there: $(listing "$target" | tr '\n' ' ')"
    registry_gone "$name"
  elif [ "$outcome" = link-kept ]; then
    [ "$(readlink "$target/docs/link")" = "$canary" ] || fail "$name: the link went or changed"
    pending | grep -qF 'docs\link' || fail "$name: the link is not scheduled for deletion at restart: $(pending)"
    registry_gone "$name"
    "$wine" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
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

echo "6. what a user plants where the copy would go"
plant="$temp_directory/uninstallkv.exe"
for kind in hard-link symbolic-link directory read-only-file; do
  echo "  $kind"
  rm -rf "$install" "$plant"
  make_installation "$install" yes
  register "$install"
  printf 'keep\n' >"$canary/keep.txt"
  case $kind in
    hard-link) ln "$canary/keep.txt" "$plant" ;;
    symbolic-link) ln -s "$canary/keep.txt" "$plant" ;;
    directory) mkdir "$plant" && printf 'keep\n' >"$plant/keep.txt" ;;
    read-only-file) printf 'keep\n' >"$plant" && chmod a-w "$plant" ;;
  esac
  plant_before=$(ls -l --time-style=+ "$plant"; [ -d "$plant" ] && cat "$plant/keep.txt" || cat "$plant")
  drive straight "$install/bin/uninstallkv.exe" -
  wait_gone "$install" || fail "$kind: the copy's pass left $(listing "$install" | tr '\n' ' ')"
  within_30s copy_gone || fail "$kind: the temporary copy stayed: $(ls "$temp_directory")"
  registry_gone "$kind"
  [ "$(listing "$canary"; cat "$canary/keep.txt" "$canary/inner/keep.txt")" = "$canary_before" ] || fail "$kind: the canary changed"
  [ "$(ls -l --time-style=+ "$plant"; [ -d "$plant" ] && cat "$plant/keep.txt" || cat "$plant")" = "$plant_before" ] ||
    fail "$kind: what was planted changed"
  chmod -R u+w "$plant" 2>/dev/null || true
  rm -rf "$plant"
done

echo "7. a Unicode folder of read-only, hidden, long and oddly ended names, from its own bin folder"
ascii="$work/odd-names"
unicode="$work/Ωmega 日本"
rm -rf "$ascii" "$unicode"
make_installation "$ascii" yes
long="$ascii/$(printf 'l%.0s' {1..120})/$(printf 'm%.0s' {1..120})/$(printf 'n%.0s' {1..120})"
mkdir -p "$long" "$ascii/dot-dir." "$ascii/space-dir " && printf 'x\n' >"$long/deep.txt"
printf 'x\n' >"$ascii/name." && printf 'x\n' >"$ascii/name " && printf 'x\n' >"$ascii/dot-dir./in.txt"
printf 'x\n' >"$ascii/space-dir /in.txt" && printf 'x\n' >"$ascii/hidden.sys" && printf 'x\n' >"$ascii/locked.txt"
"$wine" cmd /c attrib +h +s "$(winpath "$ascii/hidden.sys")" >/dev/null 2>&1
"$wine" cmd /c attrib +r "$(winpath "$ascii/locked.txt")" >/dev/null 2>&1
"$wine" cmd /c attrib +r "$(winpath "$ascii/docs")" >/dev/null 2>&1
mv "$ascii" "$unicode"
mv "$ascii-data" "$unicode-data"
register "$unicode"
UNINSTALL_DIRECTORY=$(winpath "$unicode/bin") drive straight "$unicode/bin/uninstallkv.exe" -
wait_gone "$unicode" || fail "the Unicode folder kept $(listing "$unicode" | tr '\n' ' ')"
registry_gone unicode
within_30s copy_gone || fail "the temporary copy stayed: $(ls "$temp_directory")"
[ "$(listing "$unicode-data")" = "$(printf '.\n./keep.txt')" ] || fail "the neighbouring directory changed"
rm -rf "$unicode-data"

echo "8. a file held open by another program"
make_installation "$install" yes
register "$install"
UNINSTALL_HOLD=$(winpath "$install/docs/readme.txt") drive restart "$install/bin/uninstallkv.exe" -
left_over() { [ "$(listing "$install")" = "$(printf '.\n./docs\n./docs/readme.txt')" ]; }
within_30s left_over || fail "the held file's removal left $(listing "$install" | tr '\n' ' ')"
registry_gone held
for scheduled in 'docs\readme.txt' 'Velmora Filters\docs' 'Velmora Filters'; do
  pending | grep -qF "$scheduled" || fail "$scheduled is not scheduled for deletion at restart: $(pending)"
done
"$wine" reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1
rm -rf "$install"

echo "9. silent removal"
make_installation "$install" yes
register "$install"
drive silent "$install/bin/uninstallkv.exe" -
wait_gone "$install" || fail "silent removal left $(listing "$install" | tr '\n' ' ')"
registry_gone silent
within_30s copy_gone || fail "the temporary copy stayed: $(ls "$temp_directory")"

# The page screenshots, as PNG beside the driver's BMPs.
if command -v convert >/dev/null; then
  for page in page1 page2 page3; do
    [ -f "$shots/$page.bmp" ] && convert "$shots/$page.bmp" "$shots/$page.png"
  done
fi
ls "$shots"
echo "uninstallkv end-to-end: all checks passed"
