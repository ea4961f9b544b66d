#!/usr/bin/env bash
# make serve and make stop, as an administrator runs them, in a temporary
# run folder on a free port: the printed addresses answer, the demo data is
# real, a second make serve replaces the server, make stop leaves nothing.
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/serve/lib.sh"

passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what" >&2
  fi
}

tmp=$(mktemp -d)
chmod 755 "$tmp"
run=$tmp/run
cleanup() {
  make -C "$repo" --no-print-directory stop RUN_DIR="$run" >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap cleanup EXIT

port=
for _ in $(seq 1 50); do
  candidate=$((20000 + RANDOM % 40000))
  if ! port_open "$candidate"; then port=$candidate; break; fi
done
[ -n "$port" ] || { echo "FAIL: no free port" >&2; exit 1; }

get() { curl -s --max-time 10 "$@"; }
status() { curl -s --max-time 10 -o /dev/null -w '%{http_code}' "$@"; }
server_pid() { tr -dc '0-9' <"$run/apache/httpd.pid" 2>/dev/null; }

out=$(make -C "$repo" --no-print-directory serve PORT="$port" RUN_DIR="$run" 2>&1)
rc=$?
check "make serve succeeds" [ $rc -eq 0 ]
[ $rc -eq 0 ] || { echo "$out" >&2; echo "$passed passed, $((failed + 1)) failed"; exit 1; }

base="http://127.0.0.1:$port/bbs/kiroq.exe"
for board in demo english members; do
  check "make serve prints the $board address" grep -qF "$base?$board+10+0+2" <<<"$out"
done
demo_pass=$(head -n 1 "$run/site/drive-x/KIRPASS/demo.PWD" | tr -d '\r')
check "make serve prints the administrator password" grep -qE "demo +$demo_pass\$" <<<"$out"

demo=$(get "$base?demo+10+0+2" | iconv -f CP932 -t UTF-8)
check "the Japanese board shows its demo thread" grep -qF "Re:01 ようこそ、デモ掲示板へ" <<<"$demo"
check "the English board shows its demo articles" grep -qF "Welcome to the demo board" <<<"$(get "$base?english+10+0+2")"
members=$(get "$base?members+10+0+2" | iconv -f CP932 -t UTF-8)
check "the members-only board asks for a login" grep -qF "会員制" <<<"$members"
check "the front page links the boards" grep -qF "kiroq.exe?demo+10+0+2" <<<"$(get "http://127.0.0.1:$port/")"
check "the settings file is not served" [ "$(status "http://127.0.0.1:$port/bbs/demo.ini")" = 404 ]

# The settings file is Shift-JIS on the server, as on the original boards.
ini=$run/site/bbs/demo.ini
check "demo.ini is Shift-JIS" grep -qF "$(printf 'UNNAME=名無しさん' | iconv -f UTF-8 -t CP932)" "$ini"
check "demo.ini is not UTF-8" bash -c "! iconv -f UTF-8 -t UTF-8 '$ini' >/dev/null 2>&1"

# The demo articles were posted through the program: the index holds one
# 1267-byte record per article, the thread links were made by the program.
check "four demo articles on the Japanese board" [ "$(stat -c %s "$run/site/bbs/bbsdb/demo.idx")" -eq $((4 * 1267)) ]

conf=$run/apache/apache.conf
check "Apache runs the event MPM with mod_cgid" grep -q "mod_mpm_event.so" "$conf"
check "and loads neither prefork nor mod_cgi" bash -c "! grep -qE 'mod_mpm_prefork|mod_cgi\\.so' '$conf'"
pid1=$(server_pid)
check "the server runs from the run folder" grep -qF "$conf" "/proc/$pid1/cmdline"

# A second make serve replaces the server and keeps the boards' data.
out=$(make -C "$repo" --no-print-directory serve PORT="$port" RUN_DIR="$run" 2>&1)
check "make serve again succeeds" [ $? -eq 0 ]
pid2=$(server_pid)
check "the old server is gone" bash -c "! kill -0 $pid1 2>/dev/null"
check "a new server answers" [ "$(status "$base?english+10+0+2")" = 200 ]
check "the data survives a restart" [ "$(stat -c %s "$run/site/bbs/bbsdb/demo.idx")" -eq $((4 * 1267)) ]
check "the password survives a restart" [ "$(head -n 1 "$run/site/drive-x/KIRPASS/demo.PWD" | tr -d '\r')" = "$demo_pass" ]

make -C "$repo" --no-print-directory stop RUN_DIR="$run" >/dev/null 2>&1
check "make stop succeeds" [ $? -eq 0 ]
check "make stop ends the server" bash -c "! kill -0 $pid2 2>/dev/null"
check "nothing listens on the port any more" bash -c "! (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null"
no_server_left() {
  local proc
  for proc in /proc/[0-9]*; do
    [ "$(cat "$proc/comm" 2>/dev/null)" = apache2 ] && grep -qsF "$conf" "$proc/cmdline" && return 1
  done
  return 0
}
check "no process of the server is left" no_server_left
check "make stop without a server says so" grep -q "no server is running" <<<"$(make -C "$repo" --no-print-directory stop RUN_DIR="$run" 2>&1)"

echo "serve: $passed passed, $failed failed"
[ $failed -eq 0 ]
