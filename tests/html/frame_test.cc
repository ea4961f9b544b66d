#include "html/frame.h"

#include <gtest/gtest.h>

#include "html/labels.h"
#include "html/request.h"
#include "test_env.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

class NavBarTest : public ::testing::Test {
 protected:
  std::string Bar(int n, int count, const IndexRecord* shown) {
    env_.stdout_data.clear();
    {
      Output out(&env_);
      Request req(&env_, &out);
      req.board = "cafe";
      req.page_size = 10;
      req.settings = settings_;
      req.labels = ChooseLabels(settings_.japanese, settings_.image_button, settings_.mobile());
      WriteArticleNavBar(req, n, count, shown);
    }
    return env_.stdout_data;
  }
  FakeEnv env_;
  Settings settings_;
};

TEST_F(NavBarTest, JapaneseMiddleArticle) {
  settings_.japanese = true;
  settings_.use_delete = true;
  IndexRecord rec;
  rec.password = "pw";
  EXPECT_EQ(Bar(5, 9, &rec),
            "閲覧：[<A HREF=\"kiroq.exe?cafe+10+0+1\">タイトルリスト</A>/<A HREF=\"kiroq.exe?cafe+10+5+1\">戻</A>]"
            "[<A HREF=\"kiroq.exe?cafe+10+0+2\">ツリー表示</A>/<A HREF=\"kiroq.exe?cafe+10+5+2\">戻</A>]"
            "[<A HREF=\"kiroq.exe?cafe+10+0+11\">本文一覧表示</A>/<A HREF=\"kiroq.exe?cafe+10+5+11\">戻</A>]<BR>\r\n"
            "移動：[<A HREF=\"kiroq.exe?cafe+10+0+3\">最新表示</A>][<A HREF=\"kiroq.exe?cafe+10+1+3\">先頭から表示</A>]"
            "[<A HREF=\"kiroq.exe?cafe+10+6+3\">次の文章へ</A>][<A HREF=\"kiroq.exe?cafe+10+4+3\">前の文章へ</A>]<BR>"
            "投稿：[<A HREF=\"kiroq.exe?cafe+10+0+0\">新規投稿</A>][<A HREF=\"kiroq.exe?cafe+10+5+4\">返信投稿</A>]"
            "[<A HREF=\"kiroq.exe?cafe+10+5+15\">削除</A>]"_sj);
}

TEST_F(NavBarTest, EnglishSingleArticleHasNoSteps) {
  settings_.view_select = 2;
  EXPECT_EQ(Bar(1, 1, nullptr),
            "Article view :[<A HREF=\"kiroq.exe?cafe+10+0+2\">Tree view</A>]<BR>\r\n"
            "Move：[<A HREF=\"kiroq.exe?cafe+10+0+3\">New</A>][<A HREF=\"kiroq.exe?cafe+10+1+3\">Update</A>]"
            "[Next article][Previous article]<BR>"
            "Post:[<A HREF=\"kiroq.exe?cafe+10+0+0\">New</A>][<A HREF=\"kiroq.exe?cafe+10+1+4\">Responce</A>]"_sj);
}

TEST_F(NavBarTest, StepperEnds) {
  settings_.view_select = 5;  // offers no view: the prompt alone
  settings_.read_only = true;
  std::string newest = Bar(9, 9, nullptr);
  EXPECT_NE(newest.find("[Next article][<A HREF=\"kiroq.exe?cafe+10+8+3\">Previous article</A>]<BR>"),
            std::string::npos);
  std::string first = Bar(1, 9, nullptr);
  EXPECT_NE(first.find("[<A HREF=\"kiroq.exe?cafe+10+2+3\">Next article</A>][Previous article]<BR>"),
            std::string::npos);
  EXPECT_EQ(first.find("Post:"), std::string::npos);  // read-only: no post menu
  EXPECT_EQ(first.substr(0, 15), "Article view :M");
}

TEST_F(NavBarTest, DeleteItem) {
  settings_.japanese = true;
  settings_.use_delete = true;
  settings_.read_only = true;
  IndexRecord no_password;
  std::string bar = Bar(3, 5, &no_password);
  EXPECT_EQ(bar.substr(bar.size() - 10), "[削除]<BR>"_sj);
  IndexRecord deleted;
  deleted.deleted = 1;
  deleted.password = "pw";
  bar = Bar(3, 5, &deleted);
  EXPECT_NE(bar.find("[<A HREF=\"kiroq.exe?cafe+10+3+15\">削除済み</A>]"_sj), std::string::npos);
  settings_.image_button = true;
  bar = Bar(3, 5, &deleted);
  EXPECT_NE(bar.find("<IMG SRC=\"deleted.jpg\" BORDER=\"0\" ALT=\"削除済み\">"_sj), std::string::npos);
  settings_.use_delete = false;
  bar = Bar(3, 5, &deleted);
  EXPECT_EQ(bar.find("15\">"), std::string::npos);
}

TEST_F(NavBarTest, MobileLabelsAreShort) {
  settings_.japanese = true;
  settings_.imode = 1;
  std::string bar = Bar(2, 3, nullptr);
  EXPECT_EQ(bar.substr(0, 4), "[<A "_sj);  // no view prompt
  EXPECT_NE(bar.find(">次文</A>"_sj), std::string::npos);
  EXPECT_NE(bar.find(">新規</A>"_sj), std::string::npos);
}

TEST(PageLabels, JapaneseBusyNoticeOnMobilePagesToo) {
  PageLabels l = ChooseLabels(true, false, true);
  EXPECT_EQ(l.index_busy, "インデックスファイルをオープン出来ませんでした。暫くしてから再度行ってください。"_sj);
  EXPECT_EQ(ChooseLabels(false, true, true).new_post, "New");  // English ignores pictures and mobile
  PageLabels pictures = ChooseLabels(true, true, true);
  EXPECT_EQ(pictures.new_post, "新規"_sj);
  EXPECT_EQ(pictures.delete_label, "<IMG SRC=\"delete.jpg\" BORDER=\"0\" ALT=\"削除\">"_sj);
}

}  // namespace
}  // namespace kiroq
