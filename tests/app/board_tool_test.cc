// kiroq-board on hand-made damaged boards: each damage, the lines check
// reports, what repair changes, what check still finds after it, and a
// second repair that changes nothing.
#include "app/board_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>

#include "board/integrity.h"
#include "board/thread_tree.h"
#include "board_fixture.h"
#include "process_runner.h"
#include "storage/record.h"

namespace kiroq {
namespace {

namespace L = record_layout;
namespace fs = std::filesystem;

// A board as the installed tool sees it: through the Env that refuses links.
struct ToolBoard : BoardFixture {
  ToolBoard() : BoardFixture("test", PosixEnvRefusingLinks()) {}
};

// 1 "top" <- 2 <- 3, 4 a second top, 5 another reply to 1: lists 1:[2,5], 2:[3].
void SoundBoard(BoardFixture& fx) {
  fx.Settings({"JAPANESE=1"});
  fx.AddArticle(SampleRecord("top"), "body one\r\n");
  fx.AddArticle(SampleRecord("re", "poster", 1), "body two\r\n");
  fx.AddArticle(SampleRecord("re re", "poster", 2), "three\r\n");
  fx.AddArticle(SampleRecord("top 2"), "four\r\n");
  fx.AddArticle(SampleRecord("re 2", "poster", 1), "five\r\n");
}

void PutAt(BoardFixture& fx, int position, std::size_t offset, int32_t v) {
  std::string index = fx.IndexBytes();
  PutInt32(index.data() + static_cast<std::size_t>(position) * kRecordSize + offset, v);
  fx.dir().Write("bbsdb/test.idx", index);
}
void PutBytes(BoardFixture& fx, int position, std::size_t offset, std::string_view bytes) {
  std::string index = fx.IndexBytes();
  index.replace(static_cast<std::size_t>(position) * kRecordSize + offset, bytes.size(), bytes);
  fx.dir().Write("bbsdb/test.idx", index);
}
void Child(BoardFixture& fx, int position, int k, int32_t v) { PutAt(fx, position, L::kChildren + 4 * k, v); }
void Count(BoardFixture& fx, int position, int32_t v) { PutAt(fx, position, L::kChildCount, v); }

struct Result {
  int code;
  std::string out, err;
};

Result Tool(BoardFixture& fx, std::vector<std::string> args) {
  fx.env().stdout_data.clear();
  fx.env().stderr_data.clear();
  const int code = RunBoardTool(&fx.env(), args);
  std::string out = fx.env().stdout_data;
  // The folder changes from run to run.
  for (std::size_t at; (at = out.find(fx.dir().path())) != std::string::npos;)
    out.replace(at, fx.dir().path().size(), "");
  return {code, out, fx.env().stderr_data};
}
Result Tool(BoardFixture& fx, const std::string& command) { return Tool(fx, {command, fx.dir().path(), "test"}); }

std::string Lines(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

struct DamageRow {
  const char* name;
  std::function<void(BoardFixture&)> damage;
  std::vector<std::string> check;   // what check reports
  std::vector<std::string> repair;  // what repair changes after its copy of the index
  bool unmended = false;            // check reports the same after repair
};

// lines, then entries 1..100 of article 3 naming article 4 again, then last.
std::vector<std::string> ListedAgain(std::vector<std::string> lines, const std::string& prefix,
                                     const std::string& last = "") {
  for (int k = 1; k < kMaxChildren; ++k) {
    lines.push_back(prefix + "child entry " + std::to_string(k) + ": article 4 is listed again");
  }
  if (!last.empty()) lines.push_back(last);
  return lines;
}

const std::string kCopy = "copied the index to bbsdb/test.idx.20241208T010640Z.bak";

std::vector<DamageRow> Rows() {
  return {
      {"Sound", [](BoardFixture&) {}, {}, {}, {}},
      {"PartialTail",
       [](BoardFixture& fx) { fx.dir().Write("bbsdb/test.idx", fx.IndexBytes() + std::string(700, 'x')); },
       {"article 6: partial record of 700 bytes at the end of the index"},
       {"article 6: moved the partial record of 700 bytes to bbsdb/test.idx.20241208T010640Z.tail"}},
      {"ChildOutsideTheBoard",
       [](BoardFixture& fx) {
         Child(fx, 0, 2, 99);
         Count(fx, 0, 3);
       },
       {"article 1: child entry 2: 99 is outside the board (0..4)"},
       {"article 1: dropped child entry 2: 99 is outside the board (0..4)", "article 1: child count 3 set to 2"}},
      {"ChildNotNewerMakesACycle",
       [](BoardFixture& fx) {
         Child(fx, 1, 1, 0);
         Count(fx, 1, 2);
       },
       {"article 2: child entry 1: article 1 is not newer",
        "article 2: child entry 1: article 1 leads back here (a cycle of 2 articles)"},
       {"article 2: dropped child entry 1: article 1 is not newer", "article 2: child count 2 set to 1"}},
      {"ChildListsItself",
       [](BoardFixture& fx) {
         Child(fx, 3, 0, 3);
         Count(fx, 3, 1);
       },
       {"article 4: child entry 0: article 4 is not newer", "article 4: child entry 0: the article lists itself"},
       {"article 4: dropped child entry 0: article 4 is not newer", "article 4: child count 1 set to 0"}},
      {"ChildListedTwice",
       [](BoardFixture& fx) {
         Child(fx, 0, 2, 1);
         Count(fx, 0, 3);
       },
       {"article 1: child entry 2: article 2 is listed again"},
       {"article 1: dropped child entry 2: article 2 is listed again", "article 1: child count 3 set to 2"}},
      {"ChildOfAnotherParent",
       [](BoardFixture& fx) {
         Child(fx, 1, 1, 4);
         Child(fx, 1, 2, 3);
         Count(fx, 1, 3);
       },
       {"article 2: child entry 1: article 5 is a reply to article 1",
        "article 2: child entry 2: article 4 is a thread top"},
       {"article 2: dropped child entry 1: article 5 is a reply to article 1",
        "article 2: dropped child entry 2: article 4 is a thread top", "article 2: child count 3 set to 1"}},
      {"RepliesMissingAreLinkedInPostingOrder",
       [](BoardFixture& fx) {
         Child(fx, 0, 0, 4);
         Count(fx, 0, 1);
       },
       {"article 2: reply missing from the child list of its parent, article 1"},
       {"article 1: linked reply 2", "article 1: child count 1 set to 2"}},
      {"CountBelowZero",
       [](BoardFixture& fx) { Count(fx, 1, -7); },
       {"article 2: child count -7 is below 0",
        "article 3: reply missing from the child list of its parent, article 2"},
       {"article 2: linked reply 3", "article 2: child count -7 set to 1"}},
      {"CountOver101",
       [](BoardFixture& fx) {
         for (int k = 0; k < kMaxChildren; ++k) Child(fx, 2, k, 3);
         Count(fx, 2, 102);
       },
       ListedAgain({"article 3: child count 102 is over 101", "article 3: child entry 0: article 4 is a thread top"},
                   "article 3: "),
       ListedAgain({"article 3: dropped child entry 0: article 4 is a thread top"}, "article 3: dropped ",
                   "article 3: child count 102 set to 0")},
      {"BodiesOutsideReversedAndOverlapping",
       [](BoardFixture& fx) {
         PutAt(fx, 1, L::kBodyEnd, 1000000);
         PutAt(fx, 2, L::kBodyStart, 30);
         PutAt(fx, 2, L::kBodyEnd, 3);
         PutAt(fx, 3, L::kBodyStart, 5);
       },
       {"article 2: body 10..1000000 lies outside the log (39 bytes)", "article 3: body offsets 30..3 are reversed",
        "article 4: body 5..32 overlaps the body of article 1"},
       {},
       true},
      {"ParentsOutsideAndGoingRound",
       [](BoardFixture& fx) {
         PutAt(fx, 3, L::kParent, 99);
         PutAt(fx, 0, L::kParent, 3);
       },
       {"article 1: parent number 3 is not older than the article",
        "article 1: parent numbers lead back to the article (a cycle of 3 articles)",
        "article 4: parent number 99 is outside the board (1..5)"},
       {},
       true},
      {"DatesAndAttachmentNames",
       [](BoardFixture& fx) {
         const DateField bad = EncodePostDate({2024, 13, 1, 10, 20, 30});
         PutBytes(fx, 1, L::kDate, std::string_view(reinterpret_cast<const char*>(bad.data()), bad.size()));
         PutBytes(fx, 2, L::kDate, "\x09yesterday");
         PutBytes(fx, 3, L::kAttachment, "\x04../x");
         PutBytes(fx, 4, L::kAttachment,
                  "\x03"
                  "a\x01z");
       },
       {"article 2: date 2024/13/01 10:20:30 is not a possible date and time",
        "article 3: date text \"yesterday\" does not read as a date",
        "article 4: attachment name \"../x\" would be refused",
        "article 5: attachment name \"a\\x01z\" would be refused"},
       {},
       true},
  };
}

void PrintTo(const DamageRow& row, std::ostream* os) { *os << row.name; }

class DamageTest : public testing::TestWithParam<DamageRow> {};

TEST_P(DamageTest, CheckRepairCheckRepair) {
  const DamageRow& row = GetParam();
  ToolBoard fx;
  SoundBoard(fx);
  row.damage(fx);

  Result check = Tool(fx, "check");
  EXPECT_EQ(check.out, Lines(row.check));
  EXPECT_EQ(check.code, row.check.empty() ? 0 : 1) << check.err;

  const std::string before = fx.IndexBytes();
  Result repair = Tool(fx, "repair");
  if (row.repair.empty()) {
    EXPECT_EQ(repair.out, "nothing changed\n");
    EXPECT_EQ(fx.IndexBytes(), before);
    EXPECT_FALSE(fx.dir().Exists("bbsdb/test.idx.20241208T010640Z.bak")) << "no copy when nothing changes";
  } else {
    std::vector<std::string> expected = {kCopy};
    expected.insert(expected.end(), row.repair.begin(), row.repair.end());
    EXPECT_EQ(repair.out, Lines(expected));
    EXPECT_EQ(fx.dir().Read("bbsdb/test.idx.20241208T010640Z.bak"), before) << "the copy is the index before";
  }
  EXPECT_EQ(repair.code, row.unmended ? 1 : 0) << repair.err;

  Result after = Tool(fx, "check");
  EXPECT_EQ(after.out, row.unmended ? check.out : "");
  std::vector<IndexFault> faults;
  ASSERT_TRUE(CheckBoardFiles(&fx.env(), BoardFiles(fx.dir().path(), "test"), true, &faults).ok());
  for (const IndexFault& f : faults) EXPECT_FALSE(RepairMends(f.kind)) << "left although repair mends it: " << f.text;

  const std::string mended = fx.IndexBytes();
  Result again = Tool(fx, "repair");
  EXPECT_EQ(again.out, "nothing changed\n");
  EXPECT_EQ(fx.IndexBytes(), mended) << "a second repair changes nothing";
  EXPECT_FALSE(fx.dir().Exists("bbsdb/test.idx.20241208T010640Z.bak-2"));
}

INSTANTIATE_TEST_SUITE_P(Rows, DamageTest, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<DamageRow>& i) { return std::string(i.param.name); });

// A full list of 101 is sound with further replies beyond it; a list with
// room for one of two missing replies links the older and is then full.
TEST(BoardIntegrity, FullListsTakeNoMore) {
  std::string bytes = EncodeRecord(SampleRecord("top"));
  for (int q = 1; q <= 103; ++q) {
    IndexRecord reply = SampleRecord("re", "poster", 1);
    reply.body_start = reply.body_end = q;
    bytes += EncodeRecord(reply);
    if (q <= kMaxChildren) {
      ASSERT_TRUE(AddChild(&bytes, q));  // the first record's list
    }
  }
  EXPECT_TRUE(CheckIndex(IndexView(bytes), 0, 200, true).empty());
  EXPECT_TRUE(PlanChildRepairs(IndexView(bytes)).empty());

  // Drop entry 50 (article 52): it and the two unlisted replies are missing;
  // room for one, the oldest.
  for (int k = 50; k < kMaxChildren - 1; ++k) PutInt32(bytes.data() + L::kChildren + 4 * k, k + 2);
  PutInt32(bytes.data() + L::kChildCount, kMaxChildren - 1);
  std::vector<IndexFault> faults = CheckIndex(IndexView(bytes), 0, 200, true);
  ASSERT_EQ(faults.size(), 3u);
  EXPECT_EQ(faults[0].text, "article 52: reply missing from the child list of its parent, article 1");
  const std::vector<RecordRepair> plan = PlanChildRepairs(IndexView(bytes));
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_EQ(plan[0].changes,
            (std::vector<std::string>{"article 1: linked reply 52", "article 1: child count 100 set to 101"}));
  IndexRecord mended;
  DecodeRecord(plan[0].bytes, &mended);
  for (int k = 0; k < kMaxChildren; ++k) ASSERT_EQ(mended.children[k], k + 1) << "posting order";
  bytes.replace(0, kRecordSize, plan[0].bytes);
  EXPECT_TRUE(CheckIndex(IndexView(bytes), 0, 200, true).empty());
}

// The locks of the live board: check and export read beside a reading
// page but wait for a post; repair waits for a reading page too.
TEST(BoardTool, TakesTheProgramsLocks) {
  ToolBoard fx;
  SoundBoard(fx);
  Count(fx, 0, 1);
  const std::string index = fx.dir().path() + "bbsdb/test.idx";
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(index, OpenMode::kReadShared, &held).ok());
  EXPECT_EQ(Tool(fx, "check").code, kToolProblems) << "beside a reading page";
  EXPECT_EQ(Tool(fx, "export").code, kToolSound);
  EXPECT_TRUE(fx.env().sleeps.empty());
  Result repair = Tool(fx, "repair");
  EXPECT_EQ(repair.code, kToolCannotRead);
  EXPECT_EQ(fx.env().sleeps.size(), 60u) << "waited as a post waits";
  EXPECT_EQ(repair.out, "");
  held.reset();
  fx.env().sleeps.clear();
  ASSERT_TRUE(PosixEnv()->Open(index, OpenMode::kWriteExclusive, &held).ok());
  EXPECT_EQ(Tool(fx, "check").code, kToolCannotRead) << "a post holds the index";
  EXPECT_EQ(Tool(fx, "export").code, kToolCannotRead);
  held.reset();
  EXPECT_EQ(Tool(fx, "repair").code, kToolSound);
}

TEST(BoardTool, UsageSettingsAndNamesAreCannotRead) {
  ToolBoard fx;
  SoundBoard(fx);
  const std::string dir = fx.dir().path();
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"check", dir},
                                             {"verify", dir, "test"},
                                             {"check", dir, "test", "extra"},
                                             {"check", dir, "test", "--since", "3"},
                                             {"export", dir, "test", "--since", "x"},
                                             {"check", dir, "../test"},
                                             {"check", dir, "nosuchboard"}}) {
    Result r = Tool(fx, args);
    EXPECT_EQ(r.code, kToolCannotRead) << testing::PrintToString(args);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
  std::filesystem::remove(dir + "bbsdb/test.log");
  EXPECT_EQ(Tool(fx, "check").code, kToolCannotRead) << "no log";
  EXPECT_EQ(Tool(fx, "export").code, kToolCannotRead);
}

// Symbolic links planted in the board's folders by whoever can write them
// (the web server), pointing outside: the tool, which may run as root,
// neither reads nor writes through them.
struct LinkRow {
  const char* name;
  const char* file;  // the name made a link to a file outside
  bool dangling;     // the link points at nothing; else at the file's own bytes, moved
  int repair_code;
  std::vector<std::string> copies;  // what repair leaves beside the index
};

void PrintTo(const LinkRow& row, std::ostream* os) { *os << row.name; }

// Every name below folder as its bytes, or "-> target" for a link.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    std::string& entry = files[e.path().string()];
    if (e.is_symlink()) {
      entry = "-> " + fs::read_symlink(e.path()).string();
    } else if (e.is_regular_file()) {
      std::ifstream in(e.path(), std::ios::binary);
      entry.assign(std::istreambuf_iterator<char>(in), {});
    }
  }
  return files;
}

class LinkTest : public testing::TestWithParam<LinkRow> {};

TEST_P(LinkTest, NothingGoesThroughALink) {
  const LinkRow& row = GetParam();
  ToolBoard fx;
  SoundBoard(fx);
  fx.dir().Write("bbsdb/test.idx", fx.IndexBytes() + std::string(700, 'x'));  // a partial record to cut
  const std::string index = fx.IndexBytes();
  TempDir outside;
  const std::string target = outside.path() + "target", link = fx.dir().path() + row.file;
  if (!row.dangling) fs::rename(link, target);
  fs::create_symlink(target, link);
  const auto before = Snapshot(fx.dir().path()), outside_before = Snapshot(outside.path());

  if (!row.dangling) {
    for (const char* command : {"check", "repair", "export"}) {
      Result r = Tool(fx, command);
      EXPECT_EQ(r.code, kToolCannotRead) << command;
      EXPECT_EQ(r.out, "") << command;
      EXPECT_NE(r.err.find(std::string(row.file) + " is a symbolic link"), std::string::npos) << command << r.err;
      EXPECT_EQ(Snapshot(fx.dir().path()), before) << command << " changed the board";
      EXPECT_EQ(Snapshot(outside.path()), outside_before) << command << " changed the link's target";
    }
    return;
  }
  Result r = Tool(fx, "repair");
  EXPECT_EQ(r.code, row.repair_code) << r.err;
  EXPECT_EQ(Snapshot(outside.path()), outside_before) << "nothing made at the link's target";
  EXPECT_EQ(fs::read_symlink(link).string(), target);
  for (const std::string& copy : row.copies) {
    EXPECT_NE(r.out.find(copy), std::string::npos) << r.out;
    EXPECT_EQ(fs::status(fx.dir().path() + copy).permissions(), fs::perms::owner_read | fs::perms::owner_write)
        << copy << " holds every deletion password";
  }
  EXPECT_EQ(fx.dir().Read(row.copies[0]), index);
  EXPECT_EQ(fx.IndexBytes(), index.substr(0, index.size() - 700));
}

INSTANTIATE_TEST_SUITE_P(Rows, LinkTest,
                         testing::ValuesIn(std::vector<LinkRow>{
                             {"Index", "bbsdb/test.idx", false, kToolCannotRead, {}},
                             {"Log", "bbsdb/test.log", false, kToolCannotRead, {}},
                             {"Settings", "test.ini", false, kToolCannotRead, {}},
                             {"AtTheBackupName",
                              "bbsdb/test.idx.20241208T010640Z.bak",
                              true,
                              kToolSound,
                              {"bbsdb/test.idx.20241208T010640Z.bak-2", "bbsdb/test.idx.20241208T010640Z.tail"}},
                             {"AtTheTailName",
                              "bbsdb/test.idx.20241208T010640Z.tail",
                              true,
                              kToolSound,
                              {"bbsdb/test.idx.20241208T010640Z.bak", "bbsdb/test.idx.20241208T010640Z.tail-2"}},
                         }),
                         [](const testing::TestParamInfo<LinkRow>& i) { return std::string(i.param.name); });

// The installed program: exit codes reach the shell, and check waits for
// nothing while no one writes.
TEST(BoardTool, ProgramExitCodes) {
  ToolBoard fx;
  SoundBoard(fx);
  int code = -1;
  CgiProcess p = StartCgi(KIROQ_BOARD_EXE, {"check", fx.dir().path(), "test"}, {}, "");
  EXPECT_EQ(FinishCgi(&p, &code), "");
  EXPECT_EQ(code, 0);
  Count(fx, 0, 1);
  p = StartCgi(KIROQ_BOARD_EXE, {"check", fx.dir().path(), "test"}, {}, "");
  EXPECT_EQ(FinishCgi(&p, &code), "article 5: reply missing from the child list of its parent, article 1\n");
  EXPECT_EQ(code, 1);
  p = StartCgi(KIROQ_BOARD_EXE, {"check", fx.dir().path(), "none"}, {}, "");
  FinishCgi(&p, &code);
  EXPECT_EQ(code, 2);
  // It refuses links as the tests above do.
  TempDir outside;
  fs::rename(fx.dir().path() + "bbsdb/test.idx", outside.path() + "idx");
  fs::create_symlink(outside.path() + "idx", fx.dir().path() + "bbsdb/test.idx");
  const std::string damaged = outside.Read("idx");
  p = StartCgi(KIROQ_BOARD_EXE, {"repair", fx.dir().path(), "test"}, {}, "");
  FinishCgi(&p, &code);
  EXPECT_EQ(code, 2);
  EXPECT_EQ(outside.Read("idx"), damaged);
}

}  // namespace
}  // namespace kiroq
