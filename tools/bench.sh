#!/usr/bin/env bash
# Measures the raster engine on this machine, in one run, against its goals
# and, where ImageMagick can draw the same case, against ImageMagick.
#   tools/bench.sh [BUILD_FOLDER]     (default: build; RUNS=n sets the repeats)
# The benchmark line: "縁取り文字テスト" in IPAGothic at 200 px, face E03030,
# a white outline of 5 px and a black one of 10 px blurred by 4, transparent
# PNG, trimmed. The large cases repeat it (10 lines of 80 characters, 20 of
# 160, by paragraph); one more has 10 lines of 80 characters all different,
# and one a single line of 100,000 characters named by its text.
# Whole-process figures are the median wall time of render.exe (Wine's start
# included) and its peak resident memory; "per Mpx" divides that peak by the
# output image's megapixels. A settings file of 60 MB is timed until refused.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
runs=${RUNS:-9}
convert=/usr/bin/convert-im6.q16
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export WINEPREFIX=${KNT_WINEPREFIX:-/var/cache/kantelo-build/wineprefix} WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
wineserver -p 300 >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 || true
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Wall time in ms of one command (output discarded); fails with the command.
wall_ms() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1 || return 1
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}
# Peak resident memory in MB of one command line (run by bash, with the
# functions and variables named here).
peak_mb() {
  /usr/bin/time -f '%M' -o "$work/peak" \
    bash -c "$(declare -f im winpath); convert=$convert font='$font' work='$work' build='$build'; $1" >/dev/null 2>&1 || true
  awk '{ printf "%d", $1 / 1024 }' "$work/peak"
}
# Megapixels of a PNG file, from its header.
png_mpx() { od -An -tu1 -j16 -N8 "$1" | awk '{ w = (($1 * 256 + $2) * 256 + $3) * 256 + $4; h = (($5 * 256 + $6) * 256 + $7) * 256 + $8; printf "%.2f %dx%d", w * h / 1e6, w, h }'; }

# Other programs on the machine slow every figure: say how busy it was.
echo "== load average: $(cut -d' ' -f1-3 /proc/loadavg), processors: $(nproc)"
echo "== engine inside the process (bench.exe)"
wine "$build/tools/bench.exe" "$(winpath "$work")" | tr -d '\r' | tee "$work/bench.out" | grep -v '=Z:'
get() { sed -n "s/^$1=//p" "$work/bench.out"; }

# By file: under a Japanese locale fontconfig names the family in Japanese.
font=$(LC_ALL=C fc-match -f '%{file}' IPAGothic)
im() {
  "$convert" -background none -font "$font" -pointsize 200 -fill '#E03030' label:"$1" \
    -bordercolor none -border 20 \
    \( -clone 0 -alpha extract -morphology Dilate Disk:10 -blur 4x4 -background black -alpha shape \) \
    \( -clone 0 -alpha extract -morphology Dilate Disk:5 -background white -alpha shape \) \
    \( -clone 0 \) -delete 0 -background none -flatten -trim +repage "$work/im.png"
}
line='縁取り文字テスト'
echo "== ImageMagick, the line ($runs runs)"
im "$line" >/dev/null 2>&1 || { echo "the ImageMagick command failed:"; im "$line"; exit 1; }
im_ms=$(for i in $(seq "$runs"); do wall_ms im "$line"; done | median)
im_mem=$(peak_mb "im '$line'")
echo "im_ms_median=$im_ms im_peak_mb=$im_mem"
lines10=$(tr '\n' '\001' <"$work/lines10.txt" | sed 's/\x01/\\n/g')
if im "$(printf '%b' "$lines10")" >/dev/null 2>&1; then im10="$(wall_ms im "$(printf '%b' "$lines10")") ms"; else im10="refused"; fi

# render.exe on one case: median wall time, peak memory, output size.
render_case() {  # name settings text runs
  local out="$work/out-$1" times ms mem px
  mkdir -p "$out"
  run() { rm -f "$out"/*; wine "$build/tools/render.exe" "$2" "$3" "$(winpath "$out")"; }
  if ! times=$(for i in $(seq "$4"); do wall_ms run "$@" || exit 1; done); then
    echo "$1 failed: $(run "$@" 2>&1 | tail -1)"
    return
  fi
  ms=$(echo "$times" | median)
  mem=$(peak_mb "rm -f '$out'/*; wine \"\$build/tools/render.exe\" '$2' '$3' \"\$(winpath '$out')\"")
  px=$(png_mpx "$(ls "$out"/*.png | head -1)")
  echo "$1 $ms $mem $px" >>"$work/cases"
}
echo "== whole process: render.exe"
render_case line "$(get settings)" "$(get text)" "$runs"
render_case 10x80 "$(get paragraph_settings)" "$(get text10x80)" "$(((runs + 1) / 2))"
render_case 20x160 "$(get paragraph_settings)" "$(get text20x160)" 1
render_case 10x80different "$(get paragraph_settings)" "$(get text10x80different)" 1
# A line of 100,000 characters named by its text: too large to draw, so the
# save ends with that message after cutting, naming and laying out the line.
sed 's|<FnameType>[A-Z_]*</FnameType>|<FnameType>TEXT</FnameType>|' "$work/bench.knt" >"$work/text-named.knt"
printf '縁取り文字テスト%.0s' $(seq 12500) >"$work/line100k.txt"
mkdir -p "$work/out-longline"
longline() { wine "$build/tools/render.exe" "$(winpath "$work/text-named.knt")" "$(winpath "$work/line100k.txt")" "$(winpath "$work/out-longline")" || true; }
longline_ms=$(for i in $(seq "$runs"); do wall_ms longline; done | median)
cat "$work/cases"
# A settings file of 60 MB (small comments around the root): the time until
# render.exe has refused it, Wine's start included, and whether it said why.
{ printf '<?xml version="1.0" encoding="utf-8"?>\n'; yes '<!-- a comment -->' | head -c $((60 << 20)); printf '<Settings/>\n'; } >"$work/huge.config"
t0=$(date +%s%N)
wine "$build/tools/render.exe" "$(winpath "$work/huge.config")" "$(get text)" "$(winpath "$work")" >"$work/huge.out" 2>&1 || true
huge_ms=$((($(date +%s%N) - t0) / 1000000))
field() { awk -v c="$1" -v f="$2" '$1 == c { print $f }' "$work/cases"; }
per_mpx() { awk -v m="$(field "$1" 3)" -v p="$(field "$1" 4)" 'BEGIN { if (p > 0) printf "%.1f", m / p; else print "-" }'; }

echo "== against the goals (processors: $(get threads))"
job=$(get line_job_ms_median)
awk -v a="$job" -v b="$im_ms" 'BEGIN { printf "line inside the process:   %7.1f ms = %.3f of ImageMagick %d ms     (goal <= 0.1)\n", a, a / b, b }'
printf 'line, whole process:       %7s ms, peak %s MB (%s MB/Mpx)   ImageMagick %s ms, %s MB\n' \
  "$(field line 2)" "$(field line 3)" "$(per_mpx line)" "$im_ms" "$im_mem"
printf '10 x 80, whole process:    %7s ms, peak %s MB (%s MB/Mpx, %s Mpx)   (goal < 1000 ms, < 250 MB, <= 8 MB/Mpx; ImageMagick %s)\n' \
  "$(field 10x80 2)" "$(field 10x80 3)" "$(per_mpx 10x80)" "$(field 10x80 4)" "$im10"
printf '20 x 160, whole process:   %7s ms, peak %s MB (%s MB/Mpx, %s Mpx)   (goal: renders)\n' \
  "$(field 20x160 2)" "$(field 20x160 3)" "$(per_mpx 20x160)" "$(field 20x160 4)"
printf '10 x 80 all different:     %7s ms, peak %s MB (%s MB/Mpx)   (goal < 1500 ms, < 250 MB: no character repeats)\n' \
  "$(field 10x80different 2)" "$(field 10x80different 3)" "$(per_mpx 10x80different)"
printf 'a 60 MB settings file:     %7s ms until refused, %s   (goal: at once, by its size)\n' \
  "$huge_ms" "$(grep -q '62,914,' "$work/huge.out" && echo 'its size named' || echo 'SIZE NOT NAMED')"
printf 'a line of 100,000 characters named by its text: %7s ms   (goal: no more than the line, whole process; ends too large)\n' \
  "$longline_ms"
printf 'preview, 20 chars at 30 px, five presets: %s ms, fastest %s ms   (goal < 5 ms)\n' \
  "$(get preview_ms_median)" "$(get preview_ms_min)"
printf 'heavy preview, 6 lines at 48 px, five rows of 8 px blurred by 10: %s ms, fastest %s ms   (goal < 60 ms)\n' \
  "$(get heavy_preview_ms_median)" "$(get heavy_preview_ms_min)"
