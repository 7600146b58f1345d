#!/usr/bin/env bash
# A PostgreSQL server of its own for the tests: a new cluster in a temporary
# folder, listening on 127.0.0.1 on a free port, with password sign-in. It runs
# as an unprivileged user (the server refuses to run as root), so its files
# live under /tmp, where that user may write; FOLDER names them.
#
#   pg_server.sh start FOLDER   writes FOLDER/connection.txt, the ODBC
#                               connection text of the maintenance database
#   pg_server.sh stop FOLDER    stops the server and removes FOLDER
#
# The tests create a database of their own for each run from that connection
# (tests/support/server_book.h).
set -euo pipefail

action=${1:?usage: pg_server.sh start|stop FOLDER}
folder=${2:?usage: pg_server.sh start|stop FOLDER}

bin=$(ls -d /usr/lib/postgresql/*/bin 2> /dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || {
    echo "PostgreSQL is not installed (tools/packages.txt lists postgresql)" >&2
    exit 1
}

as_server_user() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u nobody -- "$@"
    else
        "$@"
    fi
}

stop_server() {
    local server
    server=$(cat "$folder/server_folder" 2> /dev/null) || server=""
    if [ -n "$server" ] && [ -f "$server/data/postmaster.pid" ]; then
        as_server_user "$bin/pg_ctl" -D "$server/data" -m immediate -w stop > /dev/null 2>&1 || true
    fi
    [ -n "$server" ] && rm -rf "$server"
    rm -rf "$folder"
}

case "$action" in
start)
    # A server left by a run that was killed is stopped first.
    stop_server
    mkdir -p "$folder"
    server=$(mktemp -d /tmp/varelo-pg.XXXXXX)
    printf '%s\n' "$server" > "$folder/server_folder"
    password=$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
    printf '%s\n' "$password" > "$server/password"
    if [ "$(id -u)" -eq 0 ]; then chown -R nobody "$server"; fi
    as_server_user "$bin/initdb" -D "$server/data" -U varelo --pwfile="$server/password" \
        --auth-local=scram-sha-256 --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 \
        > "$folder/initdb.log" 2>&1 || {
        cat "$folder/initdb.log" >&2
        exit 1
    }
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    as_server_user "$bin/pg_ctl" -D "$server/data" -l "$server/server.log" -w -t 60 \
        -o "-h 127.0.0.1 -p $port -k $server -c fsync=off -c max_connections=100" start > /dev/null || {
        cat "$server/server.log" >&2
        exit 1
    }
    printf 'ODBC;Driver=PostgreSQL Unicode;Server=127.0.0.1;Port=%s;Database=postgres;Uid=varelo;Pwd=%s\n' \
        "$port" "$password" > "$folder/connection.txt"
    chmod 600 "$folder/connection.txt"
    echo "PostgreSQL on 127.0.0.1:$port ($server)"
    ;;
stop)
    stop_server
    ;;
*)
    echo "usage: pg_server.sh start|stop FOLDER" >&2
    exit 2
    ;;
esac
