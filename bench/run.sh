#!/usr/bin/env bash
# The speed benchmarks (make bench): whole CGI processes of the Release
# kiroq.exe against a minimal CGI program writing a page of the same size
# (bench/floor.c), on generated Japanese boards of 1,000, 10,000 and 65,000
# articles; the search against a plain read of the index and the log; the
# link modes; W clients at once on the 10,000-article board (bench/load_bench,
# W = 8 and 32, LOAD_SECONDS per row); the peak memory of the pages that read
# many records or bodies (bench/memory_bench); and requests per second under a
# private Apache with mod_cgid (wrk, 2 threads, 8 and 32 connections, 10 s,
# with latency percentiles; rate = kiroq / floor); the board tool's check
# time and export's peak memory on the 65,000-article board. Prints
# figures; never fails on them (only when something cannot be built or run).
#
#   bench/run.sh [RUNS]        median of RUNS runs (default 41)
#   ONLY=load bench/run.sh     the concurrent clients alone
#   ONLY=apache bench/run.sh   the Apache throughput alone
#   KIROQ_EXE=path             measure that program instead of the build's
#
# BUILD (default build-bench) is the Release build folder; PORT (default
# 18089) the loopback port for Apache; NO_APACHE=1 skips the server part;
# LOAD_SECONDS (default 5, 0 skips) the length of each concurrent row.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
runs=${1:-41}
port=${PORT:-18089}
load_seconds=${LOAD_SECONDS:-5}
only=${ONLY:-}

echo "== build (Release, $build)"
# A new build folder gets no tests (they are not needed here); an existing
# one keeps its choice.
tests=()
[ -f "$build/CMakeCache.txt" ] || tests=(-DKIROQ_TESTS=OFF)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIROQ_BENCH=ON "${tests[@]}" >/dev/null
ninja -C "$build" -j2 kiroq kiroq_board_tool make_threads cgi_bench load_bench memory_bench floor floor_static floor_dynamic >/dev/null

work=$(mktemp -d /tmp/kiroq-bench.XXXXXX)
apache_conf=""
cleanup() {
  if [ -n "$apache_conf" ]; then /usr/sbin/apache2 -f "$apache_conf" -k stop 2>/dev/null || true; sleep 1; fi
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

echo "== machine"
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
  "$(uname -sr), $(g++ --version | head -n1)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== boards"
cp "${KIROQ_EXE:-$build/kiroq.exe}" "$work/kiroq.exe"
cp "$build/bench/floor" "$build/bench/floor_static" "$build/bench/floor_dynamic" "$work/"
boards="t1k t10k t65k"
[ -n "$only" ] && boards=t10k
[ -n "$only" ] || "$build/bench/make_threads" "$work" t1k 1000 2 | head -n 1
"$build/bench/make_threads" "$work" t10k 10000 50 >"$work/t10k.txt"
head -n 1 "$work/t10k.txt"
[ -n "$only" ] || "$build/bench/make_threads" "$work" t65k 65000 65 | head -n 1
for b in $boards; do
  # The NEWPOSTSORT and USEFEED twins: their own settings, the same data files.
  for twin in s f; do
    ln -f "$work/bbsdb/$b.idx" "$work/bbsdb/${b}$twin.idx"
    ln -f "$work/bbsdb/$b.log" "$work/bbsdb/${b}$twin.log"
  done
done
keyword=$(sed -n 2p "$work/t10k.txt")
hits=$(sed -n 3p "$work/t10k.txt")
# Warm the page cache.
cat "$work"/bbsdb/* >/dev/null

load() {
  [ "$load_seconds" != 0 ] || return 0
  echo "== concurrent clients (bench/load_bench: W at once, each starting its next request when its page is read)"
  echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  "$build/bench/load_bench" "$work" "$load_seconds" 8,32 t10k
}
if [ "$only" = load ]; then
  load
  exit 0
fi

if [ "$only" != apache ]; then
echo "== requests (floor: bench/floor.c linked like kiroq.exe: $(ldd "$work/floor" >/dev/null 2>&1 && echo dynamic || echo static))"
"$build/bench/cgi_bench" "$work" "$runs" t1k t10k t65k --search t10k "$keyword" "$hits"

echo "== memory (bench/memory_bench: page size 1000; a board of 50 bodies of about 4 MB; one body that is a 5 MB line; 10 clients that stop reading)"
"$build/bench/make_threads" "$work" big 50 200 | head -n 1
"$build/bench/memory_bench" "$work" "$(( runs < 5 ? runs : 5 ))" t65k big --long-line --stalled 10 t65k+1000+0+11 big+1000+0+11
rm -f "$work/bbsdb/big.idx" "$work/bbsdb/big.log"

echo "== board tool (kiroq-board on the 65,000-article board: check, median of 5; export once, to /dev/null)"
tool=$build/kiroq-board
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  "$tool" check "$work" t65k >/dev/null 2>&1 || true
  echo $((($(date +%s%N) - start) / 1000000))
done | sort -n | sed -n 3p | awk '{printf "check: %d ms\n", $1}'
if [ -x /usr/bin/time ]; then
  /usr/bin/time -f "export: %e s, peak RSS %M KB" "$tool" export "$work" t65k 2>&1 >/dev/null | grep '^export: [0-9]'
fi

echo "== link modes (same objects; one article, 10k board)"
objects="$build/CMakeFiles/kiroq.dir/src/app/main.cc.o"
for layer in app pages html cgi board storage text platform; do objects="$objects $build/libkiroq_$layer.a"; done
g++ -O2 -o "$work/kiroq-dynamic.exe" $objects
g++ -O2 -o "$work/kiroq-static-libstdc++.exe" $objects -static-libstdc++ -static-libgcc
g++ -O2 -o "$work/kiroq-static.exe" $objects -static 2>/dev/null
"$build/bench/cgi_bench" "$work" "$runs" --link "t10k+10+5000+3" \
  kiroq-dynamic.exe:floor_dynamic kiroq-static-libstdc++.exe:floor_dynamic kiroq-static.exe:floor_static \
  kiroq-static.exe:floor_dynamic
ls -l "$work"/kiroq*.exe | awk '{print $5, $9}' | sed "s|$work/||"

load
fi

if [ "${NO_APACHE:-0}" = 1 ]; then exit 0; fi
echo "== Apache (event MPM, mod_cgid) on 127.0.0.1:$port, wrk -t2 -c8 and -c32 -d10s --latency"
if [ ! -x /usr/sbin/apache2 ]; then
  echo "Apache is not installed (make serve installs it): skipped"
  exit 0
fi
if ! command -v wrk >/dev/null 2>&1; then
  apt-get install -y -qq wrk >/dev/null 2>&1 || { echo "wrk is missing and could not be installed: skipped"; exit 0; }
fi
site=$work/site
mkdir -p "$site/bbs/bbsdb" "$site/www"
cp "$work/kiroq.exe" "$site/bbs/kiroq.exe"
cp "$work/floor" "$site/bbs/floor.cgi"
cp "$work/t10k.ini" "$work/t10ks.ini" "$site/bbs/"
for f in t10k.idx t10k.log t10ks.idx t10ks.log; do ln -f "$work/bbsdb/$f" "$site/bbs/bbsdb/$f"; done
echo ok >"$site/www/index.html"
chmod 755 "$work" "$site" "$site/bbs" "$site/www"
if [ "$(id -u)" -eq 0 ]; then chown -R www-data:www-data "$site/bbs/bbsdb"; fi
apache_run=$work/apache
conf=$(bash "$root/serve/conf.sh" apache "$site" "$apache_run" "$port")
# The floor as a second CGI program.
cat >>"$conf" <<EOF
ScriptAliasMatch "^/bbs/floor\\.cgi\$" "$site/bbs/floor.cgi"
<Location "/bbs/floor.cgi">
    Require all granted
</Location>
EOF
if ! /usr/sbin/apache2 -f "$conf" -k start; then
  echo "Apache could not start; see $apache_run/error.log"
  exit 0
fi
apache_conf=$conf
for _ in $(seq 1 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

base=http://127.0.0.1:$port/bbs
# wrk with its latency distribution: prints "requests/s p50 p99 max"
# (latencies in ms) for a URL and a number of connections.
measure() {
  wrk -t2 -c"$2" -d10s --latency "$1" 2>/dev/null | awk '
    function ms(v) { if (v ~ /us$/) return v / 1000; if (v ~ /ms$/) return v + 0; if (v ~ /s$/) return v * 1000; return v }
    /^ +Latency +[0-9]/ {max = ms($4)}
    /^ +50%/ {p50 = ms($2)}
    /^ +99%/ {p99 = ms($2)}
    /Requests\/sec/ {rps = $2}
    END {printf "%s %.1f %.1f %.1f", rps, p50, p99, max}'
}
printf '%-18s %3s %6s | %9s %7s %7s %7s | %9s %7s %7s %7s | %5s %5s\n' "request" "c" "bytes" \
  "kiroq r/s" "p50" "p99" "max" "floor r/s" "p50" "p99" "max" "rate" "p99x"
for connections in 8 32; do
  for q in "t10k+10+0+2" "t10ks+10+0+2" "t10k+10+5000+3"; do
    bytes=$(curl -s "$base/kiroq.exe?$q" | wc -c)
    read -r kr k50 k99 kmax <<<"$(measure "$base/kiroq.exe?$q" "$connections")"
    read -r fr f50 f99 fmax <<<"$(measure "$base/floor.cgi?bytes=$bytes" "$connections")"
    printf '%-18s %3s %6s | %9s %7s %7s %7s | %9s %7s %7s %7s | %5s %5s\n' "$q" "$connections" "$bytes" \
      "$kr" "$k50" "$k99" "$kmax" "$fr" "$f50" "$f99" "$fmax" \
      "$(awk -v k="$kr" -v f="$fr" 'BEGIN {printf "%.2f", k / f}')" \
      "$(awk -v k="$k99" -v f="$f99" 'BEGIN {printf "%.2f", k / f}')"
  done
done
non200=$(awk '$(NF-1) != 200' "$apache_run/access.log" | wc -l)
echo "responses other than 200 in the access log: $non200"
