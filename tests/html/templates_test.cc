#include "html/templates.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "board/reply_title.h"
#include "board_fixture.h"
#include "html/request.h"
#include "html/template_items.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

// Renders templates for one request on a board in a temporary folder; the
// current article is number 5 of 9 unless a test says otherwise.
class TemplateRender : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.japanese = true;
    settings_.form_enctype = " ENCTYPE=\"multipart/form-data\"";
    board_.env().SetLocalTime(2024, 12, 5, 12, 0, 0);
  }

  std::string Path(const std::string& ext) { return board_.dir().path() + board_.board() + ext; }

  // The output of rendering text, saved as the board's ext template, for rec.
  std::string Render(const std::string& ext, const std::string& text, const IndexRecord& rec, int action) {
    board_.File(ext, text);
    return Capture(action, [&](Request& req) { RenderTemplate(req, Page(action), Path(ext), rec); });
  }

  PageContext Page(int action) const {
    PageContext page;
    page.action = action;
    page.position = position_;
    page.count = count_;
    return page;
  }

  std::string Capture(int action, const std::function<void(Request&)>& write) {
    FakeEnv& env = board_.env();
    env.stdout_data.clear();
    {
      Output out(&env);
      Request req(&env, &out);
      req.board = board_.board();
      req.page_size = 10;
      req.action = action;
      req.number = position_ + 1;
      req.cookies = Cookies(cookie_);
      req.files = BoardFiles(board_.dir().path(), board_.board());
      req.settings = settings_;
      req.labels = ChooseLabels(settings_.japanese, settings_.image_button, settings_.mobile());
      try {
        write(req);
      } catch (const RequestEnded&) {
        out.Write("[ended]");
      }
    }
    return env.stdout_data;
  }

  BoardFixture board_;
  Settings settings_;
  int position_ = 4;
  int count_ = 9;
  std::string cookie_;
};

using TemplateTags = TemplateRender;
using TemplateContexts = TemplateRender;
using TemplateItems = TemplateRender;
using TemplateMenus = TemplateRender;

TEST_F(TemplateTags, LaterTagInTableOrderJoinsTheSamePassEarlierOneStaysText) {
  IndexRecord rec = SampleRecord("t", "bob");
  rec.email = "bob@example.jp";
  EXPECT_EQ(Render(".mes", "<POSTNAME><POSTMAIL>|<POSTMAIL><POSTNAME>", rec, 3), "bob|<POSTNAME>\r\n");
  // The same in a view that has an e-mail field: the field, then the text.
  settings_.use_mail = true;
  EXPECT_EQ(Render(".mes", "<POSTMAIL><POSTNAME>", rec, 12),
            "<INPUT TYPE=\"TEXT\" NAME=\"EMAIL\" SIZE=\"60\" VALUE=\"\"><POSTNAME>\r\n");
}

TEST_F(TemplateTags, OtherMarkupAndStrayBracketsPassThrough) {
  IndexRecord rec = SampleRecord("t", "bob");
  EXPECT_EQ(Render(".mes", "<B>x</B> a < b <POSTNAMEX> <postname>\r\n\r\nlast", rec, 3),
            "<B>x</B> a < b <POSTNAMEX> <postname>\r\n\r\nlast\r\n");
  EXPECT_EQ(Render(".mes", "<POSTNAME>", rec, 3), "bob\r\n");
  EXPECT_EQ(Capture(3, [&](Request& req) { RenderTemplate(req, Page(3), Path(".none"), rec); }), "");
}

TEST_F(TemplateContexts, NewForm) {
  settings_.use_default = 1;
  settings_.un_title = "untitled";
  settings_.use_cookie = true;
  settings_.japanese = false;
  cookie_ = "NAME=taro; PWD=p\"w";
  EXPECT_EQ(Render(".post",
                   "<POSTNUMBER>[<POSTDATE>]<POSTIMAGEURL><TREEMENU><ALLMENU>|<DELETEMENU><UPLOADFILE>\r\n"
                   "<POSTACTION>\r\n<POSTNAME>\r\n<POSTTITLE>\r\n<POSTDELETEPASSWORD>\r\n<POSTMESSAGE>\r\n"
                   "<POSTMENU><POSTACTIONEND>",
                   IndexRecord(), 0),
            "[]|\r\n"
            "<FORM ACTION=\"kiroq.exe?test+10+0+9\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">\r\n"
            "<INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"60\" VALUE=\"taro\">\r\n"
            "<INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"untitled\">\r\n"
            "<INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"20\" VALUE=\"p&quot;w\">\r\n"
            "<TEXTAREA NAME=\"CONTENT\" ROWS=10 COLS=60></TEXTAREA>\r\n"
            "<INPUT TYPE=\"SUBMIT\" VALUE=\"Post\"><INPUT TYPE=\"RESET\" VALUE=\"Reset\">"
            "<INPUT NAME=\"COOKIE\" TYPE=\"CHECKBOX\" VALUE=\"on\" checked>Save your name and mail address and etc..."
            "</FORM>\r\n");
  // Without USEDEFAULT 1 the title starts empty.
  settings_.use_default = 0;
  EXPECT_EQ(Render(".post", "<POSTTITLE>", IndexRecord(), 0),
            "<INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"\">\r\n");
}

TEST_F(TemplateContexts, ReplyFormQuotesTheParentAndCountsTheTitle) {
  settings_.add_head = "> ";
  settings_.use_image_url = true;
  int pos = board_.AddArticle(SampleRecord("Re:05 Hello"), "one\r\n<two>\rthree");
  position_ = pos;
  EXPECT_EQ(Render(".repost", "No.<POSTNUMBER> <POSTDATE>\r\n<POSTACTION><POSTTITLE>\r\n[<POSTMESSAGE>]<POSTIMAGEURL>",
                   board_.Record(pos), 4),
            "No.1 2024/12/01 10:20:30\r\n"
            "<FORM ACTION=\"kiroq.exe?test+10+1+9\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">"
            "<INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"Re:06 Hello\">\r\n"
            "[<TEXTAREA NAME=\"CONTENT\" ROWS=10 COLS=60>\r\n"
            "> one\r\n> &lt;two&gt;\r\n> three\r\n"
            "</TEXTAREA>\r\n"
            "]<INPUT TYPE=\"TEXT\" NAME=\"IMAGEURL\" SIZE=\"60\" VALUE=\"\">\r\n");
  // A parent without a body gives an empty text area.
  EXPECT_EQ(Render(".repost", "<POSTMESSAGE>", SampleRecord("x"), 4),
            "<TEXTAREA NAME=\"CONTENT\" ROWS=10 COLS=60>\r\n\r\n</TEXTAREA>\r\n\r\n");
}

TEST_F(TemplateContexts, AllViewShowsTheArticleThroughMesAndFieldsThroughPost) {
  settings_.use_mail = true;
  settings_.use_image_url = true;
  IndexRecord rec = SampleRecord("<t>", "<i>n");
  rec.email = "a\"@b";
  rec.url = "ex.com/?a&b";
  rec.address = "<addr>";
  rec.age = "2&";
  rec.sex = "\"s\"";
  rec.image_url = "p\".png";
  int pos = board_.AddArticle(rec, "hello <b>");
  const IndexRecord stored = board_.Record(pos);
  EXPECT_EQ(Render(".mes",
                   "<POSTNAME>/<POSTTITLE>/<POSTURL>\r\n<POSTADDRESS>,<POSTAGE>,<POSTSEX>,<POSTIMAGEURL>\r\n"
                   "<POSTACTION><POSTMAIL><TREEMENU>\r\n<POSTMESSAGE>",
                   stored, 11),
            "<A HREF=\"mailto:a&quot;@b\">&lt;i&gt;n</A>/&lt;t&gt;/"
            "<A HREF=\"http://ex.com/?a&amp;b\" TARGET=\"_new\">ex.com/?a&amp;b</A>\r\n"
            "&lt;addr&gt;,2&amp;,&quot;s&quot;,<IMG SRC=\"p&quot;.png\">\r\n"
            "<FORM ACTION=\"kiroq.exe?test+10+0+6\" METHOD=\"POST\" ENCTYPE=\"multipart/form-data\">"
            "<INPUT TYPE=\"TEXT\" NAME=\"EMAIL\" SIZE=\"60\" VALUE=\"\">\r\n"
            "hello &lt;b&gt;<BR>\r\n\r\n");
  EXPECT_EQ(Render(".post", "<POSTNAME>|<POSTTITLE>|<POSTURL>|<POSTIMAGEURL>|<POSTMESSAGE>", IndexRecord(), 11),
            "<INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"60\" VALUE=\"\">|"
            "<INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"\">||"
            "<INPUT TYPE=\"TEXT\" NAME=\"IMAGEURL\" SIZE=\"60\" VALUE=\"\">|"
            "<TEXTAREA NAME=\"CONTENT\" ROWS=10 COLS=60></TEXTAREA>\r\n");
}

TEST_F(TemplateContexts, ArticleViewLiveAndDeleted) {
  settings_.use_mail = true;
  settings_.roma = true;
  IndexRecord rec = SampleRecord("title", "bob");
  rec.email = "bob@example.jp";
  rec.url = "http://example.jp/";
  int pos = board_.AddArticle(rec, "sakura");
  position_ = pos;
  const std::string tmpl =
      "<POSTNUMBER>:<POSTNAME>:<POSTTITLE>:<POSTURL>:<POSTMAIL>:<POSTPASSWORD>:<POSTDELETEPASSWORD>:"
      "<POSTMENU>:<POSTACTIONEND>:<POSTACTION>:<MOVEMENU>\r\n<POSTMESSAGE>";
  EXPECT_EQ(Render(".mes", tmpl, board_.Record(pos), 3),
            "1:<A HREF=\"mailto:bob@example.jp\">bob</A>:title:"
            "<A HREF=\"http://example.jp/\" TARGET=\"_new\">http://example.jp/</A>:::::::\r\n"
            "sakura<BR>\r\n"
            "<A HREF=\"kiroq.exe?test+10+1+5\">ローマ字をひらがなに変換</A>\r\n\r\n"_sj);
  // The romaji view repeats the body converted, without the link.
  EXPECT_EQ(Render(".mes", "<POSTMESSAGE>", board_.Record(pos), 5), "sakura<BR>\r\n<HR>\r\nさくら<BR>\r\n\r\n"_sj);

  rec.deleted = 1;
  rec.address = "x";
  rec.image_url = "gone.png";
  settings_.use_image_url = true;
  pos = board_.AddArticle(rec, "secret");
  position_ = pos;
  EXPECT_EQ(Render(".mes", tmpl + "\r\n<POSTADDRESS><POSTIMAGEURL>", board_.Record(pos), 3),
            "2:bob:削除されています:削除されています:::::::\r\n"
            "この文章は投稿者によって削除されています。\r\n\r\n削除されています\r\n"_sj);
  settings_.japanese = false;
  EXPECT_EQ(Render(".mes", "<POSTTITLE>|<POSTMESSAGE>", board_.Record(pos), 9),
            "Deleted|This sentence is being removed by a contributor.\r\n\r\n");
}

TEST_F(TemplateContexts, TagsThatWriteStraightKeepTemplateOrder) {
  int pos = board_.AddArticle(SampleRecord("t", "bob"), "l1\r\nl2");
  position_ = pos;
  EXPECT_EQ(Render(".mes", "A<POSTMESSAGE>B<POSTNAME>C", board_.Record(pos), 3), "Al1<BR>\r\nl2<BR>\r\nBbobC\r\n");
  settings_.use_sex = true;
  std::string out = Render(".post", "S:<POSTSEX>:E<POSTNAME>", IndexRecord(), 0);
  EXPECT_EQ(out.rfind("S:<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"男性\">"_sj, 0), 0u) << out;
  const std::string tail("CHECKED> 内緒\r\n:E<INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"60\" VALUE=\"\">\r\n"_sj);
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
}

TEST_F(TemplateContexts, BusyLogEndsTheRequestWithANotice) {
  int pos = board_.AddArticle(SampleRecord("t"), "body");
  position_ = pos;
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(BoardFiles(board_.dir().path(), "test").Log(), OpenMode::kWriteExclusive, &held).ok());
  board_.File(".mes", "A<POSTMESSAGE>B");
  EXPECT_EQ(Capture(3, [&](Request& req) { RenderTemplate(req, Page(3), Path(".mes"), board_.Record(pos)); }),
            "Aログファイルをオープン出来ませんでした。暫くしてから再度行ってください。\r\n[ended]"_sj);
  EXPECT_EQ(board_.env().sleeps.size(), 60u);
  held.reset();
  // A form without a body tag never opens the log.
  ASSERT_TRUE(PosixEnv()->Open(BoardFiles(board_.dir().path(), "test").Log(), OpenMode::kWriteExclusive, &held).ok());
  EXPECT_EQ(Render(".post", "<POSTMESSAGE>", IndexRecord(), 0),
            "<TEXTAREA NAME=\"CONTENT\" ROWS=10 COLS=60></TEXTAREA>\r\n");
}

TEST(TemplateReplyTitle, CountsUpAlongTheThread) {
  EXPECT_EQ(TemplateReplyTitle("abc"), "Re:01 abc");
  EXPECT_EQ(TemplateReplyTitle("Re: abc"), "Re:01 Re: abc");
  EXPECT_EQ(TemplateReplyTitle("RE:02 x"), "Re:01 RE:02 x");
  EXPECT_EQ(TemplateReplyTitle("Re:05 Hello"), "Re:06 Hello");
  EXPECT_EQ(TemplateReplyTitle("Re:05Hello"), "Re:06 Hello");
  EXPECT_EQ(TemplateReplyTitle("Re:99 x"), "Re:100 x");
  EXPECT_EQ(TemplateReplyTitle("Re:5 x"), "Re:01 Re:5 x");
  EXPECT_EQ(TemplateReplyTitle("Re:-1 x"), "Re:01 Re:-1 x");
  EXPECT_EQ(TemplateReplyTitle("Re:07"), "Re:08 ");
  EXPECT_EQ(TemplateReplyTitle(""), "Re:01 ");
  const std::string long_title(100, 'x');
  EXPECT_EQ(TemplateReplyTitle(long_title), "Re:01 " + long_title);  // never cut
}

TEST_F(TemplateItems, DeletionItem) {
  settings_.use_delete = true;
  IndexRecord rec = SampleRecord("t");
  rec.password = "pw";
  EXPECT_EQ(Render(".mes", "[<DELETEMENU>]", rec, 3), "[<A HREF=\"kiroq.exe?test+10+5+15\">削除</A>]\r\n"_sj);
  rec.deleted = 1;
  EXPECT_EQ(Render(".mes", "[<DELETEMENU>]", rec, 3), "[<A HREF=\"kiroq.exe?test+10+5+15\">削除済み</A>]\r\n"_sj);
  rec.password.clear();
  EXPECT_EQ(Render(".mes", "[<DELETEMENU>]", rec, 3), "[削除済み<BR>]\r\n"_sj);
  rec.deleted = 0;
  settings_.japanese = false;
  EXPECT_EQ(Render(".mes", "[<DELETEMENU>]", rec, 3), "[Delete<BR>]\r\n");
  // Only a .mes template on a board with USEDELETE has it.
  EXPECT_EQ(Render(".post", "[<DELETEMENU>]", rec, 3), "[]\r\n");
  settings_.use_delete = false;
  EXPECT_EQ(Render(".mes", "[<DELETEMENU>]", rec, 3), "[]\r\n");
}

TEST_F(TemplateItems, AttachmentItem) {
  IndexRecord rec = SampleRecord("t");
  EXPECT_EQ(Render(".MES", "<UPLOADFILE>", rec, 3), "<A HREF=\"kiroq.exe?test+10+5+20\">ファイルを添付</A>\r\n"_sj);
  rec.attachment = "r&d.txt";
  const std::string change("<A HREF=\"kiroq.exe?test+10+5+20\">ファイルを変更</A>"_sj);
  const std::string download = "<A HREF=\"kiroq.exe?test+10+5+22\" TARGET=\"_blink\">r&amp;d.txt</A>";
  EXPECT_EQ(Render(".mes", "<UPLOADFILE>", rec, 3), "[" + download + "] " + change + "\r\n");
  board_.dir().Write("bbsdb/test/test5.txt", "42\r\n");
  EXPECT_EQ(Render(".mes", "<UPLOADFILE>", rec, 3), "[42][" + download + "] " + change + "\r\n");
  rec.attachment = "../x";
  EXPECT_EQ(Render(".mes", "<UPLOADFILE>", rec, 3), "\r\n");
  rec.deleted = 1;
  EXPECT_EQ(Render(".mes", "<UPLOADFILE>", rec, 3), "ダウンロード出来ません\r\n"_sj);
  settings_.japanese = false;
  EXPECT_EQ(Render(".mes", "<UPLOADFILE>", rec, 3), "Can's download file.\r\n");
  EXPECT_EQ(Render(".post", "<UPLOADFILE>", rec, 3), "\r\n");
}

TEST_F(TemplateItems, RelationsItem) {
  IndexRecord top = SampleRecord("t");
  top.children[0] = 6;
  top.children[1] = 8;
  top.child_count = 2;
  EXPECT_EQ(Render(".mes", "[<TREEMENU>]", top, 12),
            "[ コメント元  子 <A HREF=\"kiroq.exe?test+10+7+3\">7</A> <A HREF=\"kiroq.exe?test+10+9+3\">9</A> "
            "<A HREF=\"kiroq.exe?test+10+5+12\">ツリーを連結</A>]\r\n"_sj);
  IndexRecord reply = SampleRecord("t", "r", 2);
  reply.children[0] = 6;
  reply.child_count = 1;
  settings_.japanese = false;
  EXPECT_EQ(Render(".mes", "[<TREEMENU>]", reply, 5),
            "[ Original Owner <A HREF=\"kiroq.exe?test+10+2+3\">2</A> Child "
            "<A HREF=\"kiroq.exe?test+10+7+3\">7</A> ]\r\n");
  EXPECT_EQ(Render(".mes", "[<TREEMENU>]", SampleRecord("t"), 3), "[]\r\n");
  EXPECT_EQ(Render(".mes", "[<TREEMENU>]", reply, 9), "[]\r\n");
}

TEST_F(TemplateMenus, ArticleMenuStepsPostsAndDeletes) {
  settings_.japanese = false;
  settings_.use_cookie = settings_.use_cookie_setting = true;
  position_ = 0;
  count_ = 1;
  EXPECT_EQ(Render(".mes", "<ALLMENU>!", SampleRecord("t"), 3),
            "View:[<A HREF=\"kiroq.exe?test+10+0+1\">Title</A>][<A HREF=\"kiroq.exe?test+10+0+2\">Tree</A>]"
            "[<A HREF=\"kiroq.exe?test+10+0+11\">All View</A>]<BR>\r\n"
            "Move:[Next article][Previous article]<BR>\r\n"
            "Post：[<A HREF=\"kiroq.exe?test+10+0+0\">New</A>][<A HREF=\"kiroq.exe?test+10+1+4\">Responce</A>]"
            "[<A HREF=\"kiroq.exe?test+10+0+30+1\">Personal Setting</A>]!\r\n"_sj);
  // Article 2 of 3 links both ways; article 1 exists, so it is linked too.
  settings_.japanese = true;
  settings_.use_cookie_setting = false;
  settings_.read_only = true;
  settings_.use_delete = true;
  settings_.view_select = 2;
  position_ = 1;
  count_ = 3;
  IndexRecord rec = SampleRecord("t");
  rec.password = "pw";
  EXPECT_EQ(Render(".mes", "<ALLMENU>", rec, 5),
            "閲覧：[<A HREF=\"kiroq.exe?test+10+0+2\">ツリー表示</A>]<BR>\r\n"
            "移動：[<A HREF=\"kiroq.exe?test+10+3+3\">次の文章へ</A>][<A "
            "HREF=\"kiroq.exe?test+10+1+3\">前の文章へ</A>]<BR>\r\n"
            "[<A HREF=\"kiroq.exe?test+10+2+15\">削除</A>]<BR>\r\n\r\n"_sj);
  // Forms and the all view have no article menu.
  EXPECT_EQ(Render(".mes", "<ALLMENU>", rec, 11), "\r\n");
  EXPECT_EQ(Render(".post", "<ALLMENU>", rec, 0), "\r\n");
}

TEST_F(TemplateMenus, ThreadMenuOncePerPage) {
  settings_.use_delete = true;
  board_.File(".mes", "<ALLMENU>|<ALLMENU>");
  std::string out = Capture(12, [&](Request& req) {
    PageContext page = Page(12);
    RenderTemplate(req, page, Path(".mes"), SampleRecord("top"));
    req.out->Write("--\r\n");
    page.thread_menu = false;  // as the thread page shows the articles after the first
    RenderTemplate(req, page, Path(".mes"), SampleRecord("reply"));
  });
  EXPECT_EQ(
      out,
      "閲覧：[<A HREF=\"kiroq.exe?test+10+0+1\">タイトル一覧</A>][<A HREF=\"kiroq.exe?test+10+0+2\">ツリー表示</A>]"
      "[<A HREF=\"kiroq.exe?test+10+0+11\">本文一覧表示</A>]<BR>\r\n"
      "移動：[<A HREF=\"kiroq.exe?test+10+0+3\">最新表示</A>][<A HREF=\"kiroq.exe?test+10+1+3\">最初から表示</A>]"
      "[<A HREF=\"kiroq.exe?test+10+6+3\">次の文章へ</A>][<A HREF=\"kiroq.exe?test+10+4+3\">前の文章へ</A>]<BR>\r\n"
      "投稿：[<A HREF=\"kiroq.exe?test+10+0+0\">新規投稿</A>][<A HREF=\"kiroq.exe?test+10+5+4\">返信投稿</A>]"
      "[削除]<BR>\r\n|\r\n"
      "--\r\n|\r\n"_sj);
}

TEST_F(TemplateMenus, MenuItemInFormsAndAllView) {
  settings_.view_select = 1;
  count_ = 0;
  EXPECT_EQ(
      Render(".post", "a<MOVEMENU>b", IndexRecord(), 11),
      "a閲覧：[<A HREF=\"kiroq.exe?test+10+0+1\">タイトルリスト</A>]<BR>\r\n移動：[最新表示][先頭から表示]b\r\n"_sj);
  count_ = 3;
  settings_.use_cookie = settings_.use_cookie_setting = true;
  EXPECT_EQ(
      Render(".post", "<MOVEMENU>", IndexRecord(), 11),
      "閲覧：[<A HREF=\"kiroq.exe?test+10+0+1\">タイトルリスト</A>]<BR>\r\n"
      "移動：[<A HREF=\"kiroq.exe?test+10+0+11\">最新表示</A>][<A HREF=\"kiroq.exe?test+10+1+11\">先頭から表示</A>]"
      "[<A HREF=\"kiroq.exe?test+10+0+30+1\">個人設定</A>]\r\n\r\n"_sj);
  settings_.use_cookie_setting = false;
  settings_.view_select = 7;  // offers no view: no view line
  EXPECT_EQ(Render(".repost", "<MOVEMENU>", IndexRecord(), 4), "\r\n");
  EXPECT_EQ(Render(".mes", "<MOVEMENU>", IndexRecord(), 3), "\r\n");
}

}  // namespace
}  // namespace kiroq
