#!/usr/bin/env bash
# Benchmarks quillet against the sqlite3 CLI, psql, unixODBC's isql and a bare
# ODBC fetch loop, on the same table in SQLite and PostgreSQL, prints the
# figures and the targets they meet or miss, and writes bench/RESULTS.md.
#
#   bash bench/run.sh [--runs N] [--drivers sqlite,postgresql] [rows ...]
#
# Defaults: 3 runs per tool, both drivers, 100000 1000000 3000000 rows.
# SQLite tables are cached in bench/data/; PostgreSQL runs on a private server
# started for the benchmark and stopped at its end.
set -euo pipefail
cd "$(dirname "$0")/.."

QUILLET_SETUP_EXTRAS="time" scripts/setup.sh
# Optimised as the program ships, with symbols so that a profile of a slow
# run names the functions.
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-bench -j2 --target quillet bench_OdbcFloor
exec scripts/with-postgres.sh python3 bench/benchmark.py --build build-bench "$@"
