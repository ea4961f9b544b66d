// The boards of the corpus: the kinds of board (settings, templates,
// telephones, members) and the articles every board starts with.
#include <cctype>
#include <ctime>

#include "corpus.h"

namespace kiroq::corpus {

namespace {

using Lines = std::vector<std::string>;

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Nearly every feature switched on.
const Lines kFull = {
    "USEMAIL=1",          "USEURL=1",       "USEDATE=1",  "USECOOKIE=1",  "USEDELETE=1", "USECOMMENTNUMBER=1",
    "USECOOKIESETTING=1", "USESEARCHLOG=1", "NUMCLICK=1", "TITLECLICK=1", "USESEX=1",    "USEADDRESS=1",
    "USEHOSTNAME=1",      "USEIMAGEURL=1",  "USENONE=1",  "BBSMAN=1",     "ROMA=1",      "URLLINKCONVERT=1",
    "FILEUPLOAD=1",       "PASSWORD=X",     "TIMECOLOR=1"};

const Fields kTemplates = {
    {".mes",
     "<HR>No.<POSTNUMBER> <POSTTITLE> / <POSTNAME> <POSTDATE><BR>\r\n<POSTMESSAGE>\r\n"
     "<RESMENU> <DELETEMENU> <UPLOADFILE>\r\n<TREEMENU>\r\n<ALLMENU>\r\n"
     "<POSTURL> <POSTIMAGEURL> <POSTADDRESS> <POSTAGE> <POSTSEX>"},
    {".post",
     "<POSTACTION>\r\nName <POSTNAME> Mail <POSTMAIL><BR>\r\nTitle <POSTTITLE><BR>\r\n<POSTMESSAGE><BR>\r\n"
     "<POSTPASSWORD> <POSTDELETEPASSWORD> <POSTURL> <POSTIMAGEURL>\r\n<POSTADDRESS> <POSTAGE> <POSTSEX>\r\n"
     "<POSTMENU>\r\n<POSTACTIONEND>\r\n<MOVEMENU>"},
    {".repost",
     "Reply to <POSTNUMBER>\r\n<POSTACTION><POSTTITLE> <POSTNAME>\r\n<POSTMESSAGE>\r\n<POSTMENU> <POSTACTIONEND>"},
    {".HED", "<HTML><HEAD><TITLE>corpus</TITLE></HEAD>\r\n<BODY BGCOLOR=\"#EEEEFF\"><H1>Board</H1>"},
    {".FOT", "<HR>own footer\r\n</BODY></HTML>"},
};

// The same templates under the other spellings of their extensions.
Fields OtherCase(Fields files) {
  for (auto& [ext, text] : files) {
    bool upper = ext[1] >= 'A' && ext[1] <= 'Z';
    for (char& c : ext) c = static_cast<char>(upper ? std::tolower(c) : std::toupper(c));
  }
  return files;
}

Fields WithBoardName(const Fields& files) {
  Fields named;
  for (const auto& [ext, text] : files) named.push_back({"test" + ext, text});
  return named;
}

// One seeded article. Replies name the article they answer (1-based).
struct SeedRow {
  int parent = 0;
  int hours_ago = 0;
  std::string title{}, name{}, body{};
  bool deleted = false;
  std::string email{}, url{}, image_url{}, attachment{};
  bool legacy_date = false;
  bool no_password = false;
};

std::vector<SeedRow> SeedRows() {
  const std::string long_body = [] {
    std::string b;
    for (int i = 1; i <= 30; ++i) b += "line " + std::to_string(i) + " of a long article\r\n";
    return b + "the end";
  }();
  return {
      {.parent = 0,
       .hours_ago = 200,
       .title = "First thread",
       .name = "alice",
       .body = "Hello board.\r\nSee http://example.com/page?a=1&b=2 or mail@example.jp\r\n",
       .email = "alice@example.jp",
       .url = "http://alice.example.jp/",
       .attachment = "photo.jpg"},
      {.parent = 1, .hours_ago = 190, .title = "Re:01 First thread", .name = "bob", .body = "A reply\r\n> quoted line"},
      {.parent = 2,
       .hours_ago = 170,
       .title = "Re:02 First thread",
       .name = "carol",
       .body = "Reply of a reply",
       .no_password = true},
      {.parent = 0,
       .hours_ago = 150,
       .title = sjis::kTitle,
       .name = sjis::kTaro,
       .body = std::string(sjis::kBody) + "\r\n" + sjis::kTrailBackslash + "\r\n" + sjis::kHello},
      {.parent = 0, .hours_ago = 100, .title = "Deleted thread", .name = "dave", .body = "gone", .deleted = true},
      {.parent = 4,
       .hours_ago = 80,
       .title = std::string("Re:01 ") + sjis::kTitle,
       .name = sjis::kHanako,
       .body = "konnichiha, tanuki desu"},
      {.parent = 1,
       .hours_ago = 60,
       .title = "<b>bold</b> & \"quoted\"",
       .name = "<i>eve</i>",
       .body = "<script>alert(1)</script>\r\n&amp; <a href=\"x\">link</a>",
       .email = "<e>@example.jp",
       .url = "javascript:alert(1)",
       .image_url = "http://img.example.jp/a.png"},
      {.parent = 0,
       .hours_ago = 40,
       .title = "A very long title that goes on and on well past any list cut of forty bytes",
       .name = "frank",
       .body = long_body},
      {.parent = 5, .hours_ago = 30, .title = "Re:01 Deleted thread", .name = "grace", .body = "under a deleted top"},
      {.parent = 0, .hours_ago = 20, .title = "Legacy date", .name = "heidi", .body = "x", .legacy_date = true},
      {.parent = 0, .hours_ago = 11, .title = "Tanuki", .name = "ivan", .body = "", .image_url = "img.png"},
      {.parent = 8, .hours_ago = 5, .title = "Re:01 A very long", .name = "judy", .body = "TANUKI in capitals"},
      {.parent = 12,
       .hours_ago = 2,
       .title = "Re:02 deleted reply",
       .name = "mallory",
       .body = "removed",
       .deleted = true},
      {.parent = 0, .hours_ago = 1, .title = "Newest thread", .name = "oscar", .body = "the newest\r\n\r\n"},
  };
}

}  // namespace

std::vector<Profile> Profiles() {
  const std::string mobile_agent = "DoCoMo/2.0 P903i(c100;TB;W24H12)";
  const Lines colours = {"NOHEADCOLOR=navy",    "DATEHEADCOLOR=#102030", "TITLEHEADCOLOR=teal", "WRITERHEADCOLOR=olive",
                         "URLHEADCOLOR=silver", "TREEHEADCOLOR=lime",    "NOSTRCOLOR=white",    "DATESTRCOLOR=red",
                         "TITLESTRCOLOR=blue",  "WRITERSTRCOLOR=green",  "URLSTRCOLOR=gray",    "GRPHSTRCOLOR=maroon",
                         "NOCOLOR=#EEEEEE",     "DATECOLOR=#DDDDDD",     "TITLECOLOR=#CCCCCC",  "WRITERCOLOR=#BBBBBB",
                         "TIMECOLOR=1",         "TIMECOLOR1=#FF0000",    "TIMECOLOR2=#00FF00",  "TIMECOLOR3=",
                         "TIMECOLOR5=black"};
  return {
      {"ja-plain", {"JAPANESE=1"}},
      {"en-plain", {"JAPANESE=0"}},
      {"ja-full", Join({"JAPANESE=1", "USEAGE=1", "USEBORDER=1", "BORDERLINE=1", "BORDERCOLOR=#FF0000", "CELLPADDING=4",
                        "TIMETYPE=1"},
                       kFull)},
      {"en-full", Join({"USEAGE=2", "USEBORDER=1", "TIMETYPE=3"}, kFull)},
      {"ja-closed",
       {"JAPANESE=1", "TREECLOSE=1", "NEWPOSTSORT=1", "DELETEVISIBLE=1", "VIEWLIMIT=6", "USEDATE=1", "TIMETYPE=5",
        "USEDELETE=1"}},
      {"en-closed", {"TREECLOSE=1", "DELETEVISIBLE=1", "VIEWLIMIT=3", "NEWPOSTSORT=1", "USECOMMENTNUMBER=1"}},
      {"en-titles", {"VIEWSELECT=1", "POSTBUTTON=1", "TIMETYPE=4", "USEDATE=1", "SUBJECTLENGTH=8"}},
      {"ja-tree", {"JAPANESE=1", "VIEWSELECT=2", "IMAGEBUTTON=1", "USEDELETE=1", "TIMETYPE=7", "USEDATE=1"}},
      {"en-list", {"VIEWSELECT=11", "DELETEVISIBLE=1", "USEDELETE=1", "POSTBUTTON=1", "TIMETYPE=9", "USEDATE=1"}},
      {"ja-noviews", {"JAPANESE=1", "VIEWSELECT=5", "TIMETYPE=99", "USEDATE=1", "SUBJECTLENGTH=-3"}},
      {"ja-imode",
       Join({"JAPANESE=1", "IMODE=1", "USEAGE=2", "INAMESIZE=10", "ITITLESIZE=12", "IROWSSIZE=3", "ICOLSSIZE=20"},
            kFull),
       true},
      {"en-imode-agent",
       {"IMODE=2", "USEMAIL=1", "USEDELETE=1", "BBSMAN=1", "PASSWORD=X", "USECOOKIESETTING=1", "FILEUPLOAD=1"},
       true,
       {{"HTTP_USER_AGENT", mobile_agent}}},
      {"ja-imode-desktop", {"JAPANESE=1", "IMODE=2", "USEDELETE=1", "USEMAIL=1", "INAMESIZE=5"}},
      {"ja-templates",
       {"JAPANESE=1", "USEDELETE=1", "USEMAIL=1", "USEURL=1", "FILEUPLOAD=1", "READONLY=0", "USEIMAGEURL=1"},
       false,
       {},
       WithBoardName(kTemplates)},
      {"en-templates",
       {"USEDELETE=1", "USEMAIL=1", "FILEUPLOAD=1", "USEDATE=1"},
       false,
       {},
       WithBoardName(OtherCase(kTemplates))},
      {"ja-readonly", {"JAPANESE=1", "READONLY=1", "PASSWORD=X", "USEDELETE=1", "BBSMAN=1"}},
      {"en-members", {"MEMBERSONLY=$DIR/members.txt", "USEMAIL=1", "USECOOKIE=1", "LOGINDAT=$DIR/failed.log"}},
      {"ja-members-gate",
       {"JAPANESE=1", "MEMBERSONLY=$DIR/members.txt", "MEMBERREADONLY=1", "LOGINDAT=$DIR/failed.log"},
       false,
       {{"HTTP_COOKIE", "MEMID=guest; MEMPASS=guest-pass"}}},
      {"ja-markup",
       {"JAPANESE=1", "USEHTMLTAG=1", "USEDEFAULT=1", std::string("UNNAME=") + sjis::kTaro, "UNTITLE=untitled",
        std::string("ADDHEAD=") + sjis::kQuote, "CRLFCUT=1", "URLLINKCONVERT=1", "ROMA=1"}},
      {"en-colours",
       Join({"USEDATE=1", "USEBORDER=1", "BORDERLINE=1", "BORDERCOLOR=green", "SUBJECTLENGTH=12", "NAMESIZE=30",
             "TITLESIZE=012345678901234567890123", "ROWSSIZE=4", "COLSSIZE=x\"y", "ADDHEAD=> "},
            colours),
       false,
       {},
       {},
       "Cafe_2-b"},
  };
}

std::vector<Profile> ProfilesNamed(const std::vector<std::string>& names) {
  std::vector<Profile> all = Profiles(), chosen;
  for (const std::string& name : names) {
    for (const Profile& p : all) {
      if (p.name == name) chosen.push_back(p);
    }
  }
  return chosen;
}

void PrepareBoard(BoardFixture& b, const Profile& p, bool seed) {
  b.Settings(p.settings);
  for (const auto& [path, bytes] : p.files) b.dir().Write(path, bytes);
  b.dir().Write("drive-x/KIRPASS/" + b.board() + ".PWD", "admin-pw\r\nsecond line\r\n");
  b.dir().Write("members.txt", std::string("guest,guest-pass,guest@example.jp,\"Guest Member\"\r\n") +
                                   "Taro taro-pw taro@example.jp " + sjis::kTaro + "\r\nonly two\r\n");
  if (seed) SeedArticles(b);
}

void SeedArticles(BoardFixture& b) {
  const std::vector<SeedRow> rows = SeedRows();
  std::vector<IndexRecord> recs;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SeedRow& row = rows[i];
    IndexRecord r = SampleRecord(row.title, row.name, row.parent);
    // Dates count back from the corpus clock, 2024-12-08 10:06:40 local.
    std::time_t t = 1733620000 + 9 * 3600 - row.hours_ago * 3600 - static_cast<int>(i) * 37;
    std::tm tm;
    gmtime_r(&t, &tm);
    r.date = EncodePostDate({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
    if (row.legacy_date) {
      const std::string text = "2003/01/02 03:04:05";
      r.date = {};
      r.date[0] = static_cast<uint8_t>(text.size());
      for (std::size_t k = 0; k < text.size(); ++k) r.date[k + 1] = static_cast<uint8_t>(text[k]);
    }
    r.deleted = row.deleted ? 1 : 0;
    r.password = row.no_password ? "" : "pw" + std::to_string(i + 1);
    r.email = row.email;
    r.url = row.url;
    r.image_url = row.image_url;
    r.attachment = row.attachment;
    r.host = "198.51.100." + std::to_string(i + 1);
    if (row.parent > 0) {
      IndexRecord& parent = recs[row.parent - 1];
      parent.children[parent.child_count++] = static_cast<int32_t>(i);
    }
    recs.push_back(r);
  }
  for (std::size_t i = 0; i < recs.size(); ++i) {
    b.AddArticle(recs[i], rows[i].body);
    if (!rows[i].attachment.empty()) {
      const std::string n = std::to_string(i + 1);
      b.dir().Write("bbsdb/" + b.board() + "/" + n + "/" + rows[i].attachment, "\xFF\xD8 picture bytes\r\n");
      b.dir().Write("bbsdb/" + b.board() + "/" + b.board() + n + ".txt", "41\r\n");
    }
  }
}

}  // namespace kiroq::corpus
