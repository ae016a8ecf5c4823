#!/usr/bin/env bash
# Builds the Debian package in a build folder (build/ unless named) and checks
# it: the file name and control fields, that it holds exactly the program and
# its compressed manual page, and that the packaged program, unpacked into a
# throw-away root, exports the bundled example database byte for byte as the
# built one does. Checks as well that `cmake --install` installs exactly the
# program and the page.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

work=$(mktemp -d /tmp/quillet-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
check_name="package check"
. scripts/package-check-common.sh

rm -f "$build"/quillet_*.deb
run_cpack DEB
debs=("$build"/quillet_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single quillet_*.deb"
deb=${debs[0]}

arch=$(dpkg --print-architecture)
field() { dpkg-deb -f "$deb" "$1"; }
expect "package file" "$(basename "$deb")" "quillet_${version}_${arch}.deb"
expect Package "$(field Package)" quillet
expect Version "$(field Version)" "$version"
expect Architecture "$(field Architecture)" "$arch"
expect Suggests "$(field Suggests)" "libsqliteodbc, odbc-postgresql, odbc-mariadb"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Description | wc -l)" -ge 2 ] || fail "no long Description"
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for needed in 'libodbc[12]' libc6 'libstdc\+\+6'; do
    grep -Eqx "$needed" <<<"$depends" || fail "Depends '$(field Depends)' lacks $needed"
done

expect "package contents" "$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sort | tr '\n' ' ')" \
    "./usr/bin/quillet ./usr/share/man/man1/quillet.1.gz "

dpkg -x "$deb" "$work/root"
gzip -dc "$work/root/usr/share/man/man1/quillet.1.gz" | cmp -s - doc/quillet.1 \
    || fail "the packaged manual page differs from doc/quillet.1"
sqlite3 "$work/example.db" <examples/example.sql
connect="Driver=SQLite3;Database=$work/example.db"
"$build/quillet" "$connect" -t=orders -f >"$work/built.csv" 2>/dev/null
"$work/root/usr/bin/quillet" "$connect" -t=orders -f >"$work/packaged.csv" 2>/dev/null \
    || fail "the packaged program failed to export the example"
[ -s "$work/built.csv" ] && cmp -s "$work/built.csv" "$work/packaged.csv" \
    || fail "the packaged program's export differs from build/quillet's"

cmake --install "$build" --prefix "$work/prefix" >/dev/null
expect "installed files" "$(cd "$work/prefix" && find . -type f | sort | tr '\n' ' ')" \
    "./bin/quillet ./share/man/man1/quillet.1 "

echo "package check: $(basename "$deb") is complete and its program exports the example"
