// The thread page (action 12), whole requests.
#include "pages/thread_page.h"

#include <gtest/gtest.h>

#include <memory>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

// The article numbers of the article blocks, in page order.
std::vector<int> Blocks(const std::string& out) {
  const std::string mark = "<FONT COLOR=\"BLACK\">Article No</FONT></TD><TD>";
  std::vector<int> found;
  for (std::size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + 1)) {
    found.push_back(std::stoi(out.substr(at + mark.size(), 12)));
  }
  return found;
}

class ThreadPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.Settings({"JAPANESE=0", "VIEWSELECT=2"});
    board_.File(".FOT", "</BODY></HTML>");
    // 1 <- 2 <- 4, 1 <- 5, 3 alone, 2 <- 6 (deleted) <- 7.
    const int parents[7] = {0, 1, 0, 2, 1, 2, 6};
    for (int k = 1; k <= 7; ++k) {
      IndexRecord r = SampleRecord("title " + std::to_string(k), "n", parents[k - 1]);
      r.deleted = k == 6 ? 1 : 0;
      board_.AddArticle(r, "body of " + std::to_string(k));
    }
  }
  BoardFixture board_;
};

TEST_F(ThreadPageTest, ShowsTheArticleAndEveryReplyDepthFirst) {
  const std::string out = board_.Get(10, 1, 12);
  EXPECT_EQ(Blocks(out), (std::vector<int>{1, 2, 4, 6, 7, 5}));
  // The navigation bar comes first, for the thread's first article.
  EXPECT_LT(out.find("Article view :[<A HREF=\"kiroq.exe?test+10+0+2\">Tree view</A>]<BR>\r\n"), out.find("<HR>"));
  EXPECT_NE(out.find("[<A HREF=\"kiroq.exe?test+10+2+3\">Next article</A>][Previous article]<BR>"), std::string::npos);
  EXPECT_NE(out.find("body of 7<BR>"), std::string::npos);
  EXPECT_NE(out.find("This sentence is being removed by a contributor.<BR>"), std::string::npos);
  EXPECT_EQ(out.find("body of 3"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 16), "</BODY></HTML>\r\n");
}

TEST_F(ThreadPageTest, StartsAnywhereAndZeroMeansTheNewest) {
  EXPECT_EQ(Blocks(board_.Get(10, 2, 12)), (std::vector<int>{2, 4, 6, 7}));
  EXPECT_EQ(Blocks(board_.Get(10, 3, 12)), (std::vector<int>{3}));
  EXPECT_EQ(Blocks(board_.Get(10, 0, 12)), (std::vector<int>{7}));
  for (int n : {8, 500, -2}) {
    const std::string out = board_.Get(10, n, 12);
    EXPECT_TRUE(Blocks(out).empty()) << n;
    EXPECT_NE(out.find("Article view :"), std::string::npos) << n;
  }
}

TEST_F(ThreadPageTest, BusyIndexEndsThePage) {
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(board_.dir().path() + "bbsdb/test.idx", OpenMode::kWriteExclusive, &held).ok());
  const std::string out = board_.Get(10, 1, 12);
  EXPECT_EQ(out.substr(out.size() - 46), "Don't open index file. Please wait a minute.\r\n");
  EXPECT_EQ(out.find("<HR>"), std::string::npos);
}

TEST(ThreadPageDeep, TenThousandLevelsAndACycle) {
  BoardFixture board;
  board.Settings({"JAPANESE=0"});
  board.AddArticle(SampleRecord("seed"), "");  // creates the data files
  constexpr int kDepth = 10000;
  std::string bytes;
  for (int i = 0; i < kDepth; ++i) {
    IndexRecord r = SampleRecord("t", "n", i);
    // Each lists the next, and the last points back at the top.
    r.children[0] = i + 1 < kDepth ? i + 1 : 0;
    r.child_count = 1;
    bytes += EncodeRecord(r);
  }
  board.dir().Write("bbsdb/test.idx", bytes);
  const std::string out = board.Get(10, 1, 12);
  const std::vector<int> blocks = Blocks(out);
  ASSERT_EQ(blocks.size(), static_cast<std::size_t>(kDepth));
  EXPECT_EQ(blocks.back(), kDepth);
}

}  // namespace
}  // namespace kiroq
