#!/usr/bin/env bash
# The C++ sources of src/, tests/, fuzz/ and bench/ against .clang-format.
#
#   tools/check_format.sh         lists each file clang-format would change; fails if any
#   tools/check_format.sh --fix   rewrites them in place
#
# The generated table src/text/cp932_table.inc is left as generated.
set -uo pipefail
cd "$(dirname "$0")/.."

clang_format=${CLANG_FORMAT:-clang-format}
command -v "$clang_format" >/dev/null || { echo "format: $clang_format is missing (apt-get install clang-format)" >&2; exit 1; }

mapfile -t files < <(find src tests fuzz bench -type f \( -name '*.cc' -o -name '*.h' -o -name '*.inc' \) \
  ! -path src/text/cp932_table.inc ! -path '*/node_modules/*' | sort)
[ ${#files[@]} -gt 0 ] || { echo "format: no sources found" >&2; exit 1; }

if [ "${1:-}" = --fix ]; then
  "$clang_format" -i "${files[@]}"
  echo "format: ${#files[@]} files formatted"
  exit 0
fi

bad=0
for f in "${files[@]}"; do
  if ! "$clang_format" --dry-run -Werror "$f" >/dev/null 2>&1; then
    echo "format: $f differs from .clang-format"
    bad=$((bad + 1))
  fi
done
if [ $bad -gt 0 ]; then
  echo "format: $bad of ${#files[@]} files need 'make format'" >&2
  exit 1
fi
echo "format: ${#files[@]} files match .clang-format"
