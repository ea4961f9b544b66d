#!/bin/sh
# Search benchmark: a board of 20,000 articles with a 50 MB log, searched for
# a keyword that 1% of the articles hold, by the real CGI program; compared
# with a process that only reads the index and the log. Prints figures and
# never fails on them.
#
#   bench/search_bench.sh [RUNS]      (default 11 runs, median reported)
#
# Builds a Release tree in build-list-rel (without the tests) and works in a
# temporary folder that is removed at the end.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-list-rel"
runs=${1:-11}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIROQ_TESTS=OFF -DKIROQ_BENCH=ON >/dev/null
ninja -C "$build" -j2 kiroq make_board search_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

"$build/bench/make_board" "$work" bench 20000 50 1 >"$work/made.txt"
head -n 1 "$work/made.txt"
keyword=$(tail -n 1 "$work/made.txt")
hits=$(sed -n 's/.*keyword in \([0-9]*\) articles.*/\1/p' "$work/made.txt")
cp "$build/kiroq.exe" "$work/kiroq.exe"

"$build/bench/search_bench" "$work" bench "$keyword" "$hits" "$runs"
