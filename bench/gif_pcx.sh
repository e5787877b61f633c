#!/usr/bin/env bash
# Times Gifload and Pcxload on large generated pictures (4000 x 3000: a
# 256-colour GIF, an 8-bit PCX and a 16-colour PCX in four planes) beside
# netpbm's converter for the format, ImageMagick's convert (to PPM) and, for
# GIF, giflib's bare DGifSlurp decode. Every program writes its output to a
# file in one temporary directory; each runs once; the ratios (of cpu time)
# are printed.
# Targets: Gifload no slower than DGifSlurp; Pcxload at most half the time of
# pcxtoppm on both PCX inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${FILTERS_BIN_DIR:-$PWD/build/native/bin}
for tool in giftopnm pcxtoppm pamtogif ppmtopcx convert cc; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/install-deps.sh installs it)"; exit 1; }
done
[ -x "$bin/Gifload" ] && [ -x "$bin/Pcxload" ] || { echo "build Gifload and Pcxload first (cmake --build --preset native)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/make" bench/gif_pcx_make.c
cc -O2 -o "$work/dgifslurp" bench/gif_pcx_dgifslurp.c -lgif

"$work/make" 4000 3000 256 > "$work/256.ppm"
"$work/make" 4000 3000 16 > "$work/16.ppm"
pamtogif "$work/256.ppm" > "$work/256.gif" 2>/dev/null
ppmtopcx "$work/256.ppm" > "$work/8bit.pcx" 2>/dev/null
ppmtopcx "$work/16.ppm" > "$work/4plane.pcx" 2>/dev/null

# One run of the command: "wall cpu" seconds, cpu being user plus system time.
# The ratios use the cpu time, which other work on a shared machine does not
# stretch the way it stretches the wall time.
TIMEFORMAT='%R %U %S'
seconds() {
  local times
  times=$( { time "$@" >/dev/null 2>&1; } 2>&1 ) || { echo "failed: $*" >&2; exit 1; }
  awk '{ printf "%.3f %.3f", $1, $2 + $3 }' <<<"$times"
}
cpu() { echo "${1#* }"; }
ratio() { awk -v a="$(cpu "$1")" -v b="$(cpu "$2")" 'BEGIN { printf "%.2f", a / b }'; }
report() { printf '  %-26s %7.3f s wall %7.3f s cpu\n' "$1" "${2% *}" "$(cpu "$2")"; }

echo "GIF 4000 x 3000, 256 colours ($(stat -c %s "$work/256.gif") bytes)"
g=$(seconds "$bin/Gifload" "$work/256.gif" "$work/gif.draw")
gp=$(seconds sh -c "giftopnm '$work/256.gif' > '$work/gif_netpbm.ppm'")
gc=$(seconds convert "$work/256.gif" "$work/gif_im.ppm")
gs=$(seconds "$work/dgifslurp" "$work/256.gif")
report Gifload "$g"; report giftopnm "$gp"; report "convert" "$gc"; report "DGifSlurp (decode only)" "$gs"
echo "  Gifload / giftopnm $(ratio "$g" "$gp")   Gifload / convert $(ratio "$g" "$gc")   Gifload / DGifSlurp $(ratio "$g" "$gs") (target <= 1)"

for input in 8bit 4plane; do
  echo "PCX 4000 x 3000, $input ($(stat -c %s "$work/$input.pcx") bytes)"
  p=$(seconds "$bin/Pcxload" "$work/$input.pcx" "$work/$input.draw")
  pp=$(seconds sh -c "pcxtoppm '$work/$input.pcx' > '$work/${input}_netpbm.ppm'")
  pc=$(seconds convert "$work/$input.pcx" "$work/${input}_im.ppm")
  report Pcxload "$p"; report pcxtoppm "$pp"; report "convert" "$pc"
  echo "  Pcxload / pcxtoppm $(ratio "$p" "$pp") (target <= 0.5)   Pcxload / convert $(ratio "$p" "$pc")"
done
