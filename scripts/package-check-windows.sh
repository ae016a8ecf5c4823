#!/usr/bin/env bash
# Builds the Windows ZIP in a cross build folder (build-win/ unless named) and
# checks it: its name, that it holds exactly the program, the README and the
# manual page as text, that the program needs no DLL beyond Windows' own and
# carries the manifest (UTF-8, long paths), and that the packaged program,
# run under wine (scripts/with-wine.sh), exports the bundled example byte for byte as the
# built one does.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win}

work=$(mktemp -d /tmp/quillet-zip.XXXXXX)
trap 'rm -rf "$work"' EXIT
check_name="package check (Windows)"
. scripts/package-check-common.sh

rm -f "$build"/quillet-*-win64.zip
run_cpack ZIP
zip="$build/quillet-$version-win64.zip"
[ -f "$zip" ] || fail "cpack made no $(basename "$zip")"

python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$work/root"
dir="$work/root/quillet-$version-win64"
expect "ZIP contents" "$(cd "$work/root" && find . -type f | sort | tr '\n' ' ')" \
    "./quillet-$version-win64/README.md ./quillet-$version-win64/quillet.exe ./quillet-$version-win64/quillet.txt "
cmp -s "$dir/README.md" README.md || fail "the packaged README differs from README.md"
grep -q '^SYNOPSIS$' "$dir/quillet.txt" && ! grep -q $'\b' "$dir/quillet.txt" \
    || fail "quillet.txt is not the manual page as plain text"

dlls=$(x86_64-w64-mingw32-objdump -p "$dir/quillet.exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
# odbc32.dll is no import: the program loads it from System32 at its first ODBC call.
expect "DLLs needed" "$dlls" "kernel32.dll msvcrt.dll "
grep -q '<activeCodePage[^>]*>UTF-8</activeCodePage>' "$dir/quillet.exe" || fail "quillet.exe has no UTF-8 manifest"
grep -q '<longPathAware[^>]*>true</longPathAware>' "$dir/quillet.exe" || fail "quillet.exe does not declare long paths"

sqlite3 "$work/example.db" <examples/example.sql
connect="Driver=SQLite3;Database=$work/example.db"
wine=/usr/lib/wine/wine64
"$wine" "$build/quillet.exe" "$connect" -t=orders -f -o="$work/built.csv" 2>/dev/null
"$wine" "$dir/quillet.exe" "$connect" -t=orders -f -o="$work/packaged.csv" 2>/dev/null \
    || fail "the packaged program failed to export the example"
[ -s "$work/built.csv" ] && cmp -s "$work/built.csv" "$work/packaged.csv" \
    || fail "the packaged program's export differs from $build/quillet.exe's"

echo "package check (Windows): $(basename "$zip") is complete and its program exports the example"
