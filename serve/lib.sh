# Shared helpers of the serve scripts (sourced, not run).
# shellcheck shell=bash

# Replacement texts below are literal, also on bash 5.2.
shopt -u patsub_replacement 2>/dev/null || true

SERVE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(cd "$SERVE_DIR/.." && pwd)

die() {
  echo "kiroq: $*" >&2
  exit 1
}

# Runs a command as root: directly when we are root, else through sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "kiroq: need root (or sudo) to run: $*" >&2
    return 1
  fi
}

# Installs Debian packages, updating the package lists first. The web
# server packages would start their system services on port 80 (and the
# second of them fail on the busy port): while installing, a policy-rc.d
# that allows no service start is put in place, unless the machine has one.
apt_install() {
  [ $# -gt 0 ] || return 0
  command -v apt-get >/dev/null 2>&1 || { echo "kiroq: no apt-get to install $*" >&2; return 1; }
  echo "kiroq: installing $* ..." >&2
  local policy=/usr/sbin/policy-rc.d placed=0 rc=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\n# placed by kiroq while installing packages\nexit 101\n' | as_root tee "$policy" >/dev/null &&
      as_root chmod 755 "$policy" && placed=1
  fi
  as_root apt-get update -qq >&2 &&
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >&2 || rc=$?
  [ $placed -eq 1 ] && as_root rm -f "$policy"
  return $rc
}

APACHE_BIN=/usr/sbin/apache2
APACHE_MODULES=/usr/lib/apache2/modules
LIGHTTPD_BIN=/usr/sbin/lighttpd
NGINX_BIN=/usr/sbin/nginx
FCGIWRAP_BIN=/usr/sbin/fcgiwrap

# The account the web server's workers run as when started by root (the
# servers refuse to run CGI programs as root).
web_user() {
  if [ "$(id -u)" -eq 0 ]; then
    if id www-data >/dev/null 2>&1; then echo www-data; else echo nobody; fi
  else
    id -un
  fi
}

web_group() {
  if [ "$(id -u)" -eq 0 ]; then
    id -gn "$(web_user)"
  else
    id -gn
  fi
}

# True when `port` on 127.0.0.1 accepts connections.
port_open() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Waits until a server answers on `port` (at most ~10 s).
wait_for_port() {
  local port=$1 i
  for i in $(seq 1 100); do
    port_open "$port" && return 0
    sleep 0.1
  done
  return 1
}

# Fills a configuration template: every @NAME@ is replaced by the value of
# the shell variable NAME (only the names given).
fill_template() {
  local template=$1 out=$2
  shift 2
  local text name value
  text=$(<"$template")
  for name in "$@"; do
    value=${!name}
    text=${text//@"$name"@/$value}
  done
  printf '%s\n' "$text" >"$out"
}
