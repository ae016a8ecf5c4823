#!/usr/bin/env bash
# Runs a command with a private wine for the Windows build: a fresh
# WINEPREFIX in a temporary folder, its wineserver kept running between the
# command's many short processes, and wine's own messages off. The server is
# stopped (wineserver -k) and the folder removed when the command ends,
# whatever its outcome.
set -euo pipefail

wine_dir=/usr/lib/wine
[ -x "$wine_dir/wine64" ] || { echo "wine64 not found in $wine_dir" >&2; exit 1; }

WINEPREFIX=$(mktemp -d /tmp/quillet-wine.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The server keeps its socket in a folder of TMPDIR whose name it writes into
# the prefix; killed, it leaves that folder behind.
stop_wine() {
    "$wine_dir/wineserver" -k >/dev/null 2>&1 || true
    [ ! -s "$WINEPREFIX/wineserver" ] || rm -rf "${TMPDIR:-/tmp}/$(cat "$WINEPREFIX/wineserver")"
    rm -rf "$WINEPREFIX"
}
trap stop_wine EXIT

# The first process creates the prefix (seconds); later ones start in
# hundredths of a second while the server persists. Standard streams closed:
# otherwise the server inherits them and whoever reads them never sees an end.
"$wine_dir/wineserver" -p
"$wine_dir/wine64" cmd /c exit </dev/null >/dev/null 2>&1

"$@"
