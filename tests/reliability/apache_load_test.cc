// Posters and readers over HTTP through Apache (event MPM, mod_cgid), with
// the configuration `make serve` uses. Skipped where Apache is missing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "apache_site.h"
#include "board_fixture.h"
#include "html/labels.h"
#include "live_board.h"
#include "storage/article_store.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

constexpr int kPosters = 16;
constexpr int kPostsEach = 4;
constexpr int kReaders = 8;
constexpr auto kTimeBound = std::chrono::seconds(10);

// What is wrong with a response that should have been a whole page.
std::string HttpFault(const HttpResponse& r, const PageLabels& ja) {
  if (r.status != 200) return "status " + std::to_string(r.status) + " " + r.error;
  if (r.body.find("Server Busy!") != std::string::npos) return "Server Busy!";
  if (r.body.find(ja.index_busy) != std::string::npos) return "index busy notice";
  if (r.body.find("ログデータの書き込みが行えません"_sj) != std::string::npos) return "log busy notice";
  if (!r.body.ends_with("</HTML>\r\n")) return "page cut off";
  return "";
}

TEST(ApacheLoad, PostersAndReadersOverHttpLoseNothing) {
  const std::string missing = ApacheSite::Missing();
  if (!missing.empty()) GTEST_SKIP() << "no HTTP load test: " << missing;
  ApacheSite site;
  site.WriteSettings("test", "JAPANESE=1\r\nUSEDATE=1\r\nUSESEARCHLOG=1\r\nUSEDELETE=1\r\n");
  std::mt19937 rng(77);
  constexpr int kSeeds = 4;
  for (int i = 0; i < kSeeds; ++i) site.AddArticle("test", SampleRecord("seed"), SjisText(&rng, 300));
  std::string error;
  ASSERT_TRUE(site.Start(&error)) << error;

  struct Post {
    std::string title, body;
    int parent = 0;
    bool answered = false;
  };
  std::vector<Post> posts(kPosters * kPostsEach);
  for (std::size_t i = 0; i < posts.size(); ++i) {
    posts[i].title = "http " + std::to_string(i);
    const std::size_t size = i % 4 == 0 ? std::uniform_int_distribution<std::size_t>(65 << 10, 100 << 10)(rng)
                                        : std::uniform_int_distribution<std::size_t>(10, 5000)(rng);
    posts[i].body = posts[i].title + ":" + SjisText(&rng, size);
    posts[i].parent = i % 2 ? std::uniform_int_distribution<int>(1, kSeeds)(rng) : 0;
  }

  const PageLabels ja = ChooseLabels(true, false, false);
  const auto deadline = std::chrono::steady_clock::now() + kTimeBound;
  const std::string multipart = std::string("multipart/form-data; boundary=") + kBoundary;
  std::mutex mu;
  std::vector<std::string> faults;
  auto fault = [&](const std::string& f) {
    std::lock_guard<std::mutex> lock(mu);
    faults.push_back(f);
  };
  std::atomic<int> posters_left{kPosters}, pages{0};

  std::vector<std::thread> threads;
  for (int t = 0; t < kPosters; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < kPostsEach && std::chrono::steady_clock::now() < deadline; ++k) {
        Post& p = posts[t * kPostsEach + k];
        const std::string body = MultipartBody(kBoundary, {{"TITLE", p.title}, {"CONTENT", p.body}});
        HttpResponse r =
            Http(site.port(), "POST", "/bbs/kiroq.exe?test+10+" + std::to_string(p.parent) + "+9", multipart, body);
        std::string f = HttpFault(r, ja);
        if (f.empty()) {
          p.answered = true;
        } else {
          fault(p.title + ": " + f);
        }
      }
      --posters_left;
    });
  }
  for (int t = 0; t < kReaders; ++t) {
    threads.emplace_back([&, t] {
      const int actions[] = {1, 2, 3, 10, 11};
      for (int i = t; posters_left.load() > 0 && std::chrono::steady_clock::now() < deadline; ++i) {
        const int action = actions[i % 5];
        HttpResponse r;
        if (action == 10) {
          r = Http(site.port(), "POST", "/bbs/kiroq.exe?test+10+0+10", multipart,
                   MultipartBody(kBoundary, {{"SEARCHWORD", std::string("掲示板"_sj)}}));
          if (r.body.find("投稿中で"_sj) != std::string::npos) continue;  // searches do not wait, by design
        } else {
          r = Http(site.port(), "GET",
                   "/bbs/kiroq.exe?test+10+" + std::to_string(i % 7) + "+" + std::to_string(action));
        }
        ++pages;
        std::string f = HttpFault(r, ja);
        if (!f.empty()) fault("reader, action " + std::to_string(action) + ": " + f);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  site.Stop();

  EXPECT_TRUE(faults.empty()) << faults.size() << " faults, the first: " << faults.front() << "\n" << site.ErrorLog();
  EXPECT_GT(pages.load(), 0);

  // Every answered post is stored once, whole; nothing else is.
  std::string index, log;
  ASSERT_TRUE(PosixEnv()->ReadFile(site.bbs() + "bbsdb/test.idx", &index).ok());
  ASSERT_TRUE(PosixEnv()->ReadFile(site.bbs() + "bbsdb/test.log", &log).ok());
  std::vector<int> seen(posts.size(), 0);
  const int count = static_cast<int>(index.size() / kRecordSize);
  for (int k = kSeeds; k < count; ++k) {
    IndexRecord rec;
    DecodeRecord(std::string_view(index).substr(std::size_t{kRecordSize} * k), &rec);
    ASSERT_EQ(rec.title.rfind("http ", 0), 0u) << "record " << k;
    const std::size_t i = std::stoul(rec.title.substr(5));
    ASSERT_LT(i, posts.size());
    ++seen[i];
    EXPECT_TRUE(BodyIn(log, rec) == StoredMessage(posts[i].body)) << rec.title << ": body differs";
    EXPECT_EQ(rec.parent, posts[i].parent) << rec.title;
  }
  int answered = 0;
  for (std::size_t i = 0; i < posts.size(); ++i) {
    if (posts[i].answered) {
      ++answered;
      EXPECT_EQ(seen[i], 1) << posts[i].title;
    } else {
      EXPECT_LE(seen[i], 1) << posts[i].title;
    }
  }
  EXPECT_GE(answered, kPosters) << "too few posts got through in the time allowed";
  RecordProperty("answered_posts", answered);
  RecordProperty("reader_pages", pages.load());
  std::vector<std::string> problems = BoardProblems(index, log.size());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

}  // namespace
}  // namespace kiroq
