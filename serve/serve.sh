#!/usr/bin/env bash
# make serve: builds kiroq, installs Apache httpd when it is missing, lays out
# the demo site in the run folder and starts a private Apache on
# 127.0.0.1:PORT. No system service or system configuration is touched.
#
# Usage: serve/serve.sh [--port PORT] [--run-dir DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"

PORT=8080
RUN_DIR=$REPO_DIR/run
while [ $# -gt 0 ]; do
  case $1 in
    --port) PORT=$2; shift 2 ;;
    --run-dir) RUN_DIR=$2; shift 2 ;;
    *) die "unknown option: $1" ;;
  esac
done
[[ $PORT =~ ^[0-9]+$ ]] || die "not a port: $PORT"

# Tools to build the program and to serve it.
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v make >/dev/null 2>&1 || need+=(make)
[ -e /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -x "$APACHE_BIN" ] || need+=(apache2)
command -v iconv >/dev/null 2>&1 || need+=(libc-bin)
apt_install "${need[@]}" || die "could not install: ${need[*]}"

make -C "$REPO_DIR" --no-print-directory build >&2

mkdir -p "$RUN_DIR"
RUN_DIR=$(cd "$RUN_DIR" && pwd)
# A server already started from this folder is replaced.
bash "$SERVE_DIR/stop.sh" --run-dir "$RUN_DIR" --quiet

port_open "$PORT" && die "port $PORT is in use; choose another with make serve PORT=..."

# The server's workers must reach the site through every parent folder.
if [ "$(id -u)" -eq 0 ] && ! runuser -u "$(web_user)" -- test -x "$RUN_DIR"; then
  die "$(web_user) cannot reach $RUN_DIR; choose a run folder it can open with RUN_DIR=..."
fi

bash "$SERVE_DIR/site.sh" "$RUN_DIR/site" "$REPO_DIR/build/kiroq.exe"
conf=$(bash "$SERVE_DIR/conf.sh" apache "$RUN_DIR/site" "$RUN_DIR/apache" "$PORT")
"$APACHE_BIN" -f "$conf" -k start
wait_for_port "$PORT" || die "Apache did not start; see $RUN_DIR/apache/error.log"

base="http://127.0.0.1:$PORT/bbs/kiroq.exe"
stop_cmd="make stop"
[ "$RUN_DIR" = "$REPO_DIR/run" ] || stop_cmd="make stop RUN_DIR=$RUN_DIR"
pass() { head -n 1 "$RUN_DIR/site/drive-x/KIRPASS/$1.PWD" | tr -d '\r'; }
cat <<MSG

kiroq is served by Apache at http://127.0.0.1:$PORT/

  Japanese demo board   $base?demo+10+0+2
  English demo board    $base?english+10+0+2
  members-only board    $base?members+10+0+2   (member ID guest, password guest-pass)

  administrator password (manager link at the foot of each page):
    demo      $(pass demo)
    english   $(pass english)
    members   $(pass members)
  deletion password of the demo articles: demo

  site files   $RUN_DIR/site    (boards beside the program in bbs/, data in bbs/bbsdb/)
  server       $RUN_DIR/apache  (apache.conf, error.log, access.log)
  stop with    $stop_cmd
MSG
