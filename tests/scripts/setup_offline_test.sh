#!/usr/bin/env bash
# scripts/setup with a library to build and Debian's archives out of reach (apt's
# proxy refuses): it fails, naming the library's source and where it was looked for.
set -euo pipefail
t=$(mktemp -d); trap 'rm -rf "$t"' EXIT; mkdir "$t/cache"
printf 'Acquire::http::Proxy "http://127.0.0.1:9/";\nAcquire::https::Proxy "http://127.0.0.1:9/";\n' >"$t/apt.conf"
# Its own prefix too: should apt reach an archive, set-up must not go on in the caller's.
rc=0; APT_CONFIG=$t/apt.conf KNT_CACHE=$t/cache KNT_WINEPREFIX=$t/prefix "$(dirname "$0")/../../scripts/setup" >/dev/null 2>"$t/err" || rc=$?
cat "$t/err"
[ "$rc" = 1 ] && grep -q "^setup: libHaru 2.3.0's source .* is missing from .*deb.debian.org" "$t/err"
