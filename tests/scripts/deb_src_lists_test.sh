#!/usr/bin/env bash
# scripts/deb-src-lists on a table of apt configurations in a tree of its own (no
# network, the machine's indexes unread): "address suite" of each entry it gives
# (D and S: the addresses taken for a suite the machine lists nowhere).
set -euo pipefail
. /etc/os-release; r=$VERSION_CODENAME; D=http://deb.debian.org/debian; S=$D-security
sec=http://security.debian.org/debian-security; all="$D $r\n$D $r-updates\n$S $r-security"
t=$(mktemp -d); trap 'rm -rf "$t"' EXIT; failed=0
printf 'Dir::State::Lists "%s/lists";\n' "$t" >"$t/apt.conf"
# case_ NAME FILE SOURCES EXPECTED [INDEX-NAME of a release apt fetched, made by Debian]
case_() {
  rm -rf "$t/etc" "$t/lists"; mkdir -p "$t/etc/sources.list.d" "$t/lists"; printf '%b\n' "$3" >"$t/etc/$2"
  [ $# -lt 5 ] || { printf 'Origin: Debian\nLabel: Debian\nCodename: %s\n' "$r" >"$t/lists/${5}_InRelease"
    : >"$t/lists/${5}_main_binary-$(dpkg --print-architecture)_Packages"; }
  got=$(KNT_APT_DIR=$t/etc APT_CONFIG=$t/apt.conf "$(dirname "$0")/../../scripts/deb-src-lists" |
    sed 's/^deb-src \[[^]]*\] //; s|/ | |; s/ main$//' | sort)
  [ "$got" = "$(printf '%b\n' "$4" | sort)" ] || { printf '%s gave:\n%s\n' "$1" "$got"; failed=1; }
}
case_ one-line sources.list "deb $D $r main contrib\ndeb $D $r-updates main\ndeb $S $r-security main" "$all"
case_ deb822 sources.list.d/debian.sources "Types: deb\nURIs: $D\nSuites: $r $r-updates\nComponents: main\n
Types: deb\nURIs: $S\nSuites: $r-security\nComponents: main\n\nEnabled: no\nTypes: deb\nURIs: http://ftp.jp.debian.org/debian\nSuites: $r\nComponents: main" "$all"
case_ no-debian-entry sources.list "deb https://apt.example.com/vendor stable main" "$all"
case_ vendor-and-local sources.list "deb https://apt.example.com/vendor $r main\ndeb [trusted=yes] file:/srv/local ./\ndeb $D $r main\ndeb $D $r-updates main\ndeb $S $r-security main" "$all"
case_ mirror-not-fetched sources.list "deb http://mirror.example.net/debian $r main\ndeb $sec $r-security main" "$D $r\n$D $r-updates\n$sec $r-security"
case_ mirror-fetched sources.list "deb http://mirror.example.net/debian stable main\ndeb $sec $r-security main" \
  "http://mirror.example.net/debian stable\n$D $r-updates\n$sec $r-security" mirror.example.net_debian_dists_stable
case_ security-only sources.list "deb https://deb.debian.org/debian-security $r-security main" "$D $r\n$D $r-updates\nhttps://deb.debian.org/debian-security $r-security"
exit $failed
