// Rows of damaged board files: index records that point anywhere, partial
// records, templates cut off inside a tag, enormous settings files.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <random>

#include "hostile_rows.h"
#include "storage/article_store.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

const std::vector<std::string> kNumbers = {"0", "1", "2", "3", "4", "5", "6", "7", "2147483647"};

// The views of every article and one past them, and a post after them.
std::vector<Call> ViewsThenPost(const LiveBoard& b) {
  std::vector<Call> calls = AllViews(b, kNumbers);
  calls.push_back(NewPost(b, "after the damage"));
  return calls;
}

// The same for a sound index: a thread top, a reply and no such article.
std::vector<Call> FewViewsThenPost(const LiveBoard& b) {
  std::vector<Call> calls = AllViews(b, {"0", "1", "2", "4"});
  calls.push_back(NewPost(b, "after the damage"));
  return calls;
}

void ExpectStoredAfterDamage(const LiveBoard& b, int first) {
  LiveBoard& board = const_cast<LiveBoard&>(b);
  IndexRecord rec = board.fixture().Record(first);
  EXPECT_EQ(std::string(BodyIn(board.fixture().LogBytes(), rec)), "after the damage\r\n");
  EXPECT_EQ(rec.parent, 0);
  EXPECT_EQ(board.fixture().IndexBytes().size(), std::size_t{kRecordSize} * (first + 1)) << "index not whole";
}

// Replaces the index by these records, written as they are.
void WriteRecords(LiveBoard& b, const std::vector<IndexRecord>& recs, const std::string& tail = "") {
  std::string index;
  for (const IndexRecord& r : recs) index += EncodeRecord(r);
  b.fixture().dir().Write("bbsdb/test.idx", index + tail);
}

// A record for body bytes start..end of the log.
IndexRecord At(int32_t start, int32_t end, int32_t parent = 0) {
  IndexRecord r = SampleRecord("damaged", "poster", parent);
  r.body_start = start;
  r.body_end = end;
  r.password = "pw";
  return r;
}

IndexRecord WithChildren(IndexRecord r, std::vector<int32_t> children, int32_t count) {
  for (std::size_t i = 0; i < children.size() && i < r.children.size(); ++i) r.children[i] = children[i];
  r.child_count = count;
  return r;
}

// Template lines that end inside a tag, tags never closed, and lines that
// are nothing but tag openers.
std::string BrokenTemplate() {
  return "<POSTNAME\r\n<POSTMESSAGE\r\n<\r\n<<<<POSTTITLE>\r\n<POSTACTION>\r\n<POSTACTIONEND>\r\n<TREEMENU"
         "\r\n<POSTNUMBER><RESMENU><DELETEMENU><UPLOADFILE><ALLMENU><MOVEMENU><POSTMENU\r\n" +
         std::string(100000, '<') + "\r\n<POSTDATE><POSTMAIL" + std::string(200000, 'x') + "\r\n<POSTMESS";
}

std::vector<Row> IndexRows() {
  std::vector<Row> rows;
  rows.push_back({"IndexOfRandomBytes",
                  [](LiveBoard& b) {
                    std::mt19937 rng(99);
                    std::string index(4 * kRecordSize + 100, '\0');
                    for (char& c : index) c = static_cast<char>(rng());
                    // No parent for the newest, so that the next append has no link to mend.
                    PutInt32(index.data() + 3 * kRecordSize + record_layout::kParent, 0);
                    b.fixture().dir().Write("bbsdb/test.idx", index);
                  },
                  ViewsThenPost, 1, ExpectStoredAfterDamage});
  rows.push_back({"BodyOffsetsOutsideTheLog",
                  [](LiveBoard& b) {
                    const int32_t size = static_cast<int32_t>(b.fixture().LogBytes().size());
                    WriteRecords(b, {At(-5, 3), At(0, INT_MAX), At(10, 5), At(size, size), At(INT_MIN, INT_MAX),
                                     At(size - 1, size), At(INT_MAX, INT_MAX), At(-1, -1)});
                  },
                  ViewsThenPost, 1, ExpectStoredAfterDamage});
  rows.push_back({"ParentNumbersOutOfRange",
                  [](LiveBoard& b) {
                    WriteRecords(b, {At(0, 3, -1), At(0, 3, INT_MAX), At(0, 3, INT_MIN), At(0, 3, 4), At(0, 3, 5),
                                     At(0, 3, 7), At(0, 3, 0)});
                  },
                  ViewsThenPost, 1, ExpectStoredAfterDamage});
  rows.push_back({"ChildListsThatCycle",
                  [](LiveBoard& b) {
                    WriteRecords(
                        b, {WithChildren(At(0, 3), {1}, 1),           // 1 -> 2
                            WithChildren(At(0, 3, 1), {0, 1, 2}, 3),  // 2 -> 1, itself, 3
                            WithChildren(At(0, 3, 2), {1, 0}, 2),     // 3 -> 2, 1
                            WithChildren(At(0, 3, 4), {3}, INT_MAX),  // its own parent and child
                            WithChildren(At(0, 3), {-1, INT_MAX, INT_MIN, 4}, -7),
                            WithChildren(At(0, 3), std::vector<int32_t>(101, 0), 101), WithChildren(At(0, 3), {}, 0)});
                  },
                  ViewsThenPost, 1, ExpectStoredAfterDamage});
  rows.push_back({"PartialLastRecord",
                  [](LiveBoard& b) {
                    std::string index = b.fixture().IndexBytes();
                    b.fixture().dir().Write("bbsdb/test.idx", index + index.substr(0, 700));
                  },
                  ViewsThenPost, 1, ExpectStoredAfterDamage});
  rows.push_back({"NewestReplyLeftOutOfItsParentsList",
                  [](LiveBoard& b) {
                    // A writer stopped after writing its record, before linking it.
                    std::string index = b.fixture().IndexBytes();
                    b.fixture().dir().Write("bbsdb/test.idx", index + EncodeRecord(At(0, 3, 1)));
                  },
                  ViewsThenPost,
                  1,
                  [](const LiveBoard& b, int first) {
                    ExpectStoredAfterDamage(b, first);
                    IndexRecord parent = const_cast<LiveBoard&>(b).fixture().Record(0);
                    ASSERT_EQ(parent.ChildCount(), 2);
                    EXPECT_EQ(parent.children[1], 3) << "the next append links the reply left out";
                  },
                  {},
                  {0}});
  rows.push_back({"LogCutShort",
                  [](LiveBoard& b) { b.fixture().dir().Write("bbsdb/test.log", b.fixture().LogBytes().substr(0, 20)); },
                  ViewsThenPost, 1, ExpectStoredAfterDamage});
  rows.push_back({"DataFilesThatAreFolders",
                  [](LiveBoard& b) {
                    std::filesystem::remove(b.IndexPath());
                    std::filesystem::create_directory(b.IndexPath());
                  },
                  [](const LiveBoard& b) {
                    std::vector<Call> calls = AllViews(b, {"0", "1"});
                    calls.push_back(NewPost(b, "nowhere to go"));
                    return calls;
                  },
                  0});
  return rows;
}

std::vector<Row> TemplateAndSettingsRows() {
  std::vector<Row> rows;
  rows.push_back({"TemplatesWithUnterminatedTags",
                  [](LiveBoard& b) {
                    for (const char* ext : {".mes", ".post", ".repost", ".HED", ".FOT", ".LOGINERR"}) {
                      b.fixture().File(ext, BrokenTemplate());
                    }
                  },
                  FewViewsThenPost, 1, ExpectStoredAfterDamage});
  rows.push_back({"SettingsWithVeryLongLines",
                  [](LiveBoard& b) {
                    // Within the 1 MB a settings file may hold.
                    const std::string big(60000, 'v');
                    SettingsWith(b, {"USEDEFAULT=2", "UNNAME=" + big, "UNTITLE=" + big, "ADDHEAD=" + big,
                                     "CELLPADDING=" + big, "NAMESIZE=" + big, "TIMECOLOR=1", "DATECOLOR=" + big,
                                     std::string(200000, 'n'), "CHECKSTRINGSTART", std::string(100000, 'w'),
                                     "CHECKSTRINGEND", "CANCELDOMAINLISTSTART", std::string(100000, 'd')});
                  },
                  [](const LiveBoard& b) {
                    std::vector<Call> calls = AllViews(b, {"0", "1"});
                    calls.push_back(Posted(b, "0", "9", {{"CONTENT", "after the damage"}}));
                    return calls;
                  },
                  1,
                  [](const LiveBoard& b, int first) {
                    ExpectStoredAfterDamage(b, first);
                    IndexRecord rec = const_cast<LiveBoard&>(b).fixture().Record(first);
                    EXPECT_EQ(rec.name, std::string(40, 'v')) << "the default name, cut to its field";
                  }});
  rows.push_back({"SettingsWithOutOfRangeNumbers",
                  [](LiveBoard& b) {
                    SettingsWith(b, {"SUBJECTLENGTH=-5", "VIEWLIMIT=2147483647", "TIMETYPE=99", "TIMECOLOR=-3",
                                     "VIEWSELECT=99", "BORDERLINE=-1", "USEAGE=99", "USEDEFAULT=-1", "IMODE=99",
                                     "NEWPOSTSORT=1", "TREECLOSE=1", "ROWSSIZE=-1", "PASSWORD=../../kiroqhostile"});
                  },
                  FewViewsThenPost, 1, ExpectStoredAfterDamage});
  rows.push_back({"TenMegabyteSettingsFile",
                  [](LiveBoard& b) {
                    std::mt19937 rng(7);
                    std::vector<std::string> lines;
                    std::size_t size = 0;
                    for (int i = 0; size < (10u << 20); ++i) {
                      std::string line = "KEY" + std::to_string(i) + "=" + SjisText(&rng, 200);
                      for (char& c : line) c = c == '\r' || c == '\n' ? ' ' : c;
                      size += line.size() + 2;
                      lines.push_back(std::move(line));
                    }
                    SettingsWith(b, lines);
                  },
                  // Over 1 MB: the board counts as having no settings, and
                  // takes no post.
                  [](const LiveBoard& b) {
                    std::vector<Call> calls;
                    for (const char* action : {"0", "1", "2", "3", "11"}) calls.push_back(View(b, "1", action));
                    calls.push_back(NewPost(b, "after the damage"));
                    return calls;
                  },
                  0});
  rows.push_back({"TemplatesJustOverOneMegabyte",
                  [](LiveBoard& b) {
                    // Not read at all: their markup would show.
                    std::string big = std::string(kScriptMarker) + "</script>\r\n";
                    big.resize((1u << 20) + 1, ' ');
                    for (const char* ext : {".mes", ".post", ".repost", ".HED", ".FOT"}) b.fixture().File(ext, big);
                  },
                  [](const LiveBoard& b) {
                    std::vector<Call> calls = AllViews(b, {"0", "1", "2", "4"});
                    calls.push_back(NewPost(b, "after the damage"));
                    return calls;
                  },
                  1, ExpectStoredAfterDamage});
  return rows;
}

}  // namespace

std::vector<Row> FileRows() {
  std::vector<Row> rows = IndexRows();
  std::vector<Row> more = TemplateAndSettingsRows();
  rows.insert(rows.end(), more.begin(), more.end());
  return rows;
}

}  // namespace kiroq
