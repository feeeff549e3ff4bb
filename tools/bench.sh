#!/usr/bin/env bash
# Compares the raster engine with ImageMagick on this machine, in one run.
#   tools/bench.sh [BUILD_FOLDER]     (default: build; RUNS=n sets the repeats)
# The same line is drawn both ways: "縁取り文字テスト" in IPAGothic at 200 px,
# face E03030, a white outline of 5 px and a black one of 10 px blurred by 4,
# transparent PNG, trimmed. It prints the medians and their ratios:
# - our render per line inside the process (bench.exe) against the whole
#   ImageMagick command;
# - our whole process (render.exe, Wine's start included) against it too;
# - the preview figure and the peak memory of both.
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
# Wall time in ms of one command (output discarded).
wall_ms() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}

echo "== engine inside the process (bench.exe)"
wine "$build/tools/bench.exe" "$(winpath "$work")" | tr -d '\r' | tee "$work/bench.out"
get() { sed -n "s/^$1=//p" "$work/bench.out"; }
settings=$(get settings)
text=$(get text)

# By file: under a Japanese locale fontconfig names the family in Japanese.
font=$(LC_ALL=C fc-match -f '%{file}' IPAGothic)
im() {
  "$convert" -background none -font "$font" -pointsize 200 -fill '#E03030' label:'縁取り文字テスト' \
    -bordercolor none -border 20 \
    \( -clone 0 -alpha extract -morphology Dilate Disk:10 -blur 4x4 -background black -alpha shape \) \
    \( -clone 0 -alpha extract -morphology Dilate Disk:5 -background white -alpha shape \) \
    \( -clone 0 \) -delete 0 -background none -flatten -trim +repage "$work/im.png"
}
echo "== ImageMagick ($runs runs)"
im_times=$(for i in $(seq "$runs"); do wall_ms im; done)
im_ms=$(echo "$im_times" | median)
im >/dev/null 2>&1 || { echo "the ImageMagick command failed:"; im; exit 1; }
im_mem=$( { /usr/bin/time -f '%M' bash -c "$(declare -f im); convert=$convert; work=$work; font=$font; im" >/dev/null; } 2>&1 | tail -1)
echo "im_ms_median=$im_ms"
echo "im_peak_rss_mb=$((im_mem / 1024))"

echo "== whole process: wine render.exe ($runs runs)"
run_render() { wine "$build/tools/render.exe" "$settings" "$text" "$(winpath "$work/out")"; }
render_times=$(for i in $(seq "$runs"); do wall_ms run_render; done)
render_ms=$(echo "$render_times" | median)
render_mem=$( { /usr/bin/time -f '%M' wine "$build/tools/render.exe" "$settings" "$text" "$(winpath "$work/out")" >/dev/null; } 2>&1 | tail -1)
echo "process_ms_median=$render_ms"
echo "process_peak_rss_mb=$((render_mem / 1024))"

line=$(get line_job_ms_median)
echo "== ratios"
awk -v a="$line" -v b="$im_ms" 'BEGIN { printf "inside the process: %.1f ms / ImageMagick %.1f ms = %.3f (goal <= 0.333)\n", a, b, a / b }'
awk -v a="$render_ms" -v b="$im_ms" 'BEGIN { printf "whole process:      %.1f ms / ImageMagick %.1f ms = %.3f (goal < 1)\n", a, b, a / b }'
echo "preview (20 characters, 30 px, five presets): $(get preview_ms_median) ms (goal < 50)"
echo "peak memory: engine $(get peak_working_set_mb) MB working set, render.exe $((render_mem / 1024)) MB RSS (goal < 300)"
