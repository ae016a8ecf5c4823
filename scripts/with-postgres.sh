#!/usr/bin/env bash
# Runs a command with a private PostgreSQL server: a fresh data directory in a
# temporary folder, listening on 127.0.0.1 on a free port, its socket in that
# folder. The server is stopped and the folder removed when the command ends,
# whatever its outcome. The command sees:
#   ODBCSYSINI          a folder with copies of the system's odbcinst.ini and
#                       odbc.ini, the PostgreSQL drivers' communication log off
#   QUILLET_PG_CONNECT  ODBC connection string of the test database
#   QUILLET_PG_PORT, QUILLET_PG_HOST, QUILLET_PG_DATABASE, QUILLET_PG_USER
#   QUILLET_PG_STOP     a command that stops the server at once (for fault tests)
set -euo pipefail

pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$pg_bin/initdb" ] || { echo "PostgreSQL server binaries not found" >&2; exit 1; }

run_as_postgres() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

folder=$(mktemp -d /tmp/quillet-pg.XXXXXX)
chmod 755 "$folder"
[ "$(id -u)" = 0 ] && chown postgres: "$folder"

stop_server() {
    run_as_postgres "$pg_bin/pg_ctl" -D "$folder/data" stop -m immediate >/dev/null 2>&1 || true
    rm -rf "$folder"
}
trap stop_server EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
run_as_postgres "$pg_bin/initdb" -D "$folder/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 --no-sync >"$folder/initdb.log" 2>&1 \
    || { cat "$folder/initdb.log" >&2; exit 1; }
run_as_postgres "$pg_bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $folder -c fsync=off" start >/dev/null \
    || { cat "$folder/server.log" >&2; exit 1; }
"$pg_bin/createdb" -h 127.0.0.1 -p "$port" -U postgres quillet_test

# Debian's odbcinst.ini sets CommLog=1, and the driver falls back to it when a
# connection closes whatever the connection string says, leaving a
# /tmp/psqlodbc_*.log per connection.
mkdir "$folder/odbc"
sed 's/^CommLog *= *1/CommLog=0/' "$(odbcinst -j | sed -n 's/^DRIVERS\.*: //p')" >"$folder/odbc/odbcinst.ini"
cp "$(odbcinst -j | sed -n 's/^SYSTEM DATA SOURCES: //p')" "$folder/odbc/odbc.ini" 2>/dev/null || true
export ODBCSYSINI=$folder/odbc

export QUILLET_PG_HOST=127.0.0.1 QUILLET_PG_PORT=$port QUILLET_PG_DATABASE=quillet_test QUILLET_PG_USER=postgres
export QUILLET_PG_CONNECT="Driver=PostgreSQL ANSI;Server=127.0.0.1;Port=$port;Database=quillet_test;Uid=postgres;Pwd=;"
if [ "$(id -u)" = 0 ]; then
    export QUILLET_PG_STOP="runuser -u postgres -- $pg_bin/pg_ctl -D $folder/data stop -m immediate"
else
    export QUILLET_PG_STOP="$pg_bin/pg_ctl -D $folder/data stop -m immediate"
fi

set +e
"$@"
status=$?
exit $status
