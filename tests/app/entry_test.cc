// Whole requests through the real entry point, output compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/run.h"
#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";
const char kFooter[] =
    "<!--\r\nkiroq: a threaded bulletin board\r\n"
    "Every request is one run of the program; the board lives in files.\r\n"
    "Pages are Shift-JIS or English, as the board's settings choose.\r\n-->\r\n</BODY>\r\n</HTML>\r\n";
const char kHead[] = "<HTML>\r\n<BODY BGCOLOR=\"#FFFFE0\">\r\n";

TEST(MissingSettings, JapanesePageAndNoFileTouched) {
  BoardFixture board("cafe");
  std::string out = board.Run({"cafe", "10", "0", "1"});
  EXPECT_EQ(out, std::string(kHeader) + "<HTML>\r\n" +
                     std::string("設定ファイル cafe.ini がありません。BBS の名前を確認してください\r\n"_sj) +
                     "</HTML>\r\n");
  EXPECT_FALSE(board.dir().Exists("bbsdb/cafe.log"));
  EXPECT_FALSE(board.dir().Exists("bbsdb/cafe.idx"));
}

TEST(MissingSettings, BoardNamesThatLeaveTheFolderAreRefused) {
  BoardFixture board("cafe");
  board.Settings({"JAPANESE=1"});
  board.dir().Write("bbsdb/x.ini", "JAPANESE=1\r\n");
  for (std::string name : {"bbsdb/x", "../cafe", "ca fe", "cafe\\x", "<b>", ""}) {
    std::string out = board.Run({name, "10", "0", "158"});
    EXPECT_NE(out.find(".ini "), std::string::npos) << name;
    EXPECT_EQ(out.find("<b>"), std::string::npos) << "echoed unescaped: " << name;
  }
  EXPECT_FALSE(board.dir().Exists("bbsdb/x.log"));
  EXPECT_FALSE(board.dir().Exists("bbsdb/x/x.log"));
}

TEST(BareFrame, UnknownActionOnEnglishBoard) {
  BoardFixture board;
  board.Settings({"JAPANESE=0"});
  EXPECT_EQ(board.Get(10, 0, 158), std::string(kHeader) + kHead + kFooter);
}

TEST(BareFrame, ManagerLinkCarriesThePageSize) {
  BoardFixture board;
  board.Settings({"JAPANESE=1", "BBSMAN=1"});
  EXPECT_EQ(
      board.Get(15, 0, 77),
      std::string(kHeader) + kHead +
          std::string("<DIV ALIGN=\"RIGHT\"><A HREF=\"kiroq.exe?test+15+0+99\">ＢＢＳ管理者メニュー</A></DIV>\r\n"_sj) +
          kFooter);
}

TEST(BareFrame, HeaderAndFooterFilesReplaceTheBuiltInFrame) {
  BoardFixture board;
  board.Settings({"JAPANESE=1", "BBSMAN=1"});
  board.File(".HED", "<HTML><HEAD><TITLE>cafe</TITLE></HEAD>\n<BODY>");
  board.File(".FOT", "</BODY></HTML>\r\n");
  EXPECT_EQ(
      board.Get(10, 0, 158),
      std::string(kHeader) + "<HTML><HEAD><TITLE>cafe</TITLE></HEAD>\r\n<BODY>\r\n" +
          std::string("<DIV ALIGN=\"RIGHT\"><A HREF=\"kiroq.exe?test+10+0+99\">ＢＢＳ管理者メニュー</A></DIV>\r\n"_sj) +
          "</BODY></HTML>\r\n");
  // An empty header file writes nothing, not the built-in head.
  board.File(".HED", "");
  EXPECT_EQ(board.Get(10, 0, 158).substr(sizeof(kHeader) - 1, 6), "<DIV A");
}

// Files the administrator keeps are read up to 1 MB; a larger one counts as
// missing, and standard error says which.
TEST(BareFrame, AdministratorFilesOverOneMegabyteCountAsMissing) {
  const std::size_t limit = std::size_t{1} << 20;
  BoardFixture board;
  board.Settings({"JAPANESE=0"});
  const std::string hed = "<HTML><BODY>own head";
  board.File(".HED", hed + std::string(limit - hed.size(), ' '));
  EXPECT_NE(board.Get(10, 0, 158).find("own head"), std::string::npos);  // 1 MB exactly is read
  EXPECT_EQ(board.env().stderr_data, "");
  board.File(".HED", hed + std::string(limit + 1 - hed.size(), ' '));
  EXPECT_EQ(board.Get(10, 0, 158), std::string(kHeader) + kHead + kFooter);
  EXPECT_EQ(std::count(board.env().stderr_data.begin(), board.env().stderr_data.end(), '\n'), 1);
  EXPECT_NE(board.env().stderr_data.find("test.HED"), std::string::npos) << board.env().stderr_data;

  board.env().stderr_data.clear();
  board.File(".ini", "JAPANESE=0\r\n" + std::string(limit, '\n'));
  EXPECT_NE(board.Get(10, 0, 1).find(".ini "), std::string::npos);  // the missing-settings page
  EXPECT_NE(board.env().stderr_data.find("test.ini"), std::string::npos);
}

TEST(BareFrame, TemplateExtensionsInEitherCase) {
  BoardFixture board;
  board.Settings({"JAPANESE=0"});
  board.File(".hed", "<HTML><BODY>lower");
  EXPECT_NE(board.Get(10, 0, 158).find("lower"), std::string::npos);
}

TEST(BareFrame, MobileManagerLinkIsPlain) {
  BoardFixture board;
  board.Settings({"JAPANESE=0", "BBSMAN=1", "IMODE=1"});
  EXPECT_EQ(board.Get(10, 0, 158),
            std::string(kHeader) + kHead + "<A HREF=\"kiroq.exe?test+10+0+99\">BBS maneger</A>\r\n" + kFooter);
}

TEST(StartUp, FirstRequestCreatesEmptyDataFiles) {
  BoardFixture board;
  board.Settings({"JAPANESE=1"});
  board.Get(10, 0, 158);
  EXPECT_TRUE(board.dir().Exists("bbsdb/test.log"));
  EXPECT_TRUE(board.dir().Exists("bbsdb/test.idx"));
  EXPECT_EQ(board.IndexBytes(), "");
}

TEST(StartUp, DataFilesFromAWindowsServerAreAdopted) {
  BoardFixture board;
  board.Settings({"JAPANESE=1"});
  board.dir().Write("bbsdb/test.LOG", "hello");
  board.dir().Write("bbsdb/test.IDX", std::string(kRecordSize, '\0'));
  board.Get(10, 0, 158);
  EXPECT_EQ(board.LogBytes(), "hello");
  EXPECT_EQ(board.Count(), 1);
}

TEST(StartUp, DownloadActionsDoNotCreateDataFiles) {
  BoardFixture board;
  board.Settings({"JAPANESE=1"});
  board.Get(10, 1, 22);
  board.Get(10, 1, 23);
  EXPECT_FALSE(board.dir().Exists("bbsdb/test.log"));
  EXPECT_FALSE(board.dir().Exists("bbsdb/test.idx"));
}

TEST(StartUp, BusyPagesWhenDataFilesCannotBeCreated) {
  BoardFixture board;
  board.Settings({"JAPANESE=1"});
  board.dir().Write("bbsdb/test.log/blocker", "");  // a folder where the log should be
  EXPECT_EQ(board.Get(10, 0, 3),
            std::string(kHeader) + "<HTML><BODY>\r\n<H1>KIROQ SERVER BUSY</H1>\r\n" +
                std::string("ログファイルが作成出来ませんでした。フォルダセキュリティを確認してください。<BR>\r\n"_sj) +
                "</BODY></HTML>\r\n");
  BoardFixture english;
  english.Settings({"JAPANESE=0"});
  english.dir().Write("bbsdb/test.idx/blocker", "");
  EXPECT_EQ(english.Get(10, 0, 3), std::string(kHeader) +
                                       "<HTML><BODY>\r\n<H1>KIROQ SERVER BUSY</H1>\r\n"
                                       "made false index file. Check the folder securyty.<BR>\r\n</BODY></HTML>\r\n");
}

TEST(QueryWords, FromQueryStringWhenTheServerSetsIt) {
  FakeEnv env;
  env.vars["QUERY_STRING"] = "cafe+20+3+%31%31";
  EXPECT_EQ(QueryWords(&env, {"ignored"}), (std::vector<std::string>{"cafe", "20", "3", "11"}));
  env.vars["QUERY_STRING"] = "%88%A4+10";  // Shift-JIS bytes arrive escaped
  EXPECT_EQ(QueryWords(&env, {}), (std::vector<std::string>{"\x88\xA4", "10"}));
  env.vars["QUERY_STRING"] = "a=b";
  EXPECT_TRUE(QueryWords(&env, {"x"}).empty());
  env.vars.erase("QUERY_STRING");
  EXPECT_EQ(QueryWords(&env, {"x", "y"}), (std::vector<std::string>{"x", "y"}));
}

TEST(QueryWords, CookiePageSizeOverridesTheQuery) {
  BoardFixture board;
  board.Settings({"JAPANESE=0", "BBSMAN=1", "IMODE=1"});
  board.env().vars["HTTP_COOKIE"] = "BROWSCOUNT=25";
  EXPECT_NE(board.Get(10, 0, 158).find("kiroq.exe?test+25+0+99"), std::string::npos);
  board.env().vars["HTTP_COOKIE"] = "BROWSCOUNT=abc";
  EXPECT_NE(board.Get(30, 0, 158).find("kiroq.exe?test+10+0+99"), std::string::npos);
  board.env().vars["HTTP_COOKIE"] = "BROWSCOUNT=";
  EXPECT_NE(board.Get(30, 0, 158).find("kiroq.exe?test+30+0+99"), std::string::npos);
  board.env().vars.erase("HTTP_COOKIE");
  EXPECT_NE(board.Run({"test"}).find("kiroq.exe?test+10+0+99"), std::string::npos);
  EXPECT_NE(board.Run({"test", "0"}).find("kiroq.exe?test+10+0+99"), std::string::npos);
  EXPECT_NE(board.Run({"test", "-4"}).find("kiroq.exe?test+10+0+99"), std::string::npos);
}

TEST(QueryWords, PageSizeIsCappedAtAThousand) {
  BoardFixture board;
  board.Settings({"JAPANESE=0", "BBSMAN=1", "IMODE=1"});
  EXPECT_NE(board.Get(1000, 0, 158).find("kiroq.exe?test+1000+0+99"), std::string::npos);
  EXPECT_NE(board.Get(1001, 0, 158).find("kiroq.exe?test+1000+0+99"), std::string::npos);
  EXPECT_NE(board.Get(100000, 0, 158).find("kiroq.exe?test+1000+0+99"), std::string::npos);
  board.env().vars["HTTP_COOKIE"] = "BROWSCOUNT=2147483647";
  EXPECT_NE(board.Get(10, 0, 158).find("kiroq.exe?test+1000+0+99"), std::string::npos);
}

}  // namespace
}  // namespace kiroq

namespace kiroq {
namespace {

TEST(QueryWords, ExtremeNumbersGiveOrdinaryPages) {
  BoardFixture board;
  board.Settings({"JAPANESE=0", "VIEWLIMIT=-2147483648"});
  board.AddArticle(SampleRecord("only"), "body");
  for (std::string n : {"-2147483648", "2147483647", "99999999999999", "-1", "abc"}) {
    for (std::string action : {"3", "5", "4", "8", "1", "-2147483648", "99999999999"}) {
      std::string out = board.Run({"test", n, n, action});
      EXPECT_NE(out.find("</HTML>"), std::string::npos) << n << " " << action;
      EXPECT_EQ(out.find("Server Busy"), std::string::npos) << n << " " << action;
    }
  }
  EXPECT_EQ(board.Count(), 1);
}

}  // namespace
}  // namespace kiroq
