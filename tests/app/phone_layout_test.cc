// The smartphone layout (SMARTPHONE) across every action: a board with it
// on answers exactly what the same board with it off answers, plus the
// viewport line and style block once in the head of each HTML page, after
// the header file when the board has one, and never on i-mode pages.
#include <gtest/gtest.h>

#include "board_fixture.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "test_env.h"

namespace kiroq {
namespace {

const char kViewport[] = "<META NAME=\"viewport\" CONTENT=\"width=device-width, initial-scale=1\">\r\n";
const char kCharset[] = "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";

std::string PhoneBlock() {
  FakeEnv env;
  {
    Output out(&env);
    out.set_phone_layout(true);
    WritePhoneHead(&out);
  }
  return env.stdout_data;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

struct Variant {
  const char* name;
  std::vector<std::string> settings;
  std::string header_file;  // <board>.HED, none when empty
  std::string user_agent;
  bool phone;  // the pages get the block
};

const Variant kVariants[] = {
    {"japanese, built-in head", {"JAPANESE=1"}, "", "", true},
    {"english, header file with a HEAD",
     {"JAPANESE=0"},
     "<HTML>\r\n<HEAD><TITLE>Cafe</TITLE><STYLE>BODY{font-size:10px}</STYLE></HEAD>\r\n<BODY>\r\n<H2>Cafe</H2>",
     "",
     true},
    {"japanese, header file without a HEAD", {"JAPANESE=1"}, "<BODY BGCOLOR=\"WHITE\">\r\n<H1>Cafe</H1>\r\n", "", true},
    {"members only", {"JAPANESE=0", "MEMBERSONLY=@DIR@members.txt", "MEMBERREADONLY=1"}, "", "", true},
    {"i-mode always", {"JAPANESE=1", "IMODE=1"}, "<BODY TEXT=\"NAVY\">\r\n", "", false},
    {"i-mode telephone", {"JAPANESE=1", "IMODE=2"}, "", "DoCoMo/2.0 P903i(c100;TB;W24H12)", false},
    {"i-mode board, smartphone",
     {"JAPANESE=0", "IMODE=2"},
     "<BODY TEXT=\"NAVY\">\r\n",
     "Mozilla/5.0 (Linux; Android 14)",
     true},
};

// A board with most features on, one article with a deletion password, the
// administrator password "admin" and a member.
void Seed(BoardFixture& board, const Variant& v, bool smartphone) {
  const std::string dir = board.dir().path();
  std::vector<std::string> lines = {"USEDELETE=1", "USECOOKIE=1",     "FILEUPLOAD=1", "PASSWORD=X",
                                    "BBSMAN=1",    "USESEARCHLOG=1",  "USEMAIL=1",    "USECOOKIESETTING=1",
                                    "ROMA=1",      "URLLINKCONVERT=1"};
  for (std::string line : v.settings) {
    if (std::size_t at = line.find("@DIR@"); at != std::string::npos) line.replace(at, 5, dir);
    lines.push_back(line);
  }
  if (smartphone) lines.push_back("SMARTPHONE=1");
  board.Settings(lines);
  if (!v.header_file.empty()) board.File(".HED", v.header_file);
  board.dir().Write("members.txt", "alice,secret,alice@example.jp,Alice\r\n");
  board.env().vars["KIROQ_DRIVE_X"] = dir + "drive-x";
  board.dir().Write("drive-x/KIRPASS/test.PWD", "admin\r\n");
  if (!v.user_agent.empty()) board.env().vars["HTTP_USER_AGENT"] = v.user_agent;
  IndexRecord rec = SampleRecord("first");
  rec.password = "pw1";
  board.AddArticle(rec, "see https://example.com/a-very-long-address-that-goes-on\r\n");
}

// Both boards' answers with their folders named alike.
std::string Send(BoardFixture& board, int action, bool post) {
  std::vector<std::string> words = {board.board(), "10", "1", std::to_string(action)};
  std::string out = post ? board.Post(words, {{"NAME", "n"},
                                              {"TITLE", "t"},
                                              {"CONTENT", "text"},
                                              {"PASSWORD", "admin"},
                                              {"DELPASSWORD", "pw1"},
                                              {"MEMID", "alice"},
                                              {"MEMPASS", "secret"},
                                              {"SEARCHWORD", "text"}})
                         : board.Run(words);
  const std::string dir = board.dir().path();
  for (std::size_t at = out.find(dir); at != std::string::npos; at = out.find(dir, at))
    out.replace(at, dir.size(), "@");
  return out;
}

TEST(PhoneLayout, EveryPageGetsTheBlockOnceInItsHeadAndNothingElseChanges) {
  const std::string block = PhoneBlock();
  ASSERT_EQ(block.rfind(kViewport, 0), 0u) << block;
  ASSERT_NE(block.find("<STYLE TYPE=\"text/css\">\r\n"), std::string::npos);
  for (const Variant& v : kVariants) {
    BoardFixture on, off;
    Seed(on, v, true);
    Seed(off, v, false);
    // Right after the header file on the pages that show it, or else right
    // after the META naming the character set, which browsers put in the
    // head.
    const std::string file_text = v.header_file + (v.header_file.ends_with("\n") ? "" : "\r\n");
    int html_pages = 0, pages = 0, framed_pages = 0;
    for (int action = 0; action < 256; ++action) {
      for (bool post : {false, true}) {
        SCOPED_TRACE(std::string(v.name) + ", action " + std::to_string(action) + (post ? " posted" : ""));
        std::string with = Send(on, action, post);
        const std::string without = Send(off, action, post);
        const std::size_t header_end = with.find("\r\n\r\n");
        const bool html = with.substr(0, header_end).find("Content-Type: Text/html") != std::string::npos;
        const bool has_block = v.phone && html;
        html_pages += html ? 1 : 0;
        EXPECT_EQ(Count(with, block), has_block ? 1 : 0);
        EXPECT_EQ(Count(with, "NAME=\"viewport\""), has_block ? 1 : 0);
        if (has_block) {
          ++pages;
          const bool framed = !v.header_file.empty() && with.find(file_text) != std::string::npos;
          framed_pages += framed ? 1 : 0;
          const std::string anchor = framed ? file_text : kCharset;
          const std::size_t at = with.find(anchor + block);
          ASSERT_NE(at, std::string::npos) << with.substr(0, 600);
          if (!framed) {
            EXPECT_EQ(with.find("<BODY"), with.find("<BODY", at + anchor.size() + block.size()));
          }
          with.erase(at + anchor.size(), block.size());
        }
        EXPECT_EQ(with, without);
      }
    }
    EXPECT_GT(html_pages, 400) << v.name;
    EXPECT_EQ(pages, v.phone ? html_pages : 0) << v.name;
    if (v.phone && !v.header_file.empty()) {
      EXPECT_GT(framed_pages, 50) << v.name;
    }
  }
}

}  // namespace
}  // namespace kiroq
