#!/usr/bin/env bash
# Installs what is missing, builds Quillet and runs every test against real
# SQLite and PostgreSQL (a private server started for the run).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
scripts/with-postgres.sh ctest --test-dir build --output-on-failure -j2
