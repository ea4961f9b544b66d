// A reader whose client stops reading (a stalled connection, a stopped
// process) blocks on its output; whatever it held then stays held. No page
// may hold the board's files while it writes, or one slow client refuses
// every post.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <utility>

#include "html/labels.h"
#include "live_board.h"
#include "storage/article_store.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

// An action, shown with or without a .mes template.
using Case = std::pair<int, bool>;

class StalledReader : public ::testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    board_ = new LiveBoard;
    board_->fixture().Settings({"JAPANESE=1", "USEDATE=1", "USEDELETE=1", "USESEARCHLOG=1"});
    std::mt19937 rng(5);
    // Many small articles make long lists; big ones make long article pages.
    for (int i = 0; i < 1500; ++i)
      board_->fixture().AddArticle(SampleRecord("small"), std::string("掲示板 "_sj) + std::to_string(i));
    for (int i = 0; i < 8; ++i) {
      board_->fixture().AddArticle(SampleRecord("big", "poster", i ? 1501 : 0),
                                   std::string("掲示板"_sj) + SjisText(&rng, 300000));
    }
  }
  static void TearDownTestSuite() { delete board_; }
  static LiveBoard* board_;
};

LiveBoard* StalledReader::board_ = nullptr;

TEST_P(StalledReader, PostsGetThroughWhileAReaderStopsReading) {
  const auto [action, with_template] = GetParam();
  const LiveBoard& b = *board_;
  if (with_template) {
    board_->fixture().File(".mes", "<POSTNUMBER> <POSTTITLE><BR>\r\n<POSTMESSAGE><HR>\r\n");
  } else {
    std::filesystem::remove(b.folder() + b.board() + ".mes");
  }
  std::string search = action == 10 ? MultipartBody(kBoundary, {{"SEARCHWORD", std::string("掲示板"_sj)}}) : "";
  const EnvVars env = action == 10 ? LiveBoard::PostEnv(search.size()) : LiveBoard::BaseEnv();
  // Number 1501 is the thread of big articles (actions 3 and 12), page size
  // 2000 makes the lists long.
  CgiChild reader(b.program(),
                  {b.board(), "2000", action == 3 || action == 4 || action == 5 || action == 12 ? "1501" : "0",
                   std::to_string(action)},
                  env, search);
  ASSERT_TRUE(reader.StallOutput(10000)) << "the page is too short to stall";

  const int before = board_->fixture().Count();
  const auto started = std::chrono::steady_clock::now();
  const std::string body = "stalled " + std::to_string(action);
  CgiResult post = b.Post(0, 9, {{"TITLE", "during a stall"}, {"CONTENT", body}});
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(ResponseProblems(post).empty()) << post.Describe();
  EXPECT_EQ(PageOf(post.out).find(ChooseLabels(true, false, false).index_busy), std::string_view::npos);
  EXPECT_EQ(PageOf(post.out).find("ログデータの書き込みが行えません"_sj), std::string_view::npos);
  ASSERT_EQ(board_->fixture().Count(), before + 1) << "the post was refused while the reader stalled";
  EXPECT_EQ(std::string(BodyIn(board_->fixture().LogBytes(), board_->fixture().Record(before))), StoredMessage(body));
  EXPECT_LT(took, std::chrono::seconds(3));

  CgiResult page = reader.Finish(30000);
  EXPECT_TRUE(ResponseProblems(page).empty()) << page.Describe();
  EXPECT_TRUE(page.out.ends_with("</HTML>\r\n"));
}

// Title list, thread index, one article, reply form, search, article list,
// thread page.
INSTANTIATE_TEST_SUITE_P(Pages, StalledReader,
                         ::testing::Values(Case{1, false}, Case{2, false}, Case{3, false}, Case{4, false},
                                           Case{10, false}, Case{11, false}, Case{12, false}, Case{3, true},
                                           Case{5, true}, Case{11, true}, Case{12, true}),
                         [](const ::testing::TestParamInfo<Case>& item) {
                           return "Action" + std::to_string(item.param.first) + (item.param.second ? "Template" : "");
                         });

}  // namespace
}  // namespace kiroq
