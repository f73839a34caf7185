#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, on a Unix socket in its own folder.
#   scripts/pg-test-server.sh start DIR   initdb into DIR/data, start, write DIR/conninfo
#   scripts/pg-test-server.sh stop DIR    stop the server and remove DIR
#   scripts/pg-test-server.sh halt|resume DIR   kill it and start it again (connection loss)
# Without the server binaries, start writes DIR/skipped with the reason and
# succeeds, so that the tests report themselves as skipped (in CI it fails). As root the server
# runs as the "postgres" system user, which owns DIR.
set -uo pipefail
cmd=${1:-}
dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

bindir=${VMBGRID_PG_BIN:-}
# Debian keeps the server programs out of PATH, in /usr/lib/postgresql/<version>/bin:
# the newest version there, else wherever pg_config or PATH says.
if [ -z "$bindir" ]; then
  bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | while read -r d; do
    [ -x "$d/initdb" ] && echo "$d"; done | tail -n 1)
fi
if [ -z "$bindir" ] && command -v pg_config >/dev/null; then bindir=$(pg_config --bindir); fi
if [ -z "$bindir" ] && command -v initdb >/dev/null; then bindir=$(dirname "$(command -v initdb)"); fi

# Skips the server tests with the reason, except in CI, where a missing server is
# a missing install step and must fail rather than pass as skipped.
skip() {
  echo "$1: PostgreSQL tests are skipped" | tee "$dir/skipped"
  if [ -n "${CI:-}" ]; then
    echo "CI: the PostgreSQL tests must run (scripts/install-deps.sh installs the server)" >&2
    exit 1
  fi
  exit 0
}

# runuser lives in /usr/sbin, which a plain user's PATH may lack.
runuser=$(command -v runuser || echo /usr/sbin/runuser)
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then "$runuser" -u postgres -- "$@"; else "$@"; fi
}

case "$cmd" in
  start)
    "$0" stop "$dir" >/dev/null 2>&1
    mkdir -p "$dir"
    if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ] || [ ! -x "$bindir/pg_ctl" ]; then
      skip "PostgreSQL server binaries not found (install postgresql)"
    fi
    if [ "$(id -u)" -eq 0 ]; then
      if ! id postgres >/dev/null 2>&1; then
        skip "no postgres system user to run the server as"
      fi
      chown postgres "$dir"
    fi
    chmod 700 "$dir"
    # German ICU collation, as a German office would set its server up.
    if ! as_owner "$bindir/initdb" -D "$dir/data" -U vmbgrid --auth=trust --encoding=UTF8 \
        --locale=C.UTF-8 --locale-provider=icu --icu-locale=de-DE -N >"$dir/initdb.log" 2>&1; then
      cat "$dir/initdb.log" >&2
      exit 1
    fi
    # One role with a password, for the wrong-password test; everyone else is trusted.
    as_owner bash -c "printf '%s\n' 'local all vmbgrid_pw scram-sha-256' 'local all all trust' \
      > '$dir/data/pg_hba.conf'"
    if ! as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-k $dir -c listen_addresses= -p 5432 -c fsync=off -c synchronous_commit=off \
            -c full_page_writes=off -c max_connections=40" start >/dev/null; then
      cat "$dir/server.log" >&2
      exit 1
    fi
    "$bindir/psql" -X -q -h "$dir" -p 5432 -U vmbgrid -d postgres \
      -c "CREATE ROLE vmbgrid_pw LOGIN SUPERUSER PASSWORD 'richtig'" >/dev/null || exit 1
    echo "host=$dir port=5432 user=vmbgrid" >"$dir/conninfo"
    echo "PostgreSQL test server running in $dir"
    ;;
  halt)
    # Kills the server as a crash or a pulled cable would; resume starts it again.
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    ;;
  resume)
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-k $dir -c listen_addresses= -p 5432 -c fsync=off" start >/dev/null
    ;;
  stop)
    if [ -d "$dir/data" ] && [ -n "$bindir" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
