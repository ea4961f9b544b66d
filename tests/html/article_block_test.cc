#include "html/article_block.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "board_fixture.h"
#include "html/article_view.h"
#include "html/list_row.h"
#include "html/request.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

// A request on a board in a temporary folder, its output captured.
class BlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.japanese = true;
    board_.env().SetLocalTime(2024, 12, 5, 12, 0, 0);
  }
  std::string Show(const IndexRecord& rec, int number, int action = 3) {
    return Capture([&](Request& req) {
      req.action = action;
      PageContext page;
      page.action = action;
      page.position = 4;
      page.count = 9;
      ShowArticle(req, page, rec, number);
    });
  }
  template <typename F>
  std::string Capture(F write) {
    FakeEnv& env = board_.env();
    env.stdout_data.clear();
    {
      Output out(&env);
      Request req(&env, &out);
      req.board = board_.board();
      req.page_size = 10;
      req.files = BoardFiles(board_.dir().path(), board_.board());
      req.settings = settings_;
      req.labels = ChooseLabels(settings_.japanese, settings_.image_button, settings_.mobile());
      try {
        write(req);
      } catch (const RequestEnded&) {
      }
    }
    return env.stdout_data;
  }
  BoardFixture board_;
  Settings settings_;
};

TEST_F(BlockTest, JapaneseLiveArticleWithParentAndChildren) {
  IndexRecord rec = SampleRecord(std::string("こんにちは<b>"_sj), std::string("太郎"_sj));
  rec.email = "taro@example.jp";
  rec.parent = 2;
  rec.children[0] = 6;
  rec.children[1] = 8;
  rec.child_count = 2;
  board_.AddArticle(SampleRecord("x"), "");
  board_.AddArticle(SampleRecord("y"), "");
  int pos = board_.AddArticle(rec, std::string("一行目\r\n<script>x</script>"_sj));
  settings_.use_mail = true;
  IndexRecord stored = board_.Record(pos);
  stored.children = rec.children;  // as if the replies had come
  stored.child_count = 2;
  EXPECT_EQ(Show(stored, 5),
            "<HR>\r\n<TABLE BORDER=0>\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\"><FONT COLOR=\"BLACK\">文書番号</FONT></TD><TD>5\r\n"
            " <A HREF=\"kiroq.exe?test+10+5+4\">返信投稿</A></TD></TR>\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33CCAA\"><FONT COLOR=\"BLACK\">タイトル</FONT></TD><TD>"
            "こんにちは&lt;b&gt;</TD></TR>\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#AACCAA\"><FONT COLOR=\"BLACK\">記入者</FONT></TD><TD>\r\n"
            "<A HREF=\"mailto:taro@example.jp\">太郎</A>　</TD></TR>\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33CC44\">コメント元</TD><TD>\r\n"
            "<A HREF=\"kiroq.exe?test+10+5+12\">▼ </A>親 <A HREF=\"kiroq.exe?test+10+2+3\">2</A>"
            " 子 <A HREF=\"kiroq.exe?test+10+7+3\">7</A> <A HREF=\"kiroq.exe?test+10+9+3\">9</A> </TD></TR>\r\n"
            "</TABLE>\r\n"
            "一行目<BR>\r\n&lt;script&gt;x&lt;/script&gt;<BR>\r\n"_sj);
}

TEST_F(BlockTest, EnglishDeletedArticle) {
  settings_.japanese = false;
  settings_.use_mail = settings_.use_url = settings_.use_date = settings_.file_upload = true;
  settings_.read_only = true;
  IndexRecord rec = SampleRecord("gone", "bob");
  rec.email = "bob@example.com";
  rec.url = "example.com";
  rec.deleted = 1;
  int pos = board_.AddArticle(rec, "secret body");
  EXPECT_EQ(Show(board_.Record(pos), 1),
            "<HR>\r\n<TABLE BORDER=0>\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33AACC\"><FONT COLOR=\"BLACK\">Article No</FONT></TD><TD>1\r\n"
            "</TD></TR>\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#33CCAA\"><FONT COLOR=\"BLACK\">Title</FONT></TD><TD>"
            "<FONT COLOR=\"RED\">削除されています</FONT></TD></TR>\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#AACCAA\"><FONT COLOR=\"BLACK\">Posted by</FONT></TD><TD>\r\n"
            "bob　</TD></TR>\r\n"
            "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#AAEEAA\"><FONT COLOR=\"BLACK\">Date</FONT></TD><TD>"
            "2024/12/01 10:20:30</TD></TR>\r\n"
            "</TABLE>\r\n"
            "This sentence is being removed by a contributor.<BR>\r\n"_sj);
}

TEST_F(BlockTest, PersonRowsAndLinks) {
  settings_.japanese = false;
  settings_.use_url = settings_.use_image_url = settings_.use_host_name = settings_.use_sex = true;
  settings_.use_age = "2";
  IndexRecord rec = SampleRecord("t", "amy");
  rec.url = "HTTPS://example.org/\"x";
  rec.image_url = "http://example.org/p.png";
  rec.sex = "FEMAIL";
  rec.age = "23";
  rec.host = "h.example";
  int pos = board_.AddArticle(rec, "");
  std::string out = Show(board_.Record(pos), 1);
  EXPECT_NE(out.find("amy　<FONT COLOR=\"BLUE\">(h.example)</FONT> 23　<FONT COLOR=\"RED\">FEMAIL</FONT>　</TD>"_sj),
            std::string::npos);
  EXPECT_NE(out.find("<A HREF=\"HTTPS://example.org/&quot;x\" TARGET=\"OTHER\">HTTPS://example.org/&quot;x</A>"),
            std::string::npos);
  EXPECT_NE(out.find("<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#CCFF00\"><FONT COLOR=\"BLACK\">Picture</FONT></TD>"
                     "<TD><IMG SRC=\"http://example.org/p.png\"></TD></TR>"),
            std::string::npos);
  rec.url = "javascript:alert(1)";
  rec.sex = "";
  rec.image_url = "javascript:alert(1)";
  pos = board_.AddArticle(rec, "");
  out = Show(board_.Record(pos), 2);
  EXPECT_NE(out.find("<A HREF=\"http://javascript:alert(1)\""), std::string::npos);
  EXPECT_NE(out.find("<FONT COLOR=\"PURPLE\"></FONT>"), std::string::npos);
  // A picture that is no web address, or that would call the program for
  // every reader, is left out with its row.
  for (const char* image : {"javascript:alert(1)", "kiroq.exe?test+10+1+8", "http://h/cgi-bin/kiroq.exe?test+10+1+8"}) {
    rec.image_url = image;
    out = Show(board_.Record(board_.AddArticle(rec, "")), 3);
    EXPECT_EQ(out.find("Picture"), std::string::npos) << image;
    EXPECT_EQ(out.find("IMG"), std::string::npos) << image;
  }
}

// The number row's label follows the page's label set: i-mode pages are
// narrow and say "No", as their headings do.
TEST_F(BlockTest, NumberLabelFollowsTheLabelSet) {
  const int pos = board_.AddArticle(SampleRecord("t"), "");
  const struct {
    bool japanese;
    int imode;
    std::string label;
  } kCases[] = {
      {true, 0, std::string("文書番号"_sj)}, {true, 1, "No"}, {false, 0, "Article No"}, {false, 1, "Article No"}};
  for (const auto& c : kCases) {
    settings_.japanese = c.japanese;
    settings_.imode = c.imode;
    const std::string out =
        Capture([&](Request& req) { WriteArticleBlock(req, PageContext(), board_.Record(pos), 1); });
    EXPECT_NE(out.find("<FONT COLOR=\"BLACK\">" + c.label + "</FONT></TD><TD>1\r\n"), std::string::npos)
        << c.japanese << c.imode;
  }
}

TEST_F(BlockTest, BodyLinesRomajiAndLinks) {
  settings_.roma = true;
  settings_.url_link_convert = true;
  int pos = board_.AddArticle(SampleRecord("t"), "kyouha www.example.jp&a=1 <b>\r\nlast");
  std::string out = Show(board_.Record(pos), 5, 5);
  EXPECT_NE(out.find("kyouha <A HREF=\"http://www.example.jp&amp;a=1\" TARGET=\"_blink\">www.example.jp&amp;a=1</A>"
                     " &lt;b&gt;<BR>\r\nlast<BR>\r\n<HR>\r\n"),
            std::string::npos);
  // The romaji view converts the text, never the link.
  EXPECT_NE(out.find("きょうは <A HREF=\"http://www.example.jp&amp;a=1\" TARGET=\"_blink\">"_sj), std::string::npos);
  EXPECT_EQ(out.find("ローマ字"_sj), std::string::npos);  // no romaji link on the romaji view
  out = Show(board_.Record(pos), 5, 3);
  EXPECT_NE(out.find("<A HREF=\"kiroq.exe?test+10+5+5\">ローマ字をひらがなに変換</A>\r\n"_sj), std::string::npos);
}

// A long line is converted in pieces; joined, they are the whole line's
// conversion, on every kind of board, wherever the cuts fall: lines built
// from addresses, link tags, romaji keys, entities, blanks and double-byte
// characters (whose second byte may be a letter, "<" cannot be), cut after
// every possible number of bytes.
TEST_F(BlockTest, BodyLinePiecesJoinToTheWholeLine) {
  // "\x83\x41" is ア, whose second byte is "A"; "\x81" alone is a lead
  // byte without its second.
  const std::vector<std::string> tokens = {"http://a.jp/x",
                                           "www.",
                                           "WwW.b",
                                           "HtTp",
                                           "htt",
                                           "p:",
                                           "<A HREF=\"q\">",
                                           "<a",
                                           "</A>",
                                           "</a",
                                           "A>",
                                           "<",
                                           ">",
                                           "&",
                                           "\"",
                                           "'",
                                           " ",
                                           "  ",
                                           "amp;",
                                           "lt;",
                                           "#39;",
                                           "T",
                                           "P",
                                           "ka",
                                           "nna",
                                           "kya",
                                           "ssya",
                                           "tsu",
                                           "n",
                                           "a",
                                           "k",
                                           "xyz",
                                           "W",
                                           ".",
                                           "\x83\x41",
                                           "\x83\x61",
                                           "\x83\x77",
                                           "\x82\xa0",
                                           "\x81\x40",
                                           "\x95\x5c",
                                           "\xb1",
                                           "\x81"};
  std::mt19937 rng(7);
  int lines_cut = 0;
  for (int flags = 1; flags < 8; ++flags) {
    settings_.use_html_tag = flags & 1;
    settings_.url_link_convert = flags & 2;
    settings_.roma = flags & 4;
    Capture([&](Request& req) {
      for (int n = 0; n < 300; ++n) {
        std::string line;
        const int count = 1 + static_cast<int>(rng() % 24);
        for (int t = 0; t < count; ++t) line += tokens[rng() % tokens.size()];
        for (bool romaji : {false, true}) {
          const std::string whole = BodyLines(req, line, romaji).at(0).bytes();
          for (std::size_t piece = 1; piece <= line.size(); ++piece) {
            std::string joined;
            int pieces = 0;
            ForEachBodyPiece(req, line, romaji, piece, [&](const Html& h) {
              joined += h.bytes();
              ++pieces;
            });
            ASSERT_EQ(joined, whole) << "flags " << flags << " romaji " << romaji << " piece " << piece << " line "
                                     << line;
            if (pieces > 1) ++lines_cut;
          }
        }
      }
    });
  }
  EXPECT_GT(lines_cut, 10000);  // the cuts were made, not all refused
}

TEST_F(BlockTest, MarkupAllowedOnlyWhenTheBoardSaysSo) {
  settings_.use_html_tag = true;
  int pos = board_.AddArticle(SampleRecord("<i>t</i>"), "<b>bold</b>");
  std::string out = Show(board_.Record(pos), 1);
  EXPECT_NE(out.find("\r\n<b>bold</b><BR>\r\n"), std::string::npos);
  EXPECT_NE(out.find("&lt;i&gt;t&lt;/i&gt;"), std::string::npos);  // titles stay escaped
}

TEST_F(BlockTest, OneByteBodyIsNotShown) {
  IndexRecord rec = SampleRecord("t");
  int pos = board_.AddArticle(rec, "x");
  std::string out = Show(board_.Record(pos), 1);
  EXPECT_EQ(out.substr(out.size() - 10), "</TABLE>\r\n");
}

TEST_F(BlockTest, AttachmentLines) {
  settings_.file_upload = true;
  IndexRecord rec = SampleRecord("t");
  int pos = board_.AddArticle(rec, "");
  EXPECT_NE(Show(board_.Record(pos), 1)
                .find("<A HREF=\"kiroq.exe?test+10+1+20\"><FONT SIZE=\"-1\">ファイルを添付</FONT></A>\r\n"_sj),
            std::string::npos);
  rec.attachment = "photo.jpg";
  pos = board_.AddArticle(rec, "");
  // No stored file: no line at all.
  std::string out = Show(board_.Record(pos), 2);
  EXPECT_EQ(out.substr(out.size() - 10), "</TABLE>\r\n");
  board_.dir().Write("bbsdb/test/2/photo.jpg", std::string(12345, 'j'));
  EXPECT_NE(Show(board_.Record(pos), 2)
                .find("<FONT SIZE=\"-1\">[<A HREF=\"kiroq.exe?test+10+2+22\" TARGET=\"_blink\">photo.jpg</A> "
                      "(12,345(byte)] <A HREF=\"kiroq.exe?test+10+2+20\">ファイルを変更</FONT></A>\r\n"_sj),
            std::string::npos);
  board_.dir().Write("bbsdb/test/test2.txt", "7\r\n");
  EXPECT_NE(Show(board_.Record(pos), 2)
                .find("[<FONT SIZE=\"-1\">ダウンロード数 7][<A HREF=\"kiroq.exe?test+10+2+22\" TARGET=\"_blink\">"
                      "photo.jpg</A>(12,345byte)] <A HREF=\"kiroq.exe?test+10+2+20\">ファイルを変更</FONT></A>\r\n"_sj),
            std::string::npos);
  board_.dir().Write("bbsdb/test/test2.txt", "abc");
  EXPECT_NE(Show(board_.Record(pos), 2).find("ダウンロード数 1]"_sj), std::string::npos);
  board_.dir().Write("bbsdb/test/test2.txt", "");
  EXPECT_NE(Show(board_.Record(pos), 2).find("ダウンロード数 0]"_sj), std::string::npos);
}

TEST_F(BlockTest, ListRowColoursAndCuts) {
  settings_.use_date = true;
  settings_.subject_length = 4;
  settings_.title_click = true;
  settings_.use_mail = true;
  IndexRecord rec = SampleRecord(std::string("あいう"_sj), "n<");
  rec.email = "e@x";
  std::string row = Capture([&](Request& req) { WriteListRow(req, rec, 2); });
  EXPECT_EQ(row,
            "<TR><TD ALIGN=\"CENTER\">3</TD>\r\n"
            "<TD NOWRAP>2024/12/01 10:20:30</TD>\r\n"
            "<TD><A HREF=\"kiroq.exe?test+10+3+3\">あい...</A></TD>\r\n"
            "<TD NOWRAP><A HREF=\"mailto:e@x\">n&lt;</A></TD></TR>\r\n"_sj);
  settings_.num_click = true;
  settings_.delete_visible = true;
  settings_.no_color = "#111111";
  settings_.title_color = "#222222";
  rec.deleted = 1;
  settings_.use_date = false;
  row = Capture([&](Request& req) { WriteListRow(req, rec, 2); });
  EXPECT_EQ(row,
            "<TR><TD ALIGN=\"LEFT\" BGCOLOR=\"#111111\"><A HREF=\"kiroq.exe?test+10+3+3\">3</A></TD>\r\n"
            "<TD BGCOLOR=\"#222222\"><FONT COLOR=\"#FF0000\">削除されています</FONT></TD>\r\n"
            "<TD NOWRAP>n&lt;</TD></TR>\r\n"_sj);
  settings_.delete_visible = false;
  EXPECT_EQ(Capture([&](Request& req) { WriteListRow(req, rec, 2); }), "");
}

}  // namespace
}  // namespace kiroq
