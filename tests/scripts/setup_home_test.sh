#!/usr/bin/env bash
# scripts/setup makes a Wine prefix and scripts/wine-run runs a program in it under
# a fresh HOME, left empty. Own cache (the libraries of CACHE, $1), prefix, wineserver
# and TMPDIR (Wine's server folder), all gone at the end. A font folder no cache holds
# yet makes fontconfig write a cache, into the first cache folder it may write: the
# XDG one, as a user's would be, so Wine's own cache folder must be in the prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd); t=$(mktemp -d)
export HOME=$t/home TMPDIR=$t WINEPREFIX=$t/cache/prefix
trap 'wineserver -k 2>/dev/null || true; rm -rf "$t"' EXIT
mkdir -p "$HOME" "$t/cache" "$t/fonts"; for lib in libharu libjpeg expat; do ln -s "$1/$lib" "$t/cache/$lib"; done
ln -s /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$t/fonts/"
printf '<?xml version="1.0"?>\n<fontconfig><cachedir prefix="xdg">fontconfig</cachedir><dir>%s</dir>
<include>/etc/fonts/fonts.conf</include></fontconfig>\n' "$t/fonts" >"$t/fonts.conf"
export FONTCONFIG_FILE=$t/fonts.conf
env -u DISPLAY KNT_CACHE="$t/cache" KNT_WINEPREFIX="$WINEPREFIX" "$here/scripts/setup" >/dev/null
env -u DISPLAY "$here/scripts/wine-run" --prefix="$WINEPREFIX" cmd /c exit >/dev/null
# The session's wineboot starts the menu builder: neither may still run.
busy() { for p in $(pgrep -f 'wineboot|winemenubuilder'); do
  tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -x "WINEPREFIX=$WINEPREFIX" >/dev/null && return 0; done; return 1; }
while busy; do sleep 0.1; done
left=$(find "$HOME" -mindepth 1); [ -z "$left" ] || { printf 'written into HOME:\n%s\n' "$left"; exit 1; }
