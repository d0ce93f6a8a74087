#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests, independent of any server
# the machine may run.
#
#   pg-cluster.sh start DIR   initdb into DIR/data as an unprivileged user and
#                             start a server that listens only on a Unix
#                             socket in DIR (no TCP port); prints the libpq
#                             URI of its "postgres" database
#   pg-cluster.sh stop DIR    stops that server (if running) and removes DIR
#
# PostgreSQL refuses to run as root, so as root the cluster belongs to the
# system user "tesselpg", created when missing; otherwise to the caller.
set -euo pipefail

command=${1:-}
dir=${2:-}
if [ -z "$command" ] || [ -z "$dir" ]; then
  echo "usage: pg-cluster.sh start|stop DIR" >&2
  exit 2
fi

case "$dir" in
  /*) ;;
  *) dir="$PWD/$dir" ;;
esac

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ]; then
  echo "pg-cluster.sh: no PostgreSQL server under /usr/lib/postgresql (install postgresql)" >&2
  exit 1
fi

owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  owner=tesselpg
  id -u "$owner" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$owner"
fi

# Runs a server program as the cluster's owner, from the cluster's folder
# (the owner may not be allowed into the caller's working directory).
as_owner() {
  if [ "$(id -un)" = "$owner" ]; then
    (cd "$dir" && "$@")
  else
    (cd "$dir" && runuser -u "$owner" -- "$@")
  fi
}

case "$command" in
  start)
    mkdir -p "$dir"
    chown "$owner" "$dir"
    chmod 700 "$dir"
    as_owner "$bindir/initdb" -D "$dir/data" -U tessel --auth=trust --no-locale -E UTF8 --no-sync >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off -c full_page_writes=off" \
      start >/dev/null ||
      { cat "$dir/server.log" >&2; exit 1; }
    # The socket folder as the URI's host, percent-encoded.
    echo "postgresql://tessel@$(printf '%s' "$dir" | sed 's|/|%2F|g')/postgres"
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: pg-cluster.sh start|stop DIR" >&2
    exit 2
    ;;
esac
