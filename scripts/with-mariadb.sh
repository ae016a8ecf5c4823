#!/usr/bin/env bash
# Runs a command with a private MariaDB server: a fresh data directory in a
# temporary folder, listening on 127.0.0.1 on a free port, its socket in that
# folder, never the system's service or its configuration files. The server
# is stopped and the folder removed when the command ends, whatever its
# outcome. The command sees:
#   QUILLET_MARIADB_CONNECT  ODBC connection string of the test database
#   QUILLET_MARIADB_PORT, QUILLET_MARIADB_HOST, QUILLET_MARIADB_DATABASE,
#   QUILLET_MARIADB_USER, QUILLET_MARIADB_PASSWORD, QUILLET_MARIADB_SOCKET
#   QUILLET_MARIADB_STOP     a command that kills the server at once (for fault tests)
set -euo pipefail

mariadbd=/usr/sbin/mariadbd
[ -x "$mariadbd" ] || { echo "MariaDB server binaries not found" >&2; exit 1; }

folder=$(mktemp -d /tmp/quillet-mariadb.XXXXXX)
chmod 755 "$folder"
user_args=()
if [ "$(id -u)" = 0 ]; then
    chown mysql: "$folder"
    user_args=(--user=mysql)
fi

stop_server() {
    if [ -f "$folder/server.pid" ]; then
        kill -9 "$(cat "$folder/server.pid")" 2>/dev/null || true
    fi
    rm -rf "$folder"
}
trap stop_server EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mariadb-install-db --no-defaults "${user_args[@]}" --datadir="$folder/data" --auth-root-authentication-method=normal \
    --skip-test-db >"$folder/install.log" 2>&1 || { cat "$folder/install.log" >&2; exit 1; }
"$mariadbd" --no-defaults "${user_args[@]}" --datadir="$folder/data" --bind-address=127.0.0.1 --port="$port" \
    --socket="$folder/server.sock" --pid-file="$folder/server.pid" --skip-name-resolve --skip-log-bin \
    --innodb-buffer-pool-size=64M --innodb-log-file-size=16M --innodb-flush-log-at-trx-commit=0 \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_bin >"$folder/server.log" 2>&1 &
disown
for _ in $(seq 1 600); do
    [ -S "$folder/server.sock" ] && mariadb --no-defaults -S "$folder/server.sock" -u root -e 'select 1' >/dev/null 2>&1 && break
    sleep 0.1
done
mariadb --no-defaults -S "$folder/server.sock" -u root -e 'select 1' >/dev/null 2>&1 \
    || { cat "$folder/server.log" >&2; exit 1; }

password=quillet-test-password
mariadb --no-defaults -S "$folder/server.sock" -u root <<SQL
create database quillet_test character set utf8mb4;
create user 'quillet'@'127.0.0.1' identified by '$password';
grant all on quillet_test.* to 'quillet'@'127.0.0.1';
SQL

export QUILLET_MARIADB_HOST=127.0.0.1 QUILLET_MARIADB_PORT=$port QUILLET_MARIADB_DATABASE=quillet_test
export QUILLET_MARIADB_USER=quillet QUILLET_MARIADB_PASSWORD=$password QUILLET_MARIADB_SOCKET=$folder/server.sock
export QUILLET_MARIADB_CONNECT="Driver=MariaDB Unicode;Server=127.0.0.1;Port=$port;Database=quillet_test;User=quillet;Password=$password;"
export QUILLET_MARIADB_STOP="kill -9 $(cat "$folder/server.pid")"

set +e
"$@"
status=$?
exit $status
