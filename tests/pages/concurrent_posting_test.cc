// Fifty posts sent at once by separate processes of the real program.
#include <gtest/gtest.h>

#include <set>

#include "board_fixture.h"
#include "process_runner.h"
#include "storage/article_store.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

TEST(ConcurrentPosting, FiftyPostsAtOnceAllSurvive) {
  BoardFixture board;
  board.Settings({"JAPANESE=1"});
  board.AddArticle(SampleRecord("top"), "first");
  const std::string program = board.dir().path() + "kiroq.exe";
  ASSERT_EQ(symlink(KIROQ_EXE, program.c_str()), 0);

  // Hold the index while the posts start, so that they all queue on it.
  std::unique_ptr<File> held;
  ASSERT_TRUE(PosixEnv()->Open(board.dir().path() + "bbsdb/test.idx", OpenMode::kWriteExclusive, &held).ok());
  constexpr int kPosts = 50;
  const std::string boundary = "----WebKitFormBoundaryABCDEFGHIJKLMNOP";
  std::vector<CgiProcess> procs;
  for (int i = 0; i < kPosts; ++i) {
    std::string title = "post " + std::to_string(i);
    std::string body = MultipartBody(
        boundary,
        {{"TITLE", title}, {"CONTENT", std::string("本文"_sj) + std::to_string(i) + std::string(i * 50, 'z')}});
    std::map<std::string, std::string> env = {
        {"CONTENT_LENGTH", std::to_string(body.size())},
        {"CONTENT_TYPE", "multipart/form-data; boundary=" + boundary},
        {"REQUEST_METHOD", "POST"},
        {"REMOTE_ADDR", "127.0.0.1"},
    };
    // Half are replies to the first article.
    std::string number = i % 2 ? "1" : "0";
    procs.push_back(StartCgi(program, {"test", "10", number, "9"}, env, body));
  }
  held.reset();
  for (CgiProcess& p : procs) {
    int code = -1;
    std::string out = FinishCgi(&p, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out.find("Server Busy"), std::string::npos);
    EXPECT_NE(out.find("</HTML>"), std::string::npos) << out;
  }

  ASSERT_EQ(board.Count(), kPosts + 1);
  std::string log = board.LogBytes();
  std::set<std::string> titles;
  std::vector<int> children;
  for (int p = 1; p <= kPosts; ++p) {
    IndexRecord r = board.Record(p);
    ASSERT_EQ(r.title.substr(0, 5), "post ");
    int i = std::stoi(r.title.substr(5));
    EXPECT_TRUE(titles.insert(r.title).second);
    EXPECT_EQ(std::string(BodyIn(log, r)),
              std::string("本文"_sj) + std::to_string(i) + std::string(i * 50, 'z') + "\r\n");
    EXPECT_EQ(r.parent, i % 2 ? 1 : 0);
    if (i % 2) children.push_back(p);
  }
  IndexRecord top = board.Record(0);
  ASSERT_EQ(top.child_count, kPosts / 2);
  for (int c = 0; c < top.child_count; ++c) EXPECT_EQ(top.children[c], children[c]);
}

}  // namespace
}  // namespace kiroq
