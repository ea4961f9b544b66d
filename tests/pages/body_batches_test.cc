// Pages that show many bodies (article list, thread) read them a batch at a
// time and write each batch with the log closed: the page comes out whole
// and in order, and in several writes made while no file is open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run.h"
#include "board_fixture.h"
#include "platform/env.h"

namespace kiroq {
namespace {

// Records how many files were open at every write of the page.
class CountingEnv : public FakeEnv {
 public:
  void WriteStdout(std::string_view data) override {
    open_at_write.push_back(File::OpenCount());
    FakeEnv::WriteStdout(data);
  }
  std::vector<int> open_at_write;
};

// Bodies of 700 KB: two of them are more than one batch.
std::string LargeBody(char mark) { return "<" + std::string(1, mark) + ">" + std::string(700 * 1024, mark) + "\r\n"; }

void ExpectBatchedPage(BoardFixture& board, const std::vector<std::string>& args, const std::string& marks) {
  CountingEnv env;
  env.vars = board.env().vars;
  const int open_before = File::OpenCount();
  RunRequest(&env, args, board.dir().path());
  const std::string& page = env.stdout_data;
  std::size_t at = 0;
  for (char mark : marks) {
    const std::string escaped = "&lt;" + std::string(1, mark) + "&gt;" + std::string(700 * 1024, mark) + "<BR>";
    const std::size_t found = page.find(escaped, at);
    ASSERT_NE(found, std::string::npos) << "body " << mark;
    at = found + escaped.size();
  }
  ASSERT_GE(env.open_at_write.size(), marks.size());
  for (int open : env.open_at_write) EXPECT_EQ(open, open_before);
}

TEST(BodyBatches, ArticleListWritesLargeBodiesWithTheLogClosed) {
  BoardFixture board;
  board.Settings({"JAPANESE=0"});
  board.AddArticle(SampleRecord("a"), LargeBody('a'));
  board.AddArticle(SampleRecord("b"), LargeBody('b'));
  board.AddArticle(SampleRecord("c"), LargeBody('c'));
  ExpectBatchedPage(board, {"test", "10", "0", "11"}, "cba");
}

TEST(BodyBatches, ThreadWritesLargeBodiesWithTheLogClosed) {
  BoardFixture board;
  board.Settings({"JAPANESE=0"});
  board.AddArticle(SampleRecord("top"), LargeBody('t'));
  board.AddArticle(SampleRecord("one", "poster", 1), LargeBody('o'));
  board.AddArticle(SampleRecord("two", "poster", 2), LargeBody('w'));
  ExpectBatchedPage(board, {"test", "10", "1", "12"}, "tow");
}

}  // namespace
}  // namespace kiroq
