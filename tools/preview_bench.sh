#!/usr/bin/env bash
# Times the paint dialog's texture box in the real window with real input
# (tools/preview_bench.exe --texture) over folders of images beside an empty
# one, and prints the figures and their goals.
#   tools/preview_bench.sh [BUILD_FOLDER] [COUNT...]   (default: build, 10 10000 100000)
# The folders are made by the host's shell and kept for later runs, in
# $KNT_CACHE/texture-bench: under Wine each new name reads the whole folder,
# so 100,000 files made there would take hours.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
[ $# -gt 0 ] && shift
counts=${*:-10 10000 100000}
images=${KNT_CACHE:-/var/cache/kantelo-build}/texture-bench
# A 1 x 1 grey PNG.
png='\211\120\116\107\015\012\032\012\000\000\000\015\111\110\104\122\000\000\000\001\000\000\000\001\010\000'
png=$png'\000\000\000\072\176\233\125\000\000\000\012\111\104\101\124\170\234\143\150\000\000\000\202\000\201'
png=$png'\167\315\162\266\000\000\000\000\111\105\116\104\256\102\140\202'
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

folders=("$(winpath "$images/0")")
mkdir -p "$images/0"
for n in $counts; do
  mkdir -p "$images/$n"
  (cd "$images/$n" && for i in $(seq 1 "$n"); do [ -e "img$i.png" ] || printf "$png" >"img$i.png"; done)
  folders+=("$(winpath "$images/$n")")
done
# Other programs on the machine slow every figure: say how busy it was.
echo "== load average: $(cut -d' ' -f1-3 /proc/loadavg), processors: $(nproc)"
"$here/scripts/wine-run" --mode=window "$build/tools/preview_bench.exe" --texture "${folders[@]}" | tr -d '\r'
