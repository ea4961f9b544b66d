#!/usr/bin/env bash
# make test-web: the program behind Apache, lighttpd and nginx+fcgiwrap,
# clicked through in headless Chromium, and make serve / make stop.
#
# A tool that is missing makes these tests skip with a message naming it
# (install everything with: sudo bash serve/deps.sh). With
# KIROQ_WEB_REQUIRED=1 (CI, after installing) a missing tool fails instead.
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
web=$repo/tests/web
cd "$repo" || exit 1

missing=()
[ -x build/kiroq.exe ] || missing+=("the program (make build)")
[ -x /usr/sbin/apache2 ] || missing+=("Apache httpd (apache2)")
command -v node >/dev/null 2>&1 || missing+=("Node.js (nodejs)")
command -v curl >/dev/null 2>&1 || missing+=("curl")
if [ ! -d "$web/node_modules/playwright-core" ] && command -v npm >/dev/null 2>&1; then
  (cd "$web" && npm ci --no-audit --no-fund --loglevel=error) || true
fi
[ -d "$web/node_modules/playwright-core" ] || missing+=("the npm package playwright-core (npm ci in tests/web)")

if [ ${#missing[@]} -gt 0 ]; then
  for m in "${missing[@]}"; do echo "web tests: missing $m" >&2; done
  if [ "${KIROQ_WEB_REQUIRED:-0}" = 1 ]; then
    echo "web tests FAILED: required tools are missing" >&2
    exit 1
  fi
  echo "web tests SKIPPED: install the missing tools with: sudo bash serve/deps.sh" >&2
  exit 0
fi

rm -rf "$web/artifacts"
status=0
bash "$web/serve_test.sh" || status=1
# One test file at a time: each starts its own servers and browser.
node --test --test-concurrency=1 --test-timeout=120000 --test-reporter=tap "$web"/*.test.js || status=1
if [ -d "$web/artifacts" ]; then
  echo "web tests: screenshots in $web/artifacts/"
fi
exit $status
