#!/usr/bin/env bash
# The setup program's whole life cycle under Wine on a virtual display:
#   wine_e2e.sh <setup.exe> <Windows bin directory> <winhost.exe> <uninstall_driver.exe>
#               <native bin directory> <samples directory> <work directory>
# 0. a silent install is refused, with a non-zero exit code and nothing
#    written, into a folder that holds other files, a folder inside the Windows
#    directory, a known folder, and a relative path; the setup program carries
#    its version;
# 1. a silent install into a folder under Program Files whose path has spaces
#    writes the seven programs and exactly the registry items the uninstaller
#    removes, with the uninstall entry's values administrators expect; Wine's
#    uninstaller lists the filter set; installing again updates it in place,
#    and a second folder while it is installed is refused;
# 2. each installed converter, started through the test host, writes the same
#    bytes as the native build;
# 3. the uninstaller started from the registry's UninstallString and driven
#    through its pages removes the folder, the items and the emptied vendor
#    key; its temporary copy ends, and a canary beside the folder stays as it was;
# 4. a second install after the removal goes to the default folder.
# Exits 77 (skipped) only when no Windows build is configured; once one is,
# a missing program, Wine or xvfb-run fails the test.
set -euo pipefail

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

[ $# -eq 7 ] || { echo "usage: wine_e2e.sh <setup.exe> <Windows bin directory> <winhost.exe> <uninstall_driver.exe> <native bin directory> <samples directory> <work directory>"; exit 2; }
setup=$1 windows_bin=$2 host=$3 driver=$4 native_bin=$5 samples=$6 work=$7
wine=${FILTERS_WINE:-wine}

[ -n "$windows_bin" ] || skip "no Windows build configured (FILTERS_WINDOWS_BIN_DIR)"
for file in "$setup" "$host" "$driver"; do [ -f "$file" ] || fail "$file is not built (makensis comes with scripts/install-deps.sh)"; done
for tool in "$wine" xvfb-run; do command -v "$tool" >/dev/null || fail "$tool is not installed (run scripts/install-deps.sh)"; done

if [ -z "${INSTALLER_E2E_DISPLAY:-}" ]; then
  exec env INSTALLER_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

export WINEPREFIX=${FILTERS_WINE_PREFIX:-$work/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$WINEPREFIX")"
timeout 300 "$wine" --version >/dev/null 2>&1 || fail "$wine does not run on this machine (run scripts/install-deps.sh)"
wineserver -p >/dev/null 2>&1 || true
# Wine's services start with the first program and keep its standard error,
# which must not be the pipe ctest waits on.
"$wine" cmd /c exit </dev/null >/dev/null 2>&1 || fail "wine cannot start programs on this prefix"

rm -rf "$work"
mkdir -p "$work/out" "$work/Temp Files"
work=$(cd "$work" && pwd)

winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); printf 'Z:%s' "${p//\//\\}"; }
crlf() { tr -d '\r'; }
listing() { (cd "$1" && find . | LC_ALL=C sort); }
step() { echo "$* (at ${SECONDS} s)"; }
# Runs the command after the count once a second until it succeeds, at most that many seconds.
within() {
  local seconds=$1
  shift
  until "$@"; do
    [ $((seconds -= 1)) -gt 0 ] || return 1
    sleep 1
  done
}

# The setup program is 32-bit, so it and the uninstaller see the 32-bit registry view.
filters_key='HKLM\Software\Velmora\Filters'
vendor_key='HKLM\Software\Velmora'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KVFilters'
reg32() { "$wine" reg "$@" /reg:32 2>/dev/null | crlf; }
key_exists() { "$wine" reg query "$1" /reg:32 >/dev/null 2>&1; }

program_files=$("$wine" cmd /c 'echo %ProgramFiles%' | crlf)
program_files_unix=$("$wine" winepath -u "$program_files" | crlf)
[ -d "$program_files_unix" ] || fail "cannot find $program_files ($program_files_unix)"
install="$program_files\\Velmora Filters Test"
install_unix="$program_files_unix/Velmora Filters Test"
default_install="$program_files\\Velmora Filters"
default_install_unix="$program_files_unix/Velmora Filters"
canary_unix="$program_files_unix/Velmora Filters Test-data"
programs=(Bmpload Gifload Pcxload Pngload Folioload Markload uninstallkv)

cleanup() {
  "$wine" reg delete "$vendor_key" /f /reg:32 >/dev/null 2>&1 || true
  "$wine" reg delete "$uninstall_key" /f /reg:32 >/dev/null 2>&1 || true
  rm -rf "$install_unix" "$default_install_unix" "$canary_unix"
}
cleanup
trap cleanup EXIT
mkdir -p "$canary_unix" && printf 'keep\n' >"$canary_unix/keep.txt"
canary_before=$(listing "$canary_unix"; cat "$canary_unix/keep.txt")

# Runs the setup program silently as cmd would, with /D= unquoted as it must be; prints the exit code.
run_setup() {
  local status=0
  (cd "$(dirname "$setup")" && "$wine" cmd /c "$(basename "$setup") /S $*" >/dev/null 2>&1) || status=$?
  echo "$status"
}

# The registry's Software part (both views) and every user's hive, one line per
# value prefixed by its key, sorted: two snapshots compare with comm. Wine's
# own scratch key for a virtual desktop's settings is left out.
snapshot() {
  local name=$1
  "$wine" reg export 'HKLM\Software' "$(winpath "$work/$name-hklm.reg")" /reg:64 /y >/dev/null 2>&1 || fail "reg export failed"
  "$wine" reg export HKU "$(winpath "$work/$name-hku.reg")" /y >/dev/null 2>&1 || fail "reg export failed"
  cat "$work/$name-hklm.reg" "$work/$name-hku.reg" | iconv -f UTF-16LE -t UTF-8 | crlf |
    awk '/^\[/ { key = $0; print key; next } NF && key != "" { print key "\t" $0 }' |
    grep -vF '\Software\Wine\Temporary System Parameters' | LC_ALL=C sort >"$work/$name.lines"
}
# Lines added (+) and removed (-) between two snapshots.
registry_change() {
  LC_ALL=C comm -13 "$work/$1.lines" "$work/$2.lines" | sed 's/^/+/'
  LC_ALL=C comm -23 "$work/$1.lines" "$work/$2.lines" | sed 's/^/-/'
}
# Where a 64-bit prefix keeps the 32-bit view.
software='HKEY_LOCAL_MACHINE\Software'
if "$wine" reg query 'HKLM\Software\Wow6432Node' /reg:64 >/dev/null 2>&1; then software+='\Wow6432Node'; fi

version=$(sed -n 's/^project(RiscosFilters VERSION \([0-9.]*\) .*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
[ -n "$version" ] || fail "no project version in CMakeLists.txt"

# The two keys as `reg query` shows them after an install into $1, the
# uninstall entry's estimated size left out (checked apart).
expected_keys() {
  cat <<EOF

HKEY_LOCAL_MACHINE\Software\Velmora\Filters
    (Default)    REG_SZ    $1


HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\KVFilters
    Contact    REG_SZ    Velmora
    DisplayIcon    REG_SZ    $1\uninstallkv.exe,0
    DisplayName    REG_SZ    Velmora's Filters
    DisplayVersion    REG_SZ    $version
    HelpLink    REG_SZ    Velmora
    InstallLocation    REG_SZ    $1
    NoModify    REG_DWORD    0x1
    NoRepair    REG_DWORD    0x1
    Publisher    REG_SZ    Velmora
    QuietUninstallString    REG_SZ    "$1\uninstallkv.exe" /S
    UninstallString    REG_SZ    "$1\uninstallkv.exe"
EOF
}
registry_keys() { reg32 query "$filters_key"; reg32 query "$uninstall_key" | grep -v '^    EstimatedSize '; }
# The estimated size in KB is the installed programs' size.
check_estimated_size() {
  local stated expected
  stated=$(reg32 query "$uninstall_key" /v EstimatedSize | sed -n 's/^    EstimatedSize    REG_DWORD    //p')
  expected=$(( $(cat "$1"/*.exe | wc -c) / 1024 ))
  [ -n "$stated" ] && [ $((stated)) -ge $((expected - 8)) ] && [ $((stated)) -le $((expected + 8)) ] ||
    fail "EstimatedSize is ${stated:-missing}, not about $expected KB"
}
nothing_written() {
  key_exists "$filters_key" && fail "a refused install ($1) wrote $filters_key"
  key_exists "$uninstall_key" && fail "a refused install ($1) wrote $uninstall_key"
  return 0
}

# The folder holds the seven programs of this build and nothing else.
check_files() {
  local folder=$1 program
  [ "$(listing "$folder")" = "$(printf '.\n'; printf './%s.exe\n' "${programs[@]}" | LC_ALL=C sort)" ] ||
    fail "$folder holds $(listing "$folder" | tr '\n' ' ')"
  for program in "${programs[@]}"; do
    cmp -s "$folder/$program.exe" "$windows_bin/$program.exe" || fail "$folder/$program.exe differs from the build's"
  done
}

snapshot before

step "0. folders the filters may not own are refused"
# The version resource holds the key and its value as UTF-16 strings, one after the other.
python3 -c 'import sys; sys.exit(("ProductVersion\0" + sys.argv[2] + "\0").encode("utf-16-le") not in open(sys.argv[1], "rb").read())' \
  "$setup" "$version" || fail "the setup program carries no product version $version"
windows=$("$wine" cmd /c 'echo %windir%' | crlf)
documents="$("$wine" cmd /c 'echo %USERPROFILE%' | crlf)\Documents"
windows_unix=$("$wine" winepath -u "$windows" | crlf)
windows_before=$(ls "$windows_unix")
# folder | what it is
refused=(
  "$program_files\Velmora Filters Test-data|a folder that holds other files"
  "$windows\Velmora Filters|a folder inside the Windows directory"
  "$windows|the Windows directory"
  "$documents|a known folder"
  "Velmora Filters|a relative path"
)
for row in "${refused[@]}"; do
  IFS='|' read -r folder what <<<"$row"
  status=$(run_setup "/D=$folder")
  [ "$status" != 0 ] || fail "setup installed into $what ($folder)"
  nothing_written "$what"
done
[ "$(listing "$canary_unix"; cat "$canary_unix/keep.txt")" = "$canary_before" ] || fail "the refused folder changed"
[ "$(ls "$windows_unix")" = "$windows_before" ] || fail "a refused install wrote into $windows"

step "1. silent install into $install"
status=$(run_setup "/D=$install")
[ "$status" = 0 ] || fail "the setup program's exit code is $status"
check_files "$install_unix"
[ "$(registry_keys)" = "$(expected_keys "$install")" ] ||
  fail "the registry holds: $(registry_keys)"
check_estimated_size "$install_unix"
snapshot installed
added=$(registry_change before installed)
expected_added=$(printf '+%s\n' "[$software\\Velmora]" "[$software\\Velmora\\Filters]" \
  "[$software\\Velmora\\Filters]	@=\"${install//\\/\\\\}\"" \
  "[$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters]" \
  "[$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters]	\"Contact\"=\"Velmora\"" \
  "[$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters]	\"DisplayName\"=\"Velmora's Filters\"" \
  "[$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters]	\"HelpLink\"=\"Velmora\"" \
  "[$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters]	\"Publisher\"=\"Velmora\"" \
  "[$software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KVFilters]	\"UninstallString\"=\"\\\"${install//\\/\\\\}\\\\uninstallkv.exe\\\"\"" |
  LC_ALL=C sort)
# The uninstall entry's other values are checked above; here, that nothing else changed.
added=$(grep -v 'KVFilters\]	"\(DisplayIcon\|DisplayVersion\|EstimatedSize\|InstallLocation\|NoModify\|NoRepair\|QuietUninstallString\)"=' <<<"$added")
[ "$added" = "$expected_added" ] || fail "the install changed the registry by:
$added
instead of:
$expected_added"
"$wine" uninstaller --list 2>/dev/null | crlf | grep -qxF "KVFilters|||Velmora's Filters" ||
  fail "Wine's uninstaller does not list the filter set: $("$wine" uninstaller --list 2>/dev/null)"

step "1b. installing again updates the installation in place"
printf 'old\n' >"$install_unix/Markload.exe"
status=$(run_setup)
[ "$status" = 0 ] || fail "the second setup's exit code is $status"
check_files "$install_unix"
[ ! -e "$default_install_unix" ] || fail "installing again went to the default folder"
[ "$(registry_keys)" = "$(expected_keys "$install")" ] || fail "installing again changed the registry: $(registry_keys)"

step "1c. a second folder while the filters are installed is refused"
status=$(run_setup "/D=$program_files\Velmora Filters Other")
[ "$status" != 0 ] || fail "setup installed into a second folder"
[ ! -e "$program_files_unix/Velmora Filters Other" ] || fail "the refused second folder was written"
[ "$(registry_keys)" = "$(expected_keys "$install")" ] || fail "the refused install changed the registry: $(registry_keys)"

step "2. the installed converters"
convert() { # program sample output
  local program=$1 sample=$2 output=$3
  local report=$work/out/$output.report
  "$wine" "$host" "$(winpath "$report")" "$install\\$program.exe" "$(winpath "$sample")" \
    "$(winpath "$work/out/$output")" >"$work/out/$output.stdout" 2>/dev/null || fail "the test host failed for $program"
  [ "$(crlf <"$report")" = 0 ] || fail "$program failed on $sample: $(crlf <"$report" | tr '\n' ' ')"
  "$native_bin/$program" "$sample" "$work/out/$output.native" >"$work/out/$output.native-stdout" ||
    fail "the native $program failed on $sample"
  cmp "$work/out/$output" "$work/out/$output.native" || fail "$program wrote other bytes than the native build for $sample"
  cmp "$work/out/$output.stdout" "$work/out/$output.native-stdout" || fail "$program printed other text than the native build"
  echo "  $program $(basename "$sample"): $(stat -c %s "$work/out/$output") bytes, as the native build"
}
convert Bmpload "$samples/bands-rle8.bmp" bands.draw
convert Gifload "$samples/checks-interlaced.gif" checks.draw
convert Pcxload "$samples/sunset-8bit.pcx" sunset.draw
convert Pngload "$samples/fade-rgba.png" fade.draw
convert Markload "$samples/sample.ddf" sample-ddf.ddl
convert Folioload "$samples/Sample.bc5" sample-file.ddl
convert Folioload "$samples/Sample" sample-directory.ddl

step "3. the uninstaller from the registry's UninstallString"
command_line=$(reg32 query "$uninstall_key" /v UninstallString | sed -n 's/^    UninstallString    REG_SZ    //p')
[ "$command_line" = "\"$install\\uninstallkv.exe\"" ] || fail "UninstallString is $command_line"
report=$work/report-uninstall.txt
temp_copies() { ls "$work/Temp Files" | grep '^uninstallkv-' || true; }
"$wine" explorer /desktop=installer,640x480 "$driver" "$(winpath "$report")" - finish "$command_line" \
  "$(winpath "$work/Temp Files")" >/dev/null 2>&1 &
driver_done() { grep -q '^result:' "$report" 2>/dev/null; }
within 180 driver_done || fail "the driver did not finish; report: $(cat "$report" 2>/dev/null)"
sed 's/^/  driver: /' "$report"
grep -q '^result: ok' "$report" || fail "the driver failed"
# The copy waits a second, removes the deferred paths and ends; the system then deletes its file.
all_gone() { [ ! -e "$install_unix" ] && [ -z "$(temp_copies)" ]; }
within 30 all_gone || fail "left behind: $(listing "$install_unix" 2>/dev/null | tr '\n' ' ') $(ls "$work/Temp Files")"
key_exists "$filters_key" && fail "$filters_key is still there"
key_exists "$uninstall_key" && fail "$uninstall_key is still there"
[ "$(listing "$canary_unix"; cat "$canary_unix/keep.txt")" = "$canary_before" ] || fail "the canary beside the folder changed"
snapshot removed
# The uninstaller removes the items it owns, and the vendor key they left empty.
left=$(registry_change before removed)
[ -z "$left" ] || fail "after the removal the registry differs by:
$left"
"$wine" uninstaller --list 2>/dev/null | crlf | grep -qF 'KVFilters' && fail "Wine's uninstaller still lists the filter set"

step "4. a second install after the removal goes to $default_install"
status=$(run_setup)
[ "$status" = 0 ] || fail "the setup program's exit code is $status"
check_files "$default_install_unix"
[ "$(registry_keys)" = "$(expected_keys "$default_install")" ] || fail "the registry holds: $(registry_keys)"
echo "setup end-to-end: all checks passed"
