#!/usr/bin/env bash
# Installs what building, running and testing Quillet needs on Debian.
# Idempotent: it calls apt-get only when a package is missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config python3
    libgtest-dev libgmock-dev
    unixodbc unixodbc-dev libsqliteodbc odbc-postgresql sqlite3
    postgresql postgresql-client
    odbc-mariadb mariadb-server mariadb-client
    mandoc man-db dpkg-dev file
)
[ "${QUILLET_SETUP_EXTRAS:-}" = "" ] || read -r -a extra <<<"$QUILLET_SETUP_EXTRAS"
packages+=("${extra[@]:-}")

missing=()
for p in "${packages[@]}"; do
    [ -n "$p" ] || continue
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The drivers register themselves with unixODBC when installed; make sure of it.
for driver in SQLite3 "PostgreSQL ANSI" "MariaDB Unicode"; do
    odbcinst -q -d -n "$driver" >/dev/null 2>&1 || { echo "ODBC driver '$driver' is not registered" >&2; exit 1; }
done
