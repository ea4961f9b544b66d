#!/usr/bin/env bash
# Writes the configuration of a private web server for a site laid out by
# serve/site.sh, and prints its path.
#
# Usage: serve/conf.sh apache|lighttpd|nginx SITE RUN PORT [ADDR]
#   SITE  the site folder (serve/site.sh)
#   RUN   a folder for the server's configuration, pid file, logs and sockets
#   PORT  the port to listen on; ADDR the address (127.0.0.1)
#
# Start the server with the printed configuration:
#   apache2 -f CONF -k start             (or -DFOREGROUND)
#   lighttpd -D -f CONF
#   fcgiwrap -s unix:RUN/fcgiwrap/fcgiwrap.sock & nginx -c CONF
#   (as root: runuser -u www-data -- fcgiwrap ...)
set -euo pipefail
source "$(dirname "$0")/lib.sh"

[ $# -ge 4 ] || die "usage: conf.sh apache|lighttpd|nginx SITE RUN PORT [ADDR]"
server=$1
SITE=$(cd "$2" && pwd)
mkdir -p "$3"
RUN=$(cd "$3" && pwd)
PORT=$4
ADDR=${5:-127.0.0.1}
MODULES=$APACHE_MODULES
[[ $PORT =~ ^[0-9]+$ ]] || die "not a port: $PORT"

user=$(web_user)
group=$(web_group)
root=0
[ "$(id -u)" -eq 0 ] && root=1

case $server in
  apache)
    mkdir -p "$RUN/runtime"
    USER_LINES=""
    [ $root -eq 1 ] && USER_LINES=$'User '"$user"$'\nGroup '"$group"
    fill_template "$SERVE_DIR/apache.conf.in" "$RUN/apache.conf" SITE RUN PORT ADDR MODULES USER_LINES
    echo "$RUN/apache.conf"
    ;;
  lighttpd)
    USER_LINES=""
    [ $root -eq 1 ] && USER_LINES="server.username = \"$user\""$'\n'"server.groupname = \"$group\""
    fill_template "$SERVE_DIR/lighttpd.conf.in" "$RUN/lighttpd.conf" SITE RUN PORT ADDR USER_LINES
    # lighttpd opens its logs after giving up root.
    touch "$RUN/lighttpd-error.log" "$RUN/lighttpd-access.log"
    [ $root -eq 1 ] && chown "$user:$group" "$RUN/lighttpd-error.log" "$RUN/lighttpd-access.log"
    echo "$RUN/lighttpd.conf"
    ;;
  nginx)
    USER_LINES=""
    [ $root -eq 1 ] && USER_LINES="user $user $group;"
    fill_template "$SERVE_DIR/nginx.conf.in" "$RUN/nginx.conf" SITE RUN PORT ADDR USER_LINES
    # fcgiwrap runs as the web user (never as root) and makes its socket here.
    mkdir -p "$RUN/fcgiwrap"
    [ $root -eq 1 ] && chown "$user:$group" "$RUN/fcgiwrap"
    echo "$RUN/nginx.conf"
    ;;
  *)
    die "unknown server: $server"
    ;;
esac
# The workers (not root) reach the run folder for sockets.
chmod 755 "$RUN"
