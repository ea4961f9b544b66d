#!/usr/bin/env bash
# Lays out a served kiroq site in SITE from the program file EXE:
#
#   SITE/bbs/kiroq.exe           the program (the only file run as CGI)
#   SITE/bbs/<board>.ini, ...    the demo boards' settings and templates (Shift-JIS)
#   SITE/bbs/members.txt         member file of the members-only board
#   SITE/bbs/bbsdb/              article logs and indexes, attachments
#   SITE/drive-x/KIRPASS/        administrator password files (drive letter X)
#   SITE/www/index.html          the site's front page
#
# The demo articles are posted through the program itself, so the data files
# are real. An existing site keeps its articles and passwords; the program
# and the settings files are replaced.
#
# Usage: serve/site.sh SITE EXE
set -euo pipefail
source "$(dirname "$0")/lib.sh"

[ $# -eq 2 ] || die "usage: site.sh SITE EXE"
SITE=$1
EXE=$2
[ -x "$EXE" ] || die "no program at $EXE (run make build)"
mkdir -p "$SITE"
SITE=$(cd "$SITE" && pwd)
BBS=$SITE/bbs
DRIVE=$SITE/drive-x
BOARDS=(demo english members)

mkdir -p "$BBS/bbsdb" "$SITE/www" "$DRIVE/KIRPASS"
chmod 755 "$SITE" "$BBS" "$SITE/www"
install -m 755 "$EXE" "$BBS/kiroq.exe"

# Board files: UTF-8 with LF in the repository; Shift-JIS (CP932) with CR LF
# on the server, as on the Windows servers the boards come from.
for src in "$SERVE_DIR"/boards/*; do
  name=$(basename "$src")
  text=$(<"$src")
  text=${text//@BBS@/$BBS}
  printf '%s\n' "$text" | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$BBS/$name.tmp"
  mv "$BBS/$name.tmp" "$BBS/$name"
  chmod 644 "$BBS/$name"
done

# Administrator passwords: made once per site, kept afterwards.
for board in "${BOARDS[@]}"; do
  pwd_file=$DRIVE/KIRPASS/$board.PWD
  if [ ! -s "$pwd_file" ]; then
    printf 'admin-%s\r\n' "$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')" >"$pwd_file"
  fi
done

# One POST to the installed program, as the web server would start it.
# QUERY is the query string, BODY a file holding a multipart/form-data body
# with boundary BOUNDARY. The demo member's cookies pass the login gate of
# the members-only board (posting there also takes the ID and password).
BOUNDARY=kiroqSeedBoundary7d3a
cgi_post() {
  local query=$1 body=$2
  (cd "$BBS" && env -i PATH=/usr/bin:/bin GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=POST QUERY_STRING="$query" \
    CONTENT_TYPE="multipart/form-data; boundary=$BOUNDARY" CONTENT_LENGTH="$(stat -c %s "$body")" \
    SERVER_NAME=127.0.0.1 SERVER_PORT=80 SCRIPT_NAME=/bbs/kiroq.exe SCRIPT_FILENAME="$BBS/kiroq.exe" \
    REMOTE_ADDR=127.0.0.1 HTTP_USER_AGENT=kiroq-seed HTTP_COOKIE='MEMID=guest; MEMPASS=guest-pass' KIROQ_DRIVE_X="$DRIVE" \
    ./kiroq.exe <"$body")
}

# Posts one article: post_article BOARD NUMBER FIELD=VALUE... (values in
# UTF-8; NUMBER 0 posts a new article, n replies to article n). Fails unless
# the index grew by one record.
post_article() {
  local board=$1 number=$2
  shift 2
  local body idx before after pair
  body=$(mktemp)
  for pair in "$@"; do
    printf -- '--%s\r\nContent-Disposition: form-data; name="%s"\r\n\r\n' "$BOUNDARY" "${pair%%=*}" >>"$body"
    printf '%s' "${pair#*=}" | iconv -f UTF-8 -t CP932 >>"$body"
    printf '\r\n' >>"$body"
  done
  printf -- '--%s--\r\n' "$BOUNDARY" >>"$body"
  idx=$BBS/bbsdb/$board.idx
  before=$(stat -c %s "$idx" 2>/dev/null || echo 0)
  cgi_post "$board+10+$number+9" "$body" >/dev/null
  rm -f "$body"
  after=$(stat -c %s "$idx" 2>/dev/null || echo 0)
  [ "$after" -eq $((before + 1267)) ] || die "posting a demo article to $board failed"
}

# CRLF line breaks, as browsers send them in a text area.
lines() {
  local out="" line
  for line in "$@"; do out+="$line"$'\r\n'; done
  printf '%s' "${out%$'\r\n'}"
}

board_is_empty() {
  [ ! -s "$BBS/bbsdb/$1.idx" ]
}

if board_is_empty demo; then
  post_article demo 0 NAME=管理人 EMAIL=admin@example.com "TITLE=ようこそ、デモ掲示板へ" PASSWORD=demo \
    "CONTENT=$(lines "kiroq のデモ掲示板です。" "記事を読んで、返信して、検索してみてください。" "投稿したときの削除キーで自分の記事を削除できます。")"
  post_article demo 0 NAME=さくら "TITLE=はじめまして" PASSWORD=demo \
    "CONTENT=$(lines "東京から書き込んでいます。" "桜がきれいな季節になりました。")"
  post_article demo 1 NAME=たろう "TITLE=Re:01 ようこそ、デモ掲示板へ" PASSWORD=demo \
    "CONTENT=$(lines "＞kiroq のデモ掲示板です。" "よろしくお願いします。")"
  post_article demo 3 NAME=管理人 EMAIL=admin@example.com "TITLE=Re:02 ようこそ、デモ掲示板へ" PASSWORD=demo \
    "CONTENT=$(lines "＞よろしくお願いします。" "こちらこそ。")"
fi

if board_is_empty english; then
  post_article english 0 NAME=Admin EMAIL=admin@example.com "TITLE=Welcome to the demo board" PASSWORD=demo \
    "CONTENT=$(lines "This is the English demo board of kiroq." "Read, reply, search, and delete your own posts with their password.")"
  post_article english 0 NAME=Sam "TITLE=First visit" PASSWORD=demo \
    "CONTENT=$(lines "Hello from the seaside." "The weather is lovely today.")"
  post_article english 1 NAME=Kim "TITLE=Re:01 Welcome to the demo board" PASSWORD=demo \
    "CONTENT=$(lines "> This is the English demo board of kiroq." "Thanks, glad to be here.")"
fi

if board_is_empty members; then
  post_article members 0 MEMID=guest MEMPASS=guest-pass NAME=guest "TITLE=会員の皆さまへ" PASSWORD=demo \
    "CONTENT=$(lines "この掲示板は会員だけが読めます。")"
fi

cat >"$SITE/www/index.html" <<'EOF'
<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>kiroq</title></head>
<body>
<h1>kiroq</h1>
<ul>
<li><a href="/bbs/kiroq.exe?demo+10+0+2">デモ掲示板 (demo)</a></li>
<li><a href="/bbs/kiroq.exe?english+10+0+2">English demo board (english)</a></li>
<li><a href="/bbs/kiroq.exe?members+10+0+2">会員制の掲示板 (members)</a></li>
</ul>
</body></html>
EOF

# The web server's workers write the data folder and read the password
# files; nothing else of the site is theirs.
if [ "$(id -u)" -eq 0 ]; then
  chown -R "$(web_user):$(web_group)" "$BBS/bbsdb"
  chown -R "root:$(web_group)" "$DRIVE/KIRPASS"
fi
chmod 755 "$DRIVE"
chmod 750 "$DRIVE/KIRPASS"
chmod 640 "$DRIVE"/KIRPASS/*.PWD
