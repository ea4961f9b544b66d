#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/.

Run it after changing a seed here; files libFuzzer found (kept regression
cases) are not touched. Each seed is a realistic input: what browsers,
telephones and board administrators actually send or write.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def sj(text):
    return text.encode("cp932")


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("ascii")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- multipart bodies -------------------------------------------------------

def multipart(boundary, fields, close=True):
    """fields: (name, value bytes) or (name, value, filename, content type)."""
    out = b""
    for f in fields:
        out += b"--" + boundary + b"\r\n"
        if len(f) == 2:
            out += b'Content-Disposition: form-data; name="' + f[0] + b'"\r\n\r\n' + f[1] + b"\r\n"
        else:
            out += (b'Content-Disposition: form-data; name="' + f[0] + b'"; filename="' + f[2] + b'"\r\n'
                    b"Content-Type: " + f[3] + b"\r\n\r\n" + f[1] + b"\r\n")
    if close:
        out += b"--" + boundary + b"--\r\n"
    return out


POST_FIELDS = [
    (b"NAME", sj("山田太郎")),
    (b"EMAIL", b"taro@example.jp"),
    (b"TITLE", sj("はじめまして")),
    (b"URL", b"http://example.jp/~taro/"),
    (b"CONTENT", sj("こんにちは。\r\n二行目です。\r\n\r\n") + b"> quoted <b>bold</b>\r\n"),
    (b"PASSWORD", b"delpw"),
    (b"COOKIE", b"on"),
]

CHROME = b"----WebKitFormBoundary7MA4YWxkTrZu0gW"
FIREFOX = b"---------------------------41184676334"  # the body's lines start with 29 dashes
CURL = b"------------------------d74496d66958873e"
IE = b"---------------------------7d33a816d302b6"


def ct(boundary):
    return b"multipart/form-data; boundary=" + boundary + b"\n"


def seed_multipart():
    t = "multipart"
    write(t, "chromium_post", ct(CHROME) + multipart(CHROME, POST_FIELDS))
    write(t, "firefox_post", ct(FIREFOX) + multipart(FIREFOX, POST_FIELDS))
    write(t, "firefox_no_content_type", b"\n" + multipart(FIREFOX, POST_FIELDS))
    write(t, "curl_quoted_boundary", b'multipart/form-data; charset=Shift_JIS; BOUNDARY="' + CURL + b'"\n'
          + multipart(CURL, POST_FIELDS[:3] + [(b"CONTENT", b"\r\n\r\nleading blank lines\r\n--not a delimiter\r\n")]))
    write(t, "ie_reply", ct(IE) + multipart(IE, [(b"NAME", b"hana"), (b"TITLE", b"Re:01 hello"),
                                                 (b"CONTENT", b"line\rwith lone CR\nand LF"),
                                                 (b"content", b"later lower-case CONTENT")]))
    write(t, "truncated", ct(CHROME) + multipart(CHROME, POST_FIELDS, close=False)[:-40])
    write(t, "boundary_in_content", ct(CHROME) + multipart(CHROME, [
        (b"CONTENT", b"text --" + CHROME + b" inside\r\n--" + CHROME + b"x not a line\r\n"),
        (b"NAME", b"a\r\nb"), (b"CONTENT", b"second")]))
    write(t, "long_sjis_fields", ct(CHROME) + multipart(CHROME, [
        (b"NAME", sj("長い名前") * 8 + b"x"), (b"TITLE", b"x" + sj("題名") * 30),
        (b"AGE", sj("二十歳")), (b"SEX", sj("男性です")), (b"ADDRESS1", sj("東京都千代田区")),
        (b"IMAGEURL", b"http://example.jp/" + b"i" * 140 + b".png")]))
    write(t, "empty_short", b"\nab")


def seed_upload():
    t = "upload"
    png = bytes.fromhex("89504e470d0a1a0a0000000d49484452") + b"\r\n--\r\n\x00\xff"
    write(t, "chromium_file", ct(CHROME) + multipart(CHROME, [
        (b"UPPASSWORD", b"pw"), (b"UPLOADFILE", png, b"photo.png", b"image/png")]))
    write(t, "ie_client_path", ct(IE) + multipart(IE, [
        (b"UPLOADFILE", b"hello\r\n", b"C:\\Documents and Settings\\taro\\memo.txt", b"text/plain")]))
    write(t, "sjis_name_5c", b"\n" + multipart(FIREFOX, [
        (b"UPLOADFILE", b"data", sj("表示") + b".txt", b"application/octet-stream")]))
    write(t, "hostile_names", ct(CURL) + multipart(CURL, [
        (b"uploadfile", b"x", b"../../etc/passwd", b"text/plain"),
        (b"UPLOADFILE", b"y", b".htaccess", b"text/plain")]))
    write(t, "no_content_type", ct(CHROME) + (b"--" + CHROME + b"\r\n"
          b'Content-Disposition: form-data; name="UPLOADFILE"; filename=""\r\n\r\n\r\n--' + CHROME + b"--\r\n"))
    write(t, "empty_file", ct(CHROME) + multipart(CHROME, [(b"UPLOADFILE", b"", b"empty.txt", b"text/plain")]))


# --- mobile bodies ----------------------------------------------------------

def urlenc(data):
    out = b""
    for c in data:
        ch = bytes([c])
        if ch.isalnum() or ch in b"-_.*":
            out += ch
        elif ch == b" ":
            out += b"+"
        else:
            out += b"%%%02X" % c
    return out


def seed_mobile():
    t = "mobile"
    write(t, "docomo_post", b"&".join(k + b"=" + urlenc(v) for k, v in POST_FIELDS))
    write(t, "raw_sjis", b"NAME=" + sj("花子") + b"&TITLE=" + sj("携帯から") + b"&CONTENT=" + sj("本文") + b"&PASSWORD=")
    write(t, "encoded_ampersand", b"TITLE=a%26b&CONTENT=x%26NAME%3Dfake&NAME=real&IMAGEURL=u&URL=v")
    write(t, "bad_escapes", b"NAME=%4&EMAIL=%zz%&CONTENT=100%25+sure%0D%0Anext&DELPASSWORD=%00&PASSWORD=p")
    write(t, "zero_byte", b"NAME=a\x00&TITLE=hidden")


# --- cookies ----------------------------------------------------------------

def seed_cookies():
    t = "cookies"
    write(t, "poster", b"NAME=" + sj("太郎") + b"; EMAIL=taro@example.jp; URL=http://example.jp/; PWD=pw; "
          b"BROWSCOUNT=20")
    write(t, "similar_names", "USERNAME=u; XNAME=x; NAME=n; MEMID=m; MEMPASS=p; TREET2=2; TREET=1")
    write(t, "spacing", "NAME=a;PWD=b;  EMAIL=c ;  AGE=;SEX=f; ADDRESS1=x; y")
    write(t, "empty_and_equals", "=; NAME==; BROWSCOUNT=-5; ; NAME=second")


# --- settings ---------------------------------------------------------------

def seed_settings():
    t = "settings"
    full = [
        "JAPANESE=1", "SUBJECTLENGTH=30", "USEMAIL=1", "USEURL=1", "USEDATE=1", "USECOOKIE=1", "UNNAME=" ,
        "UNTITLE=untitled", "ADDHEAD=> ", "USEDELETE=1", "DELETEVISIBLE=0", "NUMCLICK=1", "TITLECLICK=1",
        "USEAGE=2", "USESEX=1", "USEADDRESS=1", "NAMESIZE=40", "ROWSSIZE=12", "COLSSIZE=123456789012345678901234",
        "IMODE=2", "INAMESIZE=10", "ICOLSSIZE=20", "TIMECOLOR=1", "TIMECOLOR1=RED", "TIMECOLOR2=",
        "VIEWLIMIT=500", "TIMETYPE=3", "TREECLOSE=1", "NOCOLOR=#EEEEEE", "BORDERLINE=+2",
        "CANCELDOMAINLISTSTART", "spam.example.com", "192.0.2.", "CANCELDOMAINLISTEND",
        "CHECKSTRINGSTART", "casino", sj("出会い").decode("latin-1"), "CHECKSTRINGEND",
    ]
    write(t, "full_board", "\r\n".join(full).encode("latin-1") + b"\r\n")
    write(t, "mobile_only", b"IMODE=1\nJAPANESE=0\nINAMESIZE=8\nITITLESIZE=\nnamesize=99\n")
    write(t, "case_and_duplicates", b"usemail=1\r\nUSEMAIL=0\r\nSubjectLength=-4\r\n=novalue\r\n"
          b"VIEWSELECT= 7\r\nTIMETYPE=2147483648\r\nREADONLY=01\rPASSWORD=C\n")
    write(t, "free_text", sj("掲示板の説明です。\r\n管理者: 山田\r\n") + b"MEMBERSONLY=members.dat\r\nLOGINDAT=login")


# --- templates --------------------------------------------------------------

ALL_TAGS = ("<POSTNUMBER><RESMENU><POSTACTION><POSTNAME><POSTMAIL><POSTTITLE><POSTDATE><POSTURL><DELETEMENU>"
            "<UPLOADFILE><POSTADDRESS><POSTIMAGEURL><POSTAGE><POSTSEX><POSTPASSWORD><POSTDELETEPASSWORD>"
            "<POSTMESSAGE><TREEMENU><POSTMENU><POSTACTIONEND><MOVEMENU><ALLMENU>")

MES = ("<TABLE BORDER=0><TR><TD>[<POSTNUMBER>] <B><POSTTITLE></B></TD></TR>\r\n"
       "<TR><TD><POSTNAME> <POSTDATE> <POSTURL> <POSTAGE>/<POSTSEX>/<POSTADDRESS></TD></TR>\r\n"
       "<TR><TD><POSTIMAGEURL><POSTMESSAGE></TD></TR>\r\n"
       "<TR><TD><RESMENU> <DELETEMENU> <UPLOADFILE> <TREEMENU></TD></TR></TABLE>\r\n<ALLMENU>\r\n")

POST = ("<POSTACTION>\r\nName <POSTNAME><BR>Mail <POSTMAIL><BR>Title <POSTTITLE><BR>URL <POSTURL><BR>\r\n"
        "<POSTADDRESS><POSTAGE><POSTSEX><POSTIMAGEURL>\r\n<POSTMESSAGE>\r\n"
        "Password <POSTDELETEPASSWORD> <POSTPASSWORD>\r\n<POSTMENU><POSTACTIONEND>\r\n<MOVEMENU>")


def seed_template():
    t = "template"
    write(t, "mes_article", "3 .mes JMUDIASGFNT 0\n" + MES)
    write(t, "mes_thread_allmenu", "12 .mes JMDT 1 TREET=1\n" + MES + MES)
    write(t, "mes_romaji", "5 .mes RJL 0\n" + MES)
    write(t, "mes_deleted_legacy", "3 .mes JDV! 2\n" + MES)
    write(t, "post_new_form", "0 .post CEMUIGAS 0 NAME=x\n" + POST)
    write(t, "repost_reply", "4 .repost JIKC 1\n" + POST)
    write(t, "all_view_post", "11 .post JMUX 3\n" + POST)
    write(t, "all_view_mes", "11 .mes JMU9 0\n" + MES)
    write(t, "every_tag_twice", "14 .mes JMUDRIASGCKFNTLBPVWOE!2 3\n" + ALL_TAGS + "\r\n" + ALL_TAGS[::-1] + "\r\n"
          + ALL_TAGS.replace(">", "> <"))
    write(t, "plain_html", "9 .other\n<HTML>\r\n<BODY BGCOLOR=\"#FFFFFF\"> a < b <POSTNAMEX> <postname>\r\n\r\nend")


# --- index files ------------------------------------------------------------

RECORD_SIZE = 1267


def pstr(data, cap):
    data = data[:cap]
    return bytes([len(data)]) + data + b"\x00" * (cap - len(data))


def post_date(y, mo, d, h, mi, s):
    return (b"\xff" + struct.pack(">6H", y, mo, d, h, mi, s)).ljust(31, b"\x00")


def legacy_date(text):
    return pstr(text, 30)


def record(title=b"t", name=b"n", email=b"", deleted=0, date=None, parent=0, children=(), child_count=None,
           attachment=b"", body=(0, 0)):
    if date is None:
        date = post_date(2024, 12, 1, 9, 30, 0)
    kids = list(children)[:101]
    out = bytes([deleted]) + pstr(title, 80) + pstr(name, 40) + pstr(email, 128) + pstr(b"pw", 30)
    out += pstr(b"http://example.jp/", 128) + date
    out += struct.pack("<iii", body[0], body[1], parent)
    out += struct.pack("<101i", *(kids + [0] * (101 - len(kids))))
    out += struct.pack("<i", len(kids) if child_count is None else child_count)
    out += pstr(attachment, 80) + pstr(b"m", 10) + pstr(b"20", 5) + pstr(b"Tokyo", 10) + pstr(b"", 30)
    out += pstr(b"", 5) + pstr(b"", 128) + pstr(b"host.example.jp", 128)
    assert len(out) == RECORD_SIZE, len(out)
    return out


def seed_thread():
    t = "thread"
    q = b'<q7"'
    # 0 -> [1, 4], 1 -> [2], 2 -> [3], 4 -> [5]; 4 deleted; 6 a lone top.
    board = [
        record(b"Top " + q, b"A&B" + q, b'a"x', children=[1, 4]),
        record(b"Re:01 Top", b"n1", parent=1, children=[2], date=post_date(2024, 12, 2, 10, 0, 0)),
        record(b"Re:02 Top", sj("花子"), parent=2, children=[3], date=legacy_date(b"2024/12/03 08:00:00")),
        record(b"Re:03 Top", b"n3", parent=3, date=legacy_date(b"24/12/04 8:00")),
        record(b"Re:01 Top", b"n4", parent=1, children=[5], deleted=1, date=post_date(2024, 12, 9, 0, 0, 0)),
        record(b"Re:02 Top", b"n5", parent=5, date=post_date(2024, 13, 40, 25, 61, 61)),
        record(sj("別の話題") * 5, b"n6", attachment=b"a.txt"),
    ]
    write(t, "board_open_rows", b"".join(board) + bytes([4 | 8 | 16 | 32 | 64, 0]))
    write(t, "board_closed_colours", b"".join(board) + bytes([1 | 2 | 4 | 128, 3]))
    # Lists that point backwards, at themselves, outside the index and round.
    bad = [
        record(children=[0, 1, 99, -1, 2], child_count=5),
        record(parent=1, children=[0, 2]),
        record(parent=2, children=[1, 2, 3], child_count=-7),
        record(parent=0, children=[1, 2], child_count=5000),
    ]
    write(t, "hostile_lists", b"".join(bad) + b"\x09")
    # A full parent: 101 list entries, and replies that name it only by number.
    full = [
        record(b"full", children=[1] + [0] * 100, child_count=101),
        record(parent=1),
        record(parent=1, children=[3]),
        record(parent=3),
        record(parent=1, date=legacy_date(b"garbage")),
    ]
    write(t, "full_parent_unlisted", b"".join(full) + b"\x05\x01")
    write(t, "one_record", record(deleted=7, date=legacy_date(b" 1999/1/2 ")) + b"\x41")


def seed_check():
    t = "check"
    # The log's size and the flags byte, then the index.
    sound = [
        record(children=[1, 3], body=(0, 9)),
        record(parent=1, children=[2], body=(10, 19)),
        record(parent=2, body=(20, 29), attachment=sj("表.txt")),
        record(parent=1, body=(30, 39), date=legacy_date(b"2024/12/03 08:00:00")),
    ]
    write(t, "sound", struct.pack("<IB", 40, 1) + b"".join(sound))
    damaged = [
        record(children=[0, 3, 99, -1, 3], child_count=5, body=(0, 50)),
        record(parent=4, children=[0], body=(5, 2)),
        record(parent=1, child_count=-7, body=(0, 9), attachment=b"../x"),
        record(parent=2, child_count=200, date=post_date(2024, 13, 40, 25, 61, 61), body=(8, 12)),
    ]
    write(t, "damaged_with_tail", struct.pack("<IB", 40, 0) + b"".join(damaged) + b"\x00" * 700)


if __name__ == "__main__":
    seed_multipart()
    seed_upload()
    seed_mobile()
    seed_cookies()
    seed_settings()
    seed_template()
    seed_thread()
    seed_check()
