#!/usr/bin/env bash
# Finds, for each pixel format the decoders give, whether a square texture of
# each size draws: in the render tool (a save) or in the window program (its
# first preview, then a save of the same text, the face's paint button
# showing the texture beside them). Prints one line per try, with the
# program's peak of memory touched (MB, VmHWM from /proc, read every 0.2 s;
# its address space is all reserved by Wine from the start), the machine's
# load as the try began and the try's seconds (the program's start and end
# with it):
#   KIND SIDE ok|FAIL rss=MB load=N s=SECONDS <what the program said>
#   tools/texture-bound.sh render|window BUILD_FOLDER "KIND..." "SIDE..."
# A kind's sizes are tried in the order given, down to the first that draws.
# KNT_TEXTURE_FIT (FIT_WIDTH) and KNT_TEXTURE_FACE (IPAGothic; @IPAGothic
# for vertical text, whose texture is turned) vary the settings.
# Pictures are made by tools/texture-bound.py into $TMPDIR/texture-bound.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
mode=$1
build=$(cd "$2" && pwd)
kinds=$3
sides=$4
work=${TMPDIR:-/tmp}/texture-bound
mkdir -p "$work"
prefix=${KNT_WINEPREFIX:-/var/cache/kantelo-build/wineprefix}
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
ext() { case $1 in png-*) echo png ;; jpeg-*) echo jpg ;; gif*) echo gif ;; bmp-*) echo bmp ;; tiff-*) echo tif ;; esac; }

# As tools/corpus.sh writes them: the face painted with the texture, no row drawn.
settings() {
  local texture=$1 folder=$2 i
  printf '<?xml version="1.0" encoding="utf-8"?>\r\n<Settings><Version>1.4.2.0</Version>'
  printf '<FontSetting><CharSet>128</CharSet><FontFace>%s</FontFace><Escapement>0</Escapement>' "${KNT_TEXTURE_FACE:-IPAGothic}"
  printf '<Orientation>0</Orientation><Weight>400</Weight><Italic>false</Italic><Underline>false</Underline>'
  printf '<StrikeOut>false</StrikeOut><Size>48</Size><Color>E03030</Color><Alpha>100</Alpha>'
  printf '<CharWidth>100</CharWidth><LineWidth>120</LineWidth><LeadingWidth>0</LeadingWidth></FontSetting>'
  paint() {
    printf '<PaintSetting><Type>%s</Type><Color>E03030</Color><LinearGradation><Angle>0</Angle><Unit>CHAR</Unit>' "$1"
    printf '<Entire>false</Entire>'
    for i in 1 2 3 4 5 6 7 8 9 10 11 12; do printf '<ColorPosSetting><Use>false</Use><Color>FFFFFF</Color><Pos>1</Pos></ColorPosSetting>'; done
    printf '</LinearGradation><Texture><Path>%s</Path><Type>%s</Type><Unit>CHAR</Unit><RateX>1</RateX>' "$texture" "${KNT_TEXTURE_FIT:-FIT_WIDTH}"
    printf '<RateY>1</RateY><SameRate>true</SameRate><Entire>false</Entire><Flip>false</Flip><OffsetX>0</OffsetX>'
    printf '<OffsetY>0</OffsetY></Texture></PaintSetting>'
  }
  paint TEXTURE
  printf '<UseBorderings>'
  for i in 1 2 3 4 5; do printf '<bool>false</bool>'; done
  printf '</UseBorderings><Borderings>'
  for i in 1 2 3 4 5; do
    printf '<BorderingSetting><Size>1</Size><Alpha>100</Alpha><Blur>0</Blur><Angle>0</Angle><Distance>0</Distance>'
    paint MONO
    printf '</BorderingSetting>'
  done
  printf '</Borderings><Unit>LINE</Unit><FnameType>SEQ</FnameType><FnameSeqWidth>3</FnameSeqWidth>'
  printf '<SaveFormat><Type>PNG</Type><JpegQuality>80</JpegQuality></SaveFormat>'
  printf '<BkColor>FFFFFF</BkColor><Transparent>true</Transparent><SingleFile>false</SingleFile><TrimType>TRIM_L|TRIM_T|TRIM_R|TRIM_B</TrimType>'
  printf '<FolderPath>%s</FolderPath></Settings>' "$folder"
}

# The window prefix is made by copying the headless one on its first run: it
# must exist before the settings are written into it, or the copy is refused.
if [ "$mode" = window ] && [ ! -f "$prefix-window/.kantelo-ready" ]; then
  "$here/scripts/wine-run" --mode=window --prefix="$prefix" cmd /c exit >/dev/null 2>&1
fi

# Watches the program (by its process name in this prefix) until killed;
# its last line is the highest VmHWM seen, in MB.
watch_peak() {
  local name=$1 rss=0 p v
  while :; do
    for p in $(pgrep -x -u "$(id -u)" "$name"); do
      tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qx "WINEPREFIX=$2" || continue
      v=$(awk '/^VmHWM/{print int($2/1024)}' "/proc/$p/status" 2>/dev/null) && [ "${v:-0}" -gt "$rss" ] && rss=$v
    done
    echo "rss=$rss"
    sleep 0.2
  done
}

for kind in $kinds; do
  for side in $sides; do
    pic=$work/pic.$(ext "$kind")
    rm -f "$work"/pic.*
    python3 "$here/tools/texture-bound.py" "$kind" "$side" "$pic" || exit 1
    out=$work/out
    rm -rf "$out"
    mkdir -p "$out"
    peakfile=$work/peak
    load=load=$(cut -d' ' -f1 /proc/loadavg)
    began=$(date +%s.%N)
    if [ "$mode" = render ]; then
      watch_peak render.exe "$prefix" >"$peakfile" &
    else
      watch_peak kantelo.exe "$prefix-window" >"$peakfile" &
    fi
    watcher=$!
    if [ "$mode" = render ]; then
      settings "$(winpath "$pic")" "$(winpath "$out")" >"$work/s.knt"
      printf '縁' >"$work/text.txt"
      said=$("$here/scripts/wine-run" --prefix="$prefix" "$build/tools/render.exe" "$(winpath "$work/s.knt")" \
        "$(winpath "$work/text.txt")" "$(winpath "$out")" 2>&1)
      rc=$?
    else
      config="$prefix-window/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/Zevrand/Kantelo"
      mkdir -p "$config"
      rm -f "$config"/Kantelo32.config*
      settings "$(winpath "$pic")" "$(winpath "$out")" >"$config/Kantelo32.config"
      printf 'start\ntext 153 縁\nclick 1\nwait ファイルを保存するフォルダを指定してください\nclick 1\nwaitlong 1 個のファイルを作成しました\nclick 1\nmain\nclose\nexit 2\n' >"$work/script.txt"
      said=$("$here/scripts/wine-run" --mode=window --prefix="$prefix" "$build/tools/drive.exe" \
        --program "$(winpath "$build/app/kantelo.exe")" "$(winpath "$work/script.txt")" 2>&1)
      rc=$?
    fi
    secs=s=$(awk -v a="$began" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
    kill "$watcher"
    wait "$watcher" 2>/dev/null
    peak=$(tail -n 1 "$peakfile")
    if [ $rc = 0 ]; then
      echo "$kind $side ok $peak $load $secs"
      break
    fi
    echo "$kind $side FAIL $peak $load $secs $(printf '%s' "$said" | tr '\r\n' '  ' | sed "s/wine: Read access denied[^.]*\.[^.]*\.//g" | cut -c1-600)"
  done
done
