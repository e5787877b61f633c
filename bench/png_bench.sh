#!/usr/bin/env bash
# Times Pngload on large generated PNGs (4000 x 3000: 24-bit colour and 8-bit
# palette) beside netpbm's pngtopnm, ImageMagick's convert (to PPM) and the
# floor: a bare libpng loop decoding every row and writing nothing. Every
# program writes its output to a file in one temporary directory; each time is
# the best of three runs, wall clock and cpu time. Targets: Pngload within
# 1.25x of the bare decode and faster than pngtopnm.
# Usage: bench/png_bench.sh, or cmake --build --preset native --target bench_png
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
pngload=${PNGLOAD:-$root/build/native/bin/Pngload}
if [ ! -x "$pngload" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target Pngload -j "${JOBS:-2}" >/dev/null
fi
for tool in pngtopnm convert; do
  command -v "$tool" >/dev/null || { echo "png_bench: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/png-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
decode_loop=${PNG_DECODE_LOOP:-}
if [ -z "$decode_loop" ]; then
  decode_loop=$dir/png_decode_loop
  c++ -O2 -o "$decode_loop" "$root/bench/png_decode_loop.cpp" -lpng
fi

echo "generating inputs in $dir"
convert -seed 7 -size 4000x3000 plasma:fractal -blur 0x1 PNG24:"$dir/colour24.png"
convert "$dir/colour24.png" -dither None -colors 256 PNG8:"$dir/palette8.png"

# Best of three runs: "wall cpu" in seconds, cpu being user plus system time
# (steadier than the wall clock on a busy machine).
best_of_three() {
  local best_wall="" best_cpu="" timing
  for _ in 1 2 3; do
    timing=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 ) || { echo "failed: $*" >&2; return 1; }
    read -r best_wall best_cpu < <(echo "$timing ${best_wall:-x} ${best_cpu:-x}" | awk '{
      cpu = $2 + $3
      wall = ($4 == "x" || $1 < $4) ? $1 : $4
      best = ($5 == "x" || cpu < $5) ? cpu : $5
      printf "%.3f %.3f\n", wall, best }')
  done
  echo "$best_wall $best_cpu"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

status=0
for input in colour24 palette8; do
  png=$dir/$input.png
  read -r w_floor c_floor < <(best_of_three "$decode_loop" "$png")
  read -r w_pngload c_pngload < <(best_of_three "$pngload" "$png" "$dir/$input.aff")
  read -r w_pngtopnm c_pngtopnm < <(best_of_three sh -c "pngtopnm '$png' > '$dir/$input.pngtopnm.pnm'")
  read -r w_convert c_convert < <(best_of_three convert "$png" "$dir/$input.convert.ppm")
  echo
  echo "$input.png ($(stat -c %s "$png") bytes; Draw file $(stat -c %s "$dir/$input.aff") bytes)"
  printf '  %-22s %8s %8s\n' "" "wall s" "cpu s" "bare libpng decode" "$w_floor" "$c_floor" "Pngload" "$w_pngload" \
    "$c_pngload" "pngtopnm" "$w_pngtopnm" "$c_pngtopnm" "convert (to PPM)" "$w_convert" "$c_convert"
  printf '  %-22s %8s %8s\n' "Pngload / bare decode" "$(ratio "$w_pngload" "$w_floor")" \
    "$(ratio "$c_pngload" "$c_floor")" "Pngload / pngtopnm" "$(ratio "$w_pngload" "$w_pngtopnm")" \
    "$(ratio "$c_pngload" "$c_pngtopnm")" "Pngload / convert" "$(ratio "$w_pngload" "$w_convert")" \
    "$(ratio "$c_pngload" "$c_convert")"
  # Judged on cpu time: the wall clock of a shared machine swings more than the margins.
  awk -v a="$c_pngload" -v f="$c_floor" -v p="$c_pngtopnm" 'BEGIN { exit !(a <= 1.25 * f && a < p) }' || status=1
done
echo
# A report, not a gate: timings on a shared machine are not steady enough.
if [ "$status" = 0 ]; then
  echo "targets met (Pngload within 1.25x of the bare decode, below pngtopnm)"
else
  echo "a target was missed (Pngload within 1.25x of the bare decode, below pngtopnm)"
fi
