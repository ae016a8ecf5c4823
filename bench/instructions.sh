#!/usr/bin/env bash
# Counts the instructions quillet and the bare ODBC fetch loop execute per row
# of the benchmark table on SQLite, PostgreSQL and MariaDB (valgrind), so that
# quillet's own cost can be read without the scatter of timed runs.
#
#   bash bench/instructions.sh [--drivers sqlite,postgresql,mariadb] [rows]
#
# Default: 100000 rows. Prints a Markdown table.
set -euo pipefail
cd "$(dirname "$0")/.."

QUILLET_SETUP_EXTRAS="valgrind mariadb-server mariadb-client odbc-mariadb" scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-bench -j2 --target quillet bench_OdbcFloor >/dev/null
exec scripts/with-postgres.sh scripts/with-mariadb.sh python3 bench/instructions.py --build build-bench "$@"
