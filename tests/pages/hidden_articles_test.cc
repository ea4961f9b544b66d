// Articles a reader may not see (deleted, or too old under VIEWLIMIT): no
// page shows, quotes or finds their bodies. Whole requests.
#include <gtest/gtest.h>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

class HiddenArticles : public ::testing::Test {
 protected:
  void SetUp() override {
    // 1 <- 2 <- 4, 1 <- 5, 3 alone, 2 <- 6 (deleted) <- 7. VIEWLIMIT 3 of 7
    // articles hides positions up to 7 - 3 - 2 = 2: articles 1, 2 and 3.
    const int parents[7] = {0, 1, 0, 2, 1, 2, 6};
    for (int k = 1; k <= 7; ++k) {
      IndexRecord r = SampleRecord("title " + std::to_string(k), "n", parents[k - 1]);
      r.deleted = k == 6 ? 1 : 0;
      board_.AddArticle(r, "body of " + std::to_string(k));
    }
  }
  void Configure(bool templates) {
    board_.Settings({"JAPANESE=1", "VIEWLIMIT=3", "ADDHEAD=> "});
    if (templates) {
      board_.File(".mes", "<POSTNUMBER>:<POSTMESSAGE>");
      board_.File(".repost", "<POSTACTION><POSTMESSAGE><POSTACTIONEND>");
    }
  }
  BoardFixture board_;
};

const bool kVisible[8] = {false, false, false, false, true, true, false, true};  // by article number

TEST_F(HiddenArticles, NoPageShowsOrQuotesAHiddenBody) {
  for (bool templates : {false, true}) {
    Configure(templates);
    for (int action : {3, 4, 5, 12}) {
      for (int n = 1; n <= 7; ++n) {
        const std::string out = board_.Get(10, n, action);
        for (int k = 1; k <= 7; ++k) {
          if (!kVisible[k]) {
            EXPECT_EQ(out.find("body of " + std::to_string(k)), std::string::npos)
                << "article " << k << " on " << n << "+" << action << (templates ? " with templates" : "");
          }
        }
        // The reader still gets the page: the article, its reply form with
        // its quote, or the notice in place of a too old one.
        if (action == 3 || action == 4) {
          const bool shown = out.find("body of " + std::to_string(n)) != std::string::npos;
          EXPECT_EQ(shown, kVisible[n]) << n << "+" << action << (templates ? " with templates" : "");
          if (action == 4) {
            EXPECT_NE(out.find("<TEXTAREA NAME=\"CONTENT\""), std::string::npos) << n;
          }
        }
      }
    }
    // The thread of article 2: 2 too old, 4 shown, 6 deleted, 7 shown.
    const std::string thread = board_.Get(10, 2, 12);
    EXPECT_NE(thread.find("body of 4"), std::string::npos);
    EXPECT_NE(thread.find("body of 7"), std::string::npos);
    const std::string notice("<P>このログは表示できません。\r\n"_sj);
    const std::size_t first = thread.find(notice);
    EXPECT_NE(first, std::string::npos);
    EXPECT_LT(first, thread.find("body of 4"));
  }
}

TEST_F(HiddenArticles, SearchFindsOnlyBodiesThatMayBeShown) {
  Configure(false);
  const std::string out = board_.Post({"test", "10", "0", "10"}, {{"SEARCHWORD", "body"}});
  EXPECT_NE(out.find(std::string("ヒット数 [3]"_sj)), std::string::npos);
  for (int k = 1; k <= 7; ++k) {
    const std::string row = "<TR><TD ALIGN=\"CENTER\"><A HREF=\"kiroq.exe?test+10+" + std::to_string(k) + "+3\">";
    EXPECT_EQ(out.find(row) != std::string::npos, kVisible[k]) << k;
  }
}

}  // namespace
}  // namespace kiroq
