#!/usr/bin/env bash
# Starts or stops the throwaway PostgreSQL server the database tests use: a cluster in FOLDER
# that listens only on a Unix socket in FOLDER and trusts local connections, so it meets no
# other server and needs no password. As root the server runs as the postgres system user,
# because it refuses to run as root.
# Usage: pg-test-server.sh start|stop FOLDER
set -euo pipefail
action="$1"
folder="$2"

bindir="$(pg_config --bindir 2>/dev/null || true)"
if [ ! -x "$bindir/initdb" ]; then
  bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
fi
if [ ! -x "$bindir/initdb" ]; then
  echo "PostgreSQL's server programs were not found (Debian package postgresql)." >&2
  exit 1
fi

# The server's programs run from a folder every user may enter.
cd /

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop_server() {
  if [ -f "$folder/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
}

case "$action" in
  start)
    stop_server
    rm -rf "$folder"
    mkdir -p "$folder"
    if [ "$(id -u)" -eq 0 ]; then chown postgres "$folder"; fi
    if ! as_owner "$bindir/initdb" -D "$folder/data" -A trust -U postgres -E UTF8 --no-locale -N \
        >"$folder/initdb.log" 2>&1; then
      cat "$folder/initdb.log" >&2
      exit 1
    fi
    if ! as_owner "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
        -o "-k $folder -c listen_addresses= -c fsync=off -c full_page_writes=off" \
        start >/dev/null; then
      cat "$folder/server.log" >&2
      exit 1
    fi
    ;;
  stop)
    stop_server
    rm -rf "$folder"
    ;;
  *)
    echo "usage: $0 start|stop FOLDER" >&2
    exit 2
    ;;
esac
