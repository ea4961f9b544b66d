// kiroq-board export: a document a strict JSON reader takes, Shift-JIS decoded,
// bytes that are no character counted, --since, and a small board's whole
// export kept as a golden file (KIROQ_UPDATE_GOLDEN=1 rewrites it, for a
// deliberate change of the shape only).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/board_tool.h"
#include "board/export.h"
#include "board_fixture.h"
#include "text/sjis.h"
#include "text/utf8.h"

namespace kiroq {
namespace {

// True when python's JSON reader takes the document (strict: no control
// character in a string, no invalid UTF-8).
bool IsJson(BoardFixture& fx, const std::string& json) {
  fx.dir().Write("export.json", json);
  const std::string command = "python3 -c 'import json, sys; json.load(open(sys.argv[1], encoding=\"utf-8\"))' " +
                              fx.dir().path() + "export.json";
  return std::system(command.c_str()) == 0;
}

// A Japanese board: a thread, a deleted reply, a legacy date, markup and
// control characters, an attachment with its counter, bytes that are no
// Shift-JIS character.
void SmallBoard(BoardFixture& fx) {
  fx.Settings({"JAPANESE=1"});
  IndexRecord top = SampleRecord(std::string("はじめまして"_sj), std::string("管理人"_sj));
  top.email = "kanri@example.jp";
  top.url = "http://example.jp/";
  top.attachment = "表.txt"_sj;  // 0x5C as a second byte
  fx.AddArticle(top, std::string("こんにちは。\r\n二行目\t\"引用\" \\ </script>\r\n"_sj));
  IndexRecord reply = SampleRecord(std::string("Re:01 はじめまして"_sj), std::string("さくら"_sj), 1);
  reply.deleted = 1;
  reply.image_url = "http://example.jp/a.png";
  fx.AddArticle(reply, std::string("消えた発言\r\n"_sj));
  IndexRecord legacy = SampleRecord("old \x01 title", "\x85\x40\xFF", 0);
  legacy.date = DateField{};
  legacy.date[0] = 19;
  std::memcpy(legacy.date.data() + 1, "1999/12/31 23:59:59", 19);
  fx.AddArticle(legacy, std::string("bad \x80\xA0 bytes\r\n") + "\x82");
  fx.dir().Write("bbsdb/test/test1.txt", "42\r\n");
}

std::string Export(BoardFixture& fx, std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"export", fx.dir().path(), "test"};
  args.insert(args.end(), more.begin(), more.end());
  fx.env().stdout_data.clear();
  fx.env().stderr_data.clear();
  EXPECT_EQ(RunBoardTool(&fx.env(), args), kToolSound) << fx.env().stderr_data;
  return fx.env().stdout_data;
}

TEST(BoardExport, SmallBoardMatchesTheGoldenFile) {
  BoardFixture fx;
  SmallBoard(fx);
  const std::string json = Export(fx);
  EXPECT_TRUE(IsJson(fx, json)) << json;
  // 0x85 0x40 (an unassigned pair), 0xFF in the name; 0x80, 0xA0 and the
  // lead byte at the end of the body.
  EXPECT_NE(json.find("\"replaced\":5}"), std::string::npos) << "the article's count";
  EXPECT_NE(json.find(",\"count\":3,\"replaced\":5}"), std::string::npos) << "the document's count";
  EXPECT_NE(fx.env().stderr_data.find("3 articles, 5 bytes"), std::string::npos) << fx.env().stderr_data;

  const std::filesystem::path golden = std::filesystem::path(__FILE__).parent_path() / "golden" / "export_small.json";
  if (const char* update = std::getenv("KIROQ_UPDATE_GOLDEN"); update && std::string(update) == "1") {
    std::filesystem::create_directories(golden.parent_path());
    std::ofstream(golden, std::ios::binary) << json;
  }
  std::stringstream recorded;
  recorded << std::ifstream(golden, std::ios::binary).rdbuf();
  EXPECT_EQ(json, recorded.str()) << golden << " differs; KIROQ_UPDATE_GOLDEN=1 rewrites it";
}

TEST(BoardExport, SinceLeavesOutTheOlderArticles) {
  BoardFixture fx;
  SmallBoard(fx);
  const std::string json = Export(fx, {"--since", "2"});
  EXPECT_TRUE(IsJson(fx, json)) << json;
  EXPECT_EQ(json.find("\"number\":1,"), std::string::npos);
  EXPECT_EQ(json.find("\"number\":2,"), std::string::npos);
  EXPECT_NE(json.find("\"since\":2,\"articles\":[\n{\"number\":3,"), std::string::npos) << json;
  const std::string none = Export(fx, {"--since=3"});
  EXPECT_TRUE(IsJson(fx, none)) << none;
  EXPECT_NE(none.find("\"articles\":[],\"count\":0,\"replaced\":0}"), std::string::npos) << none;
}

// A body far longer than a read block, double-byte text across every block
// boundary, with and without line breaks: the same text as decoding it
// whole.
TEST(BoardExport, LongBodiesDecodeAsAWhole) {
  for (const std::string& unit : std::vector<std::string>{std::string("表示\r\n"_sj), std::string("表示"_sj) + "\xA0",
                                                          "ab" + std::string("表"_sj) + "\x81"}) {
    BoardFixture fx;
    fx.Settings({"JAPANESE=1"});
    std::string body = "x";  // moves the double-byte characters off even offsets
    while (body.size() < 200 * 1024) body += unit;
    fx.AddArticle(SampleRecord("long"), body);
    const std::string json = Export(fx);
    std::size_t replaced = 0;
    std::string expected;
    AppendJsonString(Cp932ToUtf8(body, &replaced), expected);
    EXPECT_NE(json.find("\"body\":" + expected + ",\"replaced\":" + std::to_string(replaced) + "}"), std::string::npos);
    EXPECT_TRUE(IsJson(fx, json));
  }
}

}  // namespace
}  // namespace kiroq
