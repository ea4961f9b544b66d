// The administrator's menu (action 99) and actions (action 98): whole
// requests against a board of five articles whose control password lies in
// a password file on drive X.
#include "pages/admin_pages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "board_fixture.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;
using Marks = std::vector<bool>;

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";
const char kStopped[] = "</CENTER></BODY>\r\n</HTML>\r\n";  // after a refused number

std::string S(std::string_view v) { return std::string(v); }
std::string Start() {
  return kHeader + S("<HTML>\r\n<BODY BGCOLOR=\"#FFFFE0\"><CENTER>\r\nKIROQ [test] 用管理メニュー<P>\r\n"_sj);
}
std::string Finished() { return S("<P>処理が終了しました\r\n</CENTER></BODY>\r\n</HTML>\r\n"_sj); }

class AdminTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.env().vars["KIROQ_DRIVE_X"] = board_.dir().path() + "drive-x";
    board_.dir().Write("drive-x/KIRPASS/test.PWD", "secret\r\nsecond line\r\n");
    Configure({});
    for (int i = 1; i <= 5; ++i) board_.AddArticle(SampleRecord("t" + std::to_string(i)), "body" + std::to_string(i));
  }
  void Configure(std::vector<std::string> lines) {
    lines.insert(lines.begin(), {"JAPANESE=1", "PASSWORD=x"});
    board_.Settings(lines);
  }
  std::string Admin(Fields fields, const std::string& password = "secret") {
    fields.insert(fields.begin(), {"PASSWORD2", password});
    return board_.Post({"test", "10", "0", "98"}, fields);
  }
  // A mobile telephone's URL-encoded post.
  std::string MobileAdmin(const std::string& body) {
    board_.env().SetStdin(body);
    board_.env().vars["CONTENT_LENGTH"] = std::to_string(body.size());
    return board_.Get(10, 0, 98);
  }
  Marks Deleted() {
    Marks marks;
    for (int i = 0; i < board_.Count(); ++i) marks.push_back(board_.Record(i).is_deleted());
    return marks;
  }
  BoardFixture board_;
};

TEST_F(AdminTest, MenuInBothLayouts) {
  EXPECT_EQ(board_.Get(15, 0, 99),
            Start() + S("<TABLE BORDER>\r\n"
                        "<FORM ACTION=\"kiroq.exe?test+15+0+98\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
                        "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">管理者用パスワード</TD><TD BGCOLOR=\"#E0FFE0\">"
                        "<INPUT TYPE=\"PASSWORD\" SIZE=\"20\" NAME=\"PASSWORD2\"></TD></TR>\r\n"
                        "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">削除する発言番号</TD><TD BGCOLOR=\"#E0FFE0\">"
                        "<INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"DELPOS\"></TD></TR>\r\n"
                        "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">削除を解除する発言番号</TD><TD BGCOLOR=\"#E0FFE0\">"
                        "<INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"UNDELPOS\"></TD></TR>\r\n"
                        "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">詳細を見る発言番号</TD><TD BGCOLOR=\"#E0FFE0\">"
                        "<INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"LOOKPOS\"></TD></TR>\r\n"
                        "</TABLE><P>\r\n<INPUT TYPE=\"SUBMIT\" VALUE=\"実行する\">\r\n</FORM>\r\n"
                        "</CENTER></BODY></HTML>\r\n"_sj));
  Configure({"IMODE=1", "JAPANESE=0"});  // Japanese on English boards too
  EXPECT_EQ(board_.Get(10, 0, 99),
            Start() + S("<FORM ACTION=\"kiroq.exe?test+10+0+98\" METHOD=\"POST\">\r\n"
                        "管理者用パスワード<BR><INPUT TYPE=\"PASSWORD\" SIZE=\"20\" NAME=\"PASSWORD2\"><BR>\r\n"
                        "削除番号<BR><INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"DELPOS\"><BR>\r\n"
                        "削除解除番号<BR><INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"UNDELPOS\"><BR>\r\n"
                        "詳細閲覧番号<BR><INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"LOOKPOS\"><BR>\r\n"
                        "<INPUT TYPE=\"SUBMIT\" VALUE=\"実行する\">\r\n</FORM>\r\n"
                        "</CENTER></BODY></HTML>\r\n"_sj));
}

TEST_F(AdminTest, WrongOrMissingPasswordRefusesEverything) {
  const std::string refused = kHeader + S("<HTML>\r\n<BODY BGCOLOR=\"#FFFFE0\">\r\nKIROQ [test] 用管理メニュー<P>\r\n"
                                          "管理用パスワードが間違っています！<P>\r\n</BODY>\r\n</HTML>\r\n"_sj);
  EXPECT_EQ(Admin({{"DELPOS", "1"}}, "Secret"), refused);
  EXPECT_EQ(Admin({{"DELPOS", "1"}}, ""), refused);
  EXPECT_EQ(Admin({{"DELPOS", "1"}}, "second line"), refused);  // only the first line counts
  // Without a control password (no drive letter; an empty first line) an
  // empty posted password opens nothing either.
  Configure({"PASSWORD="});
  EXPECT_EQ(Admin({{"DELPOS", "1"}}, ""), refused);
  Configure({"IMODE=1"});
  board_.dir().Write("drive-x/KIRPASS/test.PWD", "\r\nsecret\r\n");
  EXPECT_EQ(MobileAdmin("PASSWORD2=&DELPOS=1"), refused);
  EXPECT_EQ(Deleted(), Marks(5, false));
}

TEST_F(AdminTest, ListsAreWorkedThroughInWrittenOrder) {
  EXPECT_EQ(Admin({{"DELPOS", "2-4"}}), Start() +
                                            S("2番の発言を削除しました。<BR>\r\n3番の発言を削除しました。<BR>\r\n"
                                              "4番の発言を削除しました。<BR>\r\n"_sj) +
                                            Finished());
  // Blanks separate too; a comma at the end leaves an empty item, which is
  // not a number.
  EXPECT_EQ(Admin({{"UNDELPOS", "4 3,"}}), Start() +
                                               S("4番の発言を復活しました。<BR>\r\n3番の発言を復活しました。<BR>\r\n"
                                                 "4 3,は不正な数値です。<BR>\r\n"_sj) +
                                               kStopped);
  EXPECT_EQ(Deleted(), (Marks{false, true, false, false, false}));
  // A reversed range, or a range of a non-number, is nothing at all.
  const std::string before = board_.IndexBytes();
  EXPECT_EQ(Admin({{"DELPOS", "4-2"}, {"UNDELPOS", "-1-2"}, {"LOOKPOS", ""}}), Start() + Finished());
  EXPECT_EQ(board_.IndexBytes(), before);
}

TEST_F(AdminTest, WordStopsTheRequestAfterTheNumbersBeforeIt) {
  EXPECT_EQ(Admin({{"DELPOS", "3,<x>,5"}, {"UNDELPOS", "3"}}),
            Start() + S("3番の発言を削除しました。<BR>\r\n3,&lt;x&gt;,5は不正な数値です。<BR>\r\n"_sj) + kStopped);
  // 5 was never reached, and neither was the restoring of 3.
  EXPECT_EQ(Deleted(), (Marks{false, false, true, false, false}));
}

TEST_F(AdminTest, NumbersOutsideTheBoardStop) {
  EXPECT_EQ(Admin({{"DELPOS", "0"}}), Start() + S("0番は範囲外の番号です。<BR>\r\n"_sj) + kStopped);
  // A huge range runs to the end of the board and stops there.
  EXPECT_TRUE(Admin({{"DELPOS", "4-2000000000"}})
                  .ends_with(S("5番の発言を削除しました。<BR>\r\n6番は範囲外の番号です。<BR>\r\n"_sj) + kStopped));
  // The restoring message has no full stop.
  EXPECT_EQ(Admin({{"UNDELPOS", "+7"}}), Start() + S("7番は範囲外の番号です<BR>\r\n"_sj) + kStopped);
  EXPECT_EQ(Deleted(), (Marks{false, false, false, true, true}));
}

TEST_F(AdminTest, DeletingAndRestoringChangeOnlyTheMark) {
  const std::string before = board_.IndexBytes();
  Admin({{"DELPOS", "2,4"}});
  const std::string deleted = board_.IndexBytes();
  for (std::size_t i = 0; i < before.size(); ++i) {
    ASSERT_EQ(before[i] != deleted[i], i == kRecordSize || i == 3 * kRecordSize) << "byte " << i;
  }
  // Deleting again, and restoring twice, report success each time.
  EXPECT_EQ(Admin({{"DELPOS", "2"}, {"UNDELPOS", "2,2,4"}}),
            Start() +
                S("2番の発言を削除しました。<BR>\r\n2番の発言を復活しました。<BR>\r\n"
                  "2番の発言を復活しました。<BR>\r\n4番の発言を復活しました。<BR>\r\n"_sj) +
                Finished());
  EXPECT_EQ(board_.IndexBytes(), before);
}

TEST_F(AdminTest, MobilePostsAreUrlEncoded) {
  Configure({"IMODE=1"});
  EXPECT_EQ(MobileAdmin("PASSWORD2=secret&DELPOS=1%2C3&UNDELPOS="),
            Start() + S("1番の発言を削除しました。<BR>\r\n3番の発言を削除しました。<BR>\r\n"_sj) + Finished());
  EXPECT_EQ(Deleted(), (Marks{true, false, true, false, false}));
}

// On a mobile page the article block is left out.
TEST_F(AdminTest, InspectionTableShowsStoredFields) {
  Configure({"IMODE=1", "TIMETYPE=3"});
  IndexRecord r = SampleRecord("<i>T", "A&B");
  r.email = "a@example.jp";
  r.password = "pw\"x";
  r.image_url = "http://img.example.jp/p.png";
  r.address = r.address2 = r.host = "";
  board_.AddArticle(r, "hello");
  const std::string row = "<TR><TD BGCOLOR=\"#E0E0FF\">", mid = "</TD><TD BGCOLOR=\"#E0FFE0\">", end = "</TD></TR>\r\n";
  EXPECT_EQ(MobileAdmin("PASSWORD2=secret&LOOKPOS=6"),
            Start() + "<TABLE BORDER>\r\n" + row + S("発言番号"_sj) + mid + "6" + end +  //
                row + S("タイトル"_sj) + mid + "&lt;i&gt;T" + end +                      //
                row + S("名前"_sj) + mid + "A&amp;B" + end +                             //
                row + S("メールアドレス"_sj) + mid + "a@example.jp" + end +              //
                row + S("パスワード"_sj) + mid + "pw&quot;x" + end +                     //
                row + "URL" + mid + "<BR>" + end +                                       //
                row + S("画像URL"_sj) + mid + "http://img.example.jp/p.png" + end +      //
                row + S("日付"_sj) + mid + "24/12/01 10:20:30" + end +                   //
                row + S("アドレス１"_sj) + mid + "<BR>" + end +                          //
                row + S("アドレス２"_sj) + mid + "<BR>" + end +                          //
                row + "IP" + mid + S("！！！不明！！！"_sj) + end +                      //
                row + S("ログ中の開始ポインタ"_sj) + mid + "25" + end +                  //
                row + S("ログ中の終了ポインタ"_sj) + mid + "29" + end + "</TABLE><P>\r\n" + Finished());
}

TEST_F(AdminTest, InspectionShowsADeletedArticleAsWritten) {
  Admin({{"DELPOS", "2"}});
  const std::string out = Admin({{"LOOKPOS", "2"}});
  const std::size_t image = out.find("ログイメージ</TD><TD BGCOLOR=\"#E0FFE0\">\r\n<HR>\r\n"_sj);
  const std::size_t table_end = out.find("</TD></TR>\r\n</TABLE><P>\r\n" + Finished());
  ASSERT_LT(image, table_end);
  const std::string block = out.substr(image, table_end - image);
  EXPECT_NE(block.find(">t2</TD></TR>"), std::string::npos);
  EXPECT_NE(block.find("body2<BR>"), std::string::npos);
  EXPECT_EQ(block.find("削除されています"_sj), std::string::npos);
  EXPECT_NE(out.find("IP</TD><TD BGCOLOR=\"#E0FFE0\">127.0.0.1</TD></TR>"), std::string::npos);
  EXPECT_TRUE(board_.Record(1).is_deleted());  // looking changes nothing
}

TEST_F(AdminTest, InspectionRefusalsComeAfterTheLists) {
  EXPECT_EQ(Admin({{"LOOKPOS", "2-3"}}), Start() + S("2-3は不正な数値です。<BR>\r\n"_sj) + kStopped);
  EXPECT_EQ(Admin({{"LOOKPOS", "9"}, {"DELPOS", "1"}}),
            Start() + S("1番の発言を削除しました。<BR>\r\n9番は範囲外の番号です。\r\n"_sj) + kStopped);
  EXPECT_TRUE(board_.Record(0).is_deleted());
}

TEST_F(AdminTest, BusyIndexEndsAfterTheNotice) {
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(BoardFiles(board_.dir().path(), "test").Index(), OpenMode::kReadShared, &held).ok());
  EXPECT_EQ(Admin({{"DELPOS", "1"}}),
            Start() + S("インデックスファイルをオープン出来ませんでした。暫くしてから再度行ってください。\r\n"_sj));
  EXPECT_EQ(board_.env().sleeps, std::vector<int>(60, 100));
  held.reset();
  EXPECT_FALSE(board_.Record(0).is_deleted());
}

}  // namespace
}  // namespace kiroq
