#!/usr/bin/env bash
# Builds every program (native, and the 32-bit Windows product) and converts
# the bundled samples in samples/ with the native build, printing what it made.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc)}

./scripts/install-deps.sh
if [ -x scripts/build-windows-deps.sh ]; then ./scripts/build-windows-deps.sh; fi
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" >/dev/null

bin=$root/build/native/bin
out=$root/build/demo
rm -rf "$out"
mkdir -p "$out"

convert_one() { # program input output
  local program=$1 input=$2 output=$3
  if [ ! -x "$bin/$program" ]; then return; fi
  if "$bin/$program" "$input" "$output" >"$out/.stdout" 2>"$out/.stderr"; then
    printf '  %-9s %-40s -> %s (%d bytes)\n' "$program" "${input#$root/}" "${output#$root/}" "$(stat -c %s "$output")"
  else
    printf '  %-9s %-40s FAILED: %s\n' "$program" "${input#$root/}" "$(tr '\r\n' '  ' < "$out/.stderr")"
    return 1
  fi
}

echo "Converting the samples in samples/ into build/demo/:"
status=0
shopt -s nullglob nocaseglob
for f in samples/*.bmp; do convert_one Bmpload "$root/$f" "$out/$(basename "${f%.*}").draw" || status=1; done
for f in samples/*.gif; do convert_one Gifload "$root/$f" "$out/$(basename "${f%.*}").draw" || status=1; done
for f in samples/*.pcx; do convert_one Pcxload "$root/$f" "$out/$(basename "${f%.*}").draw" || status=1; done
for f in samples/*.png; do convert_one Pngload "$root/$f" "$out/$(basename "${f%.*}").draw" || status=1; done
for f in samples/*.ddf; do convert_one Markload "$root/$f" "$out/$(basename "${f%.*}").ddl" || status=1; done
# Impression documents: single files (file type suffix ".bc5") and document directories.
for f in samples/*.bc5; do convert_one Folioload "$root/$f" "$out/$(basename "${f%.*}")-file.ddl" || status=1; done
for d in samples/*/; do
  if [ -e "$d/!DocData.d87" ] || [ -e "$d/!DocData,d87" ]; then
    convert_one Folioload "$root/${d%/}" "$out/$(basename "$d")-directory.ddl" || status=1
  fi
done
echo "Windows programs (32-bit) are in build/windows/bin/: $(cd build/windows/bin && ls *.exe | tr '\n' ' ')"
exit $status
