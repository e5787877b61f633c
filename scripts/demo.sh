#!/usr/bin/env bash
# Builds the programs only (native, and the 32-bit Windows product), converts
# the bundled samples in samples/ with the native build into build/demo/, and
# writes a PNG preview beside every Draw file made and an HTML preview beside
# every DDL file, so the results can be looked at without RISC OS or the
# host. Installs only what this needs: no Wine, no test packages; tests and
# benchmarks are not built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-$(nproc)}
started=$(date +%s)

./scripts/install-deps.sh --demo
./scripts/build-windows-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target programs -j "$jobs" >/dev/null
cmake --preset demo >/dev/null
cmake --build --preset demo --target programs draw_preview ddl_preview -j "$jobs" >/dev/null

bin=$root/build/demo-native/bin
preview=$root/build/demo-native/tools/draw_preview
ddl_preview=$root/build/demo-native/tools/ddl_preview
out=$root/build/demo
rm -rf "$out"
mkdir -p "$out"

convert_one() { # program input output
  local program=$1 input=$2 output=$3
  if "$bin/$program" "$input" "$output" >"$out/.stdout" 2>"$out/.stderr"; then
    printf '  %-9s %-36s -> %s (%d bytes)\n' "$program" "${input#"$root"/}" "${output#"$root"/}" "$(stat -c %s "$output")"
  else
    printf '  %-9s %-36s FAILED: %s\n' "$program" "${input#"$root"/}" "$(tr '\r\n' '  ' <"$out/.stderr")"
    return 1
  fi
  # A picture of every Draw file, a page of every DDL file.
  local tool=$preview preview_file=${output%.*}.png
  if [[ $output == *.ddl ]]; then tool=$ddl_preview preview_file=${output%.*}.html; fi
  if "$tool" "$output" "$preview_file"; then
    printf '  %-9s %-36s -> %s\n' "" "(preview)" "${preview_file#"$root"/}"
  else
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
rm -f "$out/.stdout" "$out/.stderr"
echo "Windows programs (32-bit) are in build/windows/bin/: $(cd build/windows/bin && ls ./*.exe | sed 's|^\./||' | tr '\n' ' ')"
echo "Done in $(($(date +%s) - started)) seconds."
exit $status
