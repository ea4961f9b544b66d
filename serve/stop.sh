#!/usr/bin/env bash
# make stop: stops the Apache that make serve started, by its pid file.
#
# Usage: serve/stop.sh [--run-dir DIR] [--quiet]
set -euo pipefail
source "$(dirname "$0")/lib.sh"

RUN_DIR=$REPO_DIR/run
quiet=0
while [ $# -gt 0 ]; do
  case $1 in
    --run-dir) RUN_DIR=$2; shift 2 ;;
    --quiet) quiet=1; shift ;;
    *) die "unknown option: $1" ;;
  esac
done

pid_file=$RUN_DIR/apache/httpd.pid
say() { [ $quiet -eq 1 ] || echo "$@"; }

if [ ! -s "$pid_file" ]; then
  say "kiroq: no server is running from $RUN_DIR"
  exit 0
fi
pid=$(tr -dc '0-9' <"$pid_file")
# A stale pid file may name another program by now: only an apache2 process
# is stopped.
if [ -z "$pid" ] || [ "$(cat "/proc/$pid/comm" 2>/dev/null)" != apache2 ]; then
  say "kiroq: the server from $RUN_DIR is not running (stale pid file removed)"
  rm -f "$pid_file"
  exit 0
fi
kill -TERM "$pid"
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
# Apache leads its own process group: a server that ignored the request is
# ended with all its workers.
if kill -0 "$pid" 2>/dev/null; then
  kill -KILL -- "-$pid" 2>/dev/null || kill -KILL "$pid"
fi
rm -f "$pid_file"
say "kiroq: stopped the server (pid $pid)"
