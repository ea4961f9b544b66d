#!/usr/bin/env bash
# Fails unless the program was built hardened: a position-independent
# executable, relocations bound at start (BIND_NOW) and then made read-only
# (GNU_RELRO), the stack protector and the fortified libc calls in use.
#
#   tools/check_hardening.sh build/kiroq.exe
set -uo pipefail

exe=${1:?program to check}
command -v readelf >/dev/null || { echo "hardening: readelf (binutils) is missing" >&2; exit 1; }
[ -f "$exe" ] || { echo "hardening: $exe is missing" >&2; exit 1; }

header=$(readelf -hW "$exe") || exit 1
dynamic=$(readelf -dW "$exe")
segments=$(readelf -lW "$exe")
# Only what the program takes from the C library counts: names of its own
# that look alike must not pass the check.
imports=$(readelf --dyn-syms -W "$exe" | awk '$7 == "UND" { sub(/@.*/, "", $8); print $8 }')

failed=0
fail() {
  echo "hardening: $exe: $1" >&2
  failed=1
}
grep -Eq '^ *Type: *DYN' <<<"$header" || fail "not a position-independent executable (ELF type is not DYN)"
grep -Eq '\(BIND_NOW\)|\(FLAGS(_1)?\).*\bNOW\b' <<<"$dynamic" || fail "no BIND_NOW: relocations are bound lazily"
grep -q 'GNU_RELRO' <<<"$segments" || fail "no GNU_RELRO segment"
grep -qx '__stack_chk_fail' <<<"$imports" || fail "no stack protector (__stack_chk_fail is not used)"
fortified=$(grep -Ecx '__[a-z0-9_]+_chk' <<<"$imports")
[ "$fortified" -gt 0 ] || fail "no fortified libc calls (no __*_chk function is used)"
[ $failed -eq 0 ] && echo "hardening: $exe: PIE, BIND_NOW, RELRO, stack protector, $fortified fortified calls"
exit $failed
