#!/usr/bin/env bash
# Installs what the web tests need on a Debian machine: the web servers
# (Apache, lighttpd, nginx with fcgiwrap), Chromium with a Japanese font,
# Node.js with npm, and the test's npm packages (tests/web, npm ci).
# Only what is missing is installed. Run as root or with sudo available.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

need=()
[ -x "$APACHE_BIN" ] || need+=(apache2)
[ -x "$LIGHTTPD_BIN" ] || need+=(lighttpd)
[ -x "$NGINX_BIN" ] || need+=(nginx)
[ -x "$FCGIWRAP_BIN" ] || need+=(fcgiwrap)
[ -x /usr/bin/chromium ] || need+=(chromium)
[ -n "$(fc-list :lang=ja 2>/dev/null)" ] || need+=(fonts-ipafont-gothic fontconfig)
command -v node >/dev/null 2>&1 || need+=(nodejs)
command -v npm >/dev/null 2>&1 || need+=(npm)
command -v curl >/dev/null 2>&1 || need+=(curl)
command -v iconv >/dev/null 2>&1 || need+=(libc-bin)
apt_install "${need[@]}"

web=$REPO_DIR/tests/web
if [ ! -d "$web/node_modules/playwright-core" ] || [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
  (cd "$web" && npm ci --no-audit --no-fund --loglevel=error)
fi
