#!/usr/bin/env bash
# Writes a corpus of the engine's outputs with one build, for comparing two
# builds byte for byte: every format (PNG, JPEG, PDF, SVG, HTML, EMF), the
# one-file documents, vertical text, gradations and textures, trims,
# backgrounds, spacing and leading, the benchmark's cases, and the preview
# picture of each case.
#   tools/corpus.sh OUT_FOLDER [BUILD_FOLDER]      (default build: build)
#   diff -rq -x '*.log' -x inputs BEFORE AFTER   (nothing printed: the same bytes;
#   the logs and inputs name their own folder)
# The settings, texts and the texture are written into OUT_FOLDER/inputs
# first; the outputs go to OUT_FOLDER/<case>/.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out=$1
build=$(cd "${2:-$here/build}" && pwd)
mkdir -p "$out/inputs"
out=$(cd "$out" && pwd)
in=$out/inputs
export WINEPREFIX=${KNT_WINEPREFIX:-/var/cache/kantelo-build/wineprefix} WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

# A 6 x 4 texture of four colours, as a PNG written byte by byte.
python3 - "$in/texture.png" <<'PY'
import struct, sys, zlib
w, h = 6, 4
rows = b''.join(b'\0' + b''.join(bytes(((x * 40) % 256, (y * 60) % 256, 200 - x * 20, 255)) for x in range(w)) for y in range(h))
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
                             chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))
PY
texture=$(winpath "$in/texture.png")

# paint TYPE COLOR [UNIT ENTIRE ANGLE]
paint() {
  local unit=${3:-CHAR} entire=${4:-false} angle=${5:-135}
  printf '<PaintSetting><Type>%s</Type><Color>%s</Color><LinearGradation><Angle>%s</Angle><Unit>%s</Unit><Entire>%s</Entire>' \
    "$1" "$2" "$angle" "$unit" "$entire"
  printf '<ColorPosSetting><Use>true</Use><Color>FF0000</Color><Pos>0</Pos></ColorPosSetting>'
  printf '<ColorPosSetting><Use>true</Use><Color>FFFF00</Color><Pos>0.4</Pos></ColorPosSetting>'
  printf '<ColorPosSetting><Use>false</Use><Color>00FF00</Color><Pos>0.5</Pos></ColorPosSetting>'
  printf '<ColorPosSetting><Use>true</Use><Color>0000FF</Color><Pos>1</Pos></ColorPosSetting>'
  for i in 5 6 7 8 9 10 11 12; do printf '<ColorPosSetting><Use>false</Use><Color>FFFFFF</Color><Pos>1</Pos></ColorPosSetting>'; done
  printf '</LinearGradation><Texture><Path>%s</Path><Type>CUSTOM_RATE</Type><Unit>%s</Unit><RateX>3</RateX>' "$texture" "$unit"
  printf '<RateY>2</RateY><SameRate>false</SameRate><Entire>%s</Entire><Flip>true</Flip><OffsetX>2</OffsetX>' "$entire"
  printf '<OffsetY>1</OffsetY></Texture></PaintSetting>'
}
# row SIZE ALPHA BLUR ANGLE DISTANCE PAINT...
row() {
  printf '<BorderingSetting><Size>%s</Size><Alpha>%s</Alpha><Blur>%s</Blur><Angle>%s</Angle><Distance>%s</Distance>' \
    "$1" "$2" "$3" "$4" "$5"
  shift 5
  paint "$@"
  printf '</BorderingSetting>'
}
# Variables read by settings(): FACE SIZE FORMAT UNIT TRANSPARENT TRIM ONEFILE
# BK FACEPAINT ROWS USE CHARW LINEW LEAD FNAME
settings() {
  {
    printf '<?xml version="1.0" encoding="utf-8"?>\r\n<Settings><Version>1.4.2.0</Version>'
    printf '<FontSetting><CharSet>128</CharSet><FontFace>%s</FontFace><Escapement>0</Escapement>' "${FACE:-IPAGothic}"
    printf '<Orientation>0</Orientation><Weight>400</Weight><Italic>false</Italic><Underline>false</Underline>'
    printf '<StrikeOut>false</StrikeOut><Size>%s</Size><Color>E03030</Color><Alpha>100</Alpha>' "${SIZE:-48}"
    printf '<CharWidth>%s</CharWidth><LineWidth>%s</LineWidth><LeadingWidth>%s</LeadingWidth></FontSetting>' \
      "${CHARW:-100}" "${LINEW:-120}" "${LEAD:-0}"
    printf '%s' "${FACEPAINT:-$(paint MONO E03030)}"
    printf '<UseBorderings>'
    for u in ${USE:-true true true true true}; do printf '<bool>%s</bool>' "$u"; done
    printf '</UseBorderings><Borderings>%s</Borderings>' "${ROWS:-$DEFAULT_ROWS}"
    printf '<Unit>%s</Unit><FnameType>%s</FnameType><FnameSeqWidth>3</FnameSeqWidth>' "${UNIT:-LINE}" "${FNAME:-SEQ}"
    printf '<SaveFormat><Type>%s</Type><JpegQuality>80</JpegQuality></SaveFormat>' "${FORMAT:-PNG}"
    printf '<BkColor>%s</BkColor><Transparent>%s</Transparent><SingleFile>%s</SingleFile><TrimType>%s</TrimType></Settings>' \
      "${BK:-30A0F0}" "${TRANSPARENT:-true}" "${ONEFILE:-false}" "${TRIM-TRIM_L|TRIM_T|TRIM_R|TRIM_B}"
  } >"$1"
}
DEFAULT_ROWS="$(row 0.8 100 0 0 0 MONO FFFFFF)$(row 1.5 100 0 0 0 MONO C02020)$(row 3 90 0 0 0 MONO FFFFFF)$(row 5 70 60 0 0 MONO FFE040)$(row 2 80 30 120 6 MONO 000000)"
GRADIENT_ROWS="$(row 1 100 0 0 0 LINEAR FFFFFF LINE true 30)$(row 3 100 20 0 0 LINEAR 000000 PARAGRAPH false 200)$(row 2 100 0 45 8 MONO 202020)$(row 4 60 0 0 0 LINEAR 0000FF CHAR false -45)$(row 1 100 0 0 0 MONO FFFFFF)"
TEXTURE_ROWS="$(row 1 100 0 0 0 TEXTURE FFFFFF LINE true)$(row 3 100 10 0 0 MONO 000000)$(row 2 100 0 300 5 TEXTURE 808080 CHAR false)$(row 2 100 0 0 0 MONO FFFFFF)$(row 1 100 0 0 0 MONO FFFFFF)"

printf '縁取り文字 Test\nふた行目の テキスト。\n\n段落 two, 𠮟る\tTab' >"$in/mixed.txt"
printf '縦書きのテキスト、ー「」\n二行目 ABC' >"$in/vertical.txt"
printf '  spaces   \n\n\n last' >"$in/spaces.txt"
printf 'ab\ncd' >"$in/short.txt"

cases=()
add() { cases+=("$1|$2|$3"); }   # name settings text
mk() { local name=$1; shift; env "$@" bash -c "$(declare -f settings paint row); DEFAULT_ROWS='$DEFAULT_ROWS' texture='$texture' settings '$in/$name.knt'"; }

for f in PNG JPEG PDF SVG SVG_TAG EMF; do
  mk "fmt-$f" FORMAT=$f TRANSPARENT=false; add "fmt-$f" "fmt-$f" mixed
  mk "fmt-$f-transparent" FORMAT=$f; add "fmt-$f-transparent" "fmt-$f-transparent" mixed
done
mk onefile-PDF FORMAT=PDF ONEFILE=true; add onefile-PDF onefile-PDF mixed
mk onefile-html FORMAT=SVG_TAG ONEFILE=true; add onefile-html onefile-html mixed
for f in PNG JPEG PDF SVG; do
  mk "vertical-$f" FACE=@IPAGothic FORMAT=$f; add "vertical-$f" "vertical-$f" vertical
done
mk gradient-png FACEPAINT="$(paint LINEAR E03030 CHAR true 135)" ROWS="$GRADIENT_ROWS"; add gradient-png gradient-png mixed
mk gradient-para FACEPAINT="$(paint LINEAR E03030 PARAGRAPH false 10)" ROWS="$GRADIENT_ROWS" UNIT=PARAGRAPH; add gradient-para gradient-para mixed
mk gradient-vertical FACE=@IPAGothic FACEPAINT="$(paint LINEAR E03030 LINE true 90)" ROWS="$GRADIENT_ROWS"; add gradient-vertical gradient-vertical vertical
mk gradient-pdf FORMAT=PDF FACEPAINT="$(paint LINEAR E03030 CHAR true 135)" ROWS="$GRADIENT_ROWS"; add gradient-pdf gradient-pdf mixed
mk texture-png FACEPAINT="$(paint TEXTURE E03030 CHAR true)" ROWS="$TEXTURE_ROWS"; add texture-png texture-png mixed
mk texture-trim-l FACEPAINT="$(paint TEXTURE E03030 LINE false)" ROWS="$TEXTURE_ROWS" TRIM=TRIM_L; add texture-trim-l texture-trim-l mixed
mk texture-vertical FACE=@IPAGothic FACEPAINT="$(paint TEXTURE E03030 CHAR false)" ROWS="$TEXTURE_ROWS"; add texture-vertical texture-vertical vertical
mk texture-jpeg FORMAT=JPEG TRANSPARENT=false FACEPAINT="$(paint TEXTURE E03030 PARAGRAPH true)" ROWS="$TEXTURE_ROWS" UNIT=PARAGRAPH; add texture-jpeg texture-jpeg mixed
for t in "" TRIM_L TRIM_T "TRIM_R|TRIM_B" "TRIM_T|TRIM_B"; do
  n=trim-$(printf '%s' "${t:-none}" | tr '|' '-')
  mk "$n" TRIM="$t"; add "$n" "$n" mixed
  mk "$n-svg" TRIM="$t" FORMAT=SVG; add "$n-svg" "$n-svg" mixed
done
mk bk-png TRANSPARENT=false BK=00FF00; add bk-png bk-png mixed
mk bk-palette TRANSPARENT=false BK=FFFFFF USE="false false false false false"; add bk-palette bk-palette short
mk spacing-tight CHARW=40 LINEW=-80 LEAD=-30; add spacing-tight spacing-tight mixed
mk spacing-wide CHARW=180 LINEW=250 LEAD=40 UNIT=CHAR FNAME=TEXT; add spacing-wide spacing-wide short
mk spaces USE="true false false false false" TRIM=""; add spaces spaces spaces
mk small SIZE=8 ROWS="$(row 1 100 10 0 0 MONO FFFFFF)$(row 1 100 10 0 0 MONO 000000)$(row 1 100 10 0 0 MONO FF0000)$(row 1 100 10 0 0 MONO 00FF00)$(row 1 100 10 0 0 MONO 0000FF)"; add small small mixed

# The benchmark's own settings and texts.
wine "$build/tools/bench.exe" "$(winpath "$in/bench")" >/dev/null 2>&1 || true
add bench-line bench/bench bench/bench.txt
add bench-10x80 bench/paragraph bench/lines10.txt
add bench-different bench/paragraph bench/different10.txt
add bench-20x160 bench/paragraph bench/lines20.txt
# The benchmark line with every decoration at its largest, as a vector
# document: its preview is the rasteriser's heaviest work.
mk largest-pdf FORMAT=PDF SIZE=200 TRANSPARENT=false ROWS="$(for c in FFFFFF 000000 0080FF FFC800 282828; do row 1000 100 0 0 0 MONO $c; done)"
add largest-pdf largest-pdf bench/bench.txt

for c in "${cases[@]}"; do
  IFS='|' read -r name knt text <<<"$c"
  [ "${text%.txt}" = "$text" ] && text=$text.txt
  mkdir -p "$out/$name"
  rm -f "$out/$name"/*
  if ! wine "$build/tools/render.exe" --preview "$(winpath "$out/$name/preview.png")" "$(winpath "$in/$knt.knt")" \
      "$(winpath "$in/$text")" "$(winpath "$out/$name")" >"$out/$name.log" 2>&1; then
    echo "$name: $(tail -1 "$out/$name.log")"
  fi
done
echo "corpus: ${#cases[@]} cases in $out"
