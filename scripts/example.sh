#!/usr/bin/env bash
# Builds Quillet and exports the bundled example SQLite database, with a
# header line, to standard output.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quillet >/dev/null
rm -f build/example.db
sqlite3 build/example.db < examples/example.sql
build/quillet "Driver=SQLite3;Database=$PWD/build/example.db" -t=orders -f
