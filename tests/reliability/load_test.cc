// Many real processes posting and reading one board at the same time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <set>
#include <thread>

#include "html/labels.h"
#include "live_board.h"
#include "process_runner.h"
#include "storage/article_store.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

constexpr int kSeeds = 8;
constexpr int kFillerReplies = 100;  // article 1's list is one short of full
constexpr int kPosters = 64;
constexpr int kReaders = 16;
constexpr int kTimeoutMs = 60000;

struct PlannedPost {
  std::string title;
  std::string body;
  int parent = 0;
  int action = 9;
};

// Body sizes from 10 bytes to 100 KB, spread evenly over their logarithm;
// every eighth poster sends more than 64 KB, more than a pipe holds.
std::string PlannedBody(std::mt19937* rng, int i) {
  std::size_t size;
  if (i % 8 == 0) {
    size = std::uniform_int_distribution<std::size_t>(65 * 1024, 100 * 1024)(*rng);
  } else {
    size = static_cast<std::size_t>(10 * std::pow(10240.0, std::uniform_real_distribution<double>(0, 1)(*rng)));
  }
  std::string body = "#";
  body += std::to_string(i);
  body += "#";
  body += SjisText(rng, size);
  return body;
}

// What is wrong with a page that should have been served whole.
std::string PageFault(const CgiResult& r, const PageLabels& ja) {
  std::vector<std::string> problems = ResponseProblems(r);
  if (!problems.empty()) return problems.front();
  const std::string_view page = PageOf(r.out);
  if (page.find("Server Busy!") != std::string_view::npos) return "Server Busy!";
  if (page.find(ja.index_busy) != std::string_view::npos) return "index busy notice";
  if (page.find("ログデータの書き込みが行えません"_sj) != std::string_view::npos) return "log busy notice";
  if (page.find("ログファイルをオープン出来ませんでした"_sj) != std::string_view::npos) return "log busy notice";
  if (page.size() < 9 || page.substr(page.size() - 9) != "</HTML>\r\n") return "page cut off";
  return "";
}

// The search gives up at once when a writer holds the index or the log: a
// busy text there is how it is meant to answer under load.
bool SearchBusy(const CgiResult& r) { return PageOf(r.out).find("投稿中で"_sj) != std::string_view::npos; }

class Faults {
 public:
  void Add(const std::string& what) {
    std::lock_guard<std::mutex> lock(mu_);
    if (list_.size() < 20) list_.push_back(what);
    ++count_;
  }
  int count() const { return count_; }
  std::string Summary() const {
    std::string s;
    for (const std::string& f : list_) s += f + "\n";
    return s;
  }

 private:
  std::mutex mu_;
  std::vector<std::string> list_;
  int count_ = 0;
};

TEST(Load, PostersAndReadersAtOnceLoseNothing) {
  LiveBoard board;
  board.fixture().Settings({"JAPANESE=1", "USEDATE=1", "USEDELETE=1", "USESEARCHLOG=1", "NUMCLICK=1"});
  std::mt19937 rng(20241208);
  std::vector<std::string> seed_bodies;
  for (int i = 0; i < kSeeds; ++i) {
    seed_bodies.push_back(SjisText(&rng, 200 + 50 * i));
    board.fixture().AddArticle(SampleRecord("seed " + std::to_string(i)), seed_bodies.back());
  }
  for (int i = 0; i < kFillerReplies; ++i) {
    seed_bodies.push_back(SjisText(&rng, 20));
    board.fixture().AddArticle(SampleRecord("filler", "poster", 1), seed_bodies.back());
  }
  const int before = board.fixture().Count();
  ASSERT_EQ(before, kSeeds + kFillerReplies);

  std::vector<PlannedPost> plan(kPosters);
  for (int i = 0; i < kPosters; ++i) {
    PlannedPost& p = plan[i];
    p.title = "load " + std::to_string(i);
    p.body = PlannedBody(&rng, i);
    if (i % 8 == 1) {
      p.parent = 1;  // the first of these fills the list; the rest overflow it
    } else if (i % 2 == 1) {
      p.parent = std::uniform_int_distribution<int>(1, before)(rng);
    } else {
      p.action = i % 4 == 0 ? 6 : 9;  // a new article, shown in the list or alone
    }
  }

  const PageLabels ja = ChooseLabels(true, false, false);
  Faults faults;
  std::atomic<int> posters_left{kPosters};
  std::atomic<int> pages{0}, searches{0}, busy_searches{0};

  std::vector<std::thread> readers;
  for (int t = 0; t < kReaders; ++t) {
    readers.emplace_back([&, t] {
      std::mt19937 r(static_cast<unsigned>(t) + 7);
      const int actions[] = {1, 2, 3, 10, 11};
      do {
        const int action = actions[r() % 5];
        const int number = r() % 3 == 0 ? 0 : static_cast<int>(r() % (before + kPosters)) + 1;
        CgiResult res;
        if (action == 10) {
          std::string body = MultipartBody(kBoundary, {{"SEARCHWORD", std::string("掲示板"_sj)}});
          res = RunCgi(board.program(), board.Words(10, 0, 10), LiveBoard::PostEnv(body.size()), body, kTimeoutMs);
          ++searches;
          if (SearchBusy(res)) {
            ++busy_searches;
            continue;
          }
        } else {
          res = RunCgi(board.program(), board.Words(10, number, action), LiveBoard::BaseEnv(), "", kTimeoutMs);
        }
        ++pages;
        std::string fault = PageFault(res, ja);
        if (!fault.empty()) faults.Add("reader, action " + std::to_string(action) + ": " + fault);
      } while (posters_left.load() > 0);
    });
  }

  std::vector<std::thread> posters;
  for (int i = 0; i < kPosters; ++i) {
    posters.emplace_back([&, i] {
      const PlannedPost& p = plan[i];
      std::string body = MultipartBody(kBoundary, {{"NAME", "poster"}, {"TITLE", p.title}, {"CONTENT", p.body}});
      CgiResult res = RunCgi(board.program(), board.Words(10, p.parent, p.action), LiveBoard::PostEnv(body.size()),
                             body, kTimeoutMs);
      std::string fault = PageFault(res, ja);
      if (!fault.empty()) faults.Add("poster " + std::to_string(i) + ": " + fault);
      --posters_left;
    });
  }
  for (std::thread& t : posters) t.join();
  for (std::thread& t : readers) t.join();

  EXPECT_EQ(faults.count(), 0) << faults.Summary();
  EXPECT_GT(pages.load(), 0) << "no reader got a page";
  // Searches give up at once under load by design, but not every time.
  EXPECT_LT(busy_searches.load(), searches.load()) << "no search got through";
  RecordProperty("reader_pages", pages.load());
  RecordProperty("searches", searches.load());
  RecordProperty("busy_searches", busy_searches.load());

  // Every post stored exactly once, after the seeds, numbered without gaps.
  const std::string index = board.fixture().IndexBytes(), log = board.fixture().LogBytes();
  ASSERT_EQ(index.size(), std::size_t{kRecordSize} * (before + kPosters));
  std::vector<int> stored_at(kPosters, -1);
  for (int k = before; k < before + kPosters; ++k) {
    IndexRecord rec = board.fixture().Record(k);
    ASSERT_EQ(rec.title.rfind("load ", 0), 0u) << "record " << k << ": " << rec.title;
    const int i = std::stoi(rec.title.substr(5));
    ASSERT_TRUE(i >= 0 && i < kPosters);
    EXPECT_EQ(stored_at[i], -1) << rec.title << " stored twice";
    stored_at[i] = k;
    EXPECT_TRUE(BodyIn(log, rec) == StoredMessage(plan[i].body)) << rec.title << ": body differs";
    EXPECT_EQ(rec.parent, plan[i].parent) << rec.title;
  }
  for (int k = 0; k < before; ++k) {
    EXPECT_TRUE(BodyIn(log, board.fixture().Record(k)) == seed_bodies[k]) << "seed record " << k << " changed";
  }
  // Replies stand in their parents' lists; article 1's list filled up with
  // the first reply to it, and the others name it as their parent.
  std::vector<std::string> problems = BoardProblems(index, log.size());
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_EQ(board.fixture().Record(0).ChildCount(), kMaxChildren);
}

// A steady stream of readers and posters for a few seconds: readers share
// the index with each other, so without a turnstile posters could wait for
// a moment when none holds it, and a writer waiting must not shut readers
// out for long either. Nobody may see a busy page; every post is stored.
TEST(Load, SteadyReadersAndPostersNeitherStarve) {
  constexpr int kStreamReaders = 6, kStreamPosters = 2;
  constexpr auto kRun = std::chrono::seconds(4);
  LiveBoard board;
  board.fixture().Settings({"JAPANESE=1"});
  std::mt19937 rng(7);
  for (int i = 0; i < 30; ++i) {
    board.fixture().AddArticle(SampleRecord("seed " + std::to_string(i)), SjisText(&rng, 300));
  }
  const int before = board.fixture().Count();
  const PageLabels ja = ChooseLabels(true, false, false);
  Faults faults;
  std::atomic<int> pages{0};
  std::vector<std::vector<std::string>> posted(kStreamPosters);
  const auto end = std::chrono::steady_clock::now() + kRun;
  std::vector<std::thread> clients;
  for (int t = 0; t < kStreamReaders; ++t) {
    clients.emplace_back([&, t] {
      const int actions[] = {1, 2, 3, 11, 12};
      for (int k = t; std::chrono::steady_clock::now() < end; ++k) {
        const int action = actions[k % 5];
        CgiResult res = RunCgi(board.program(), board.Words(10, action == 3 || action == 12 ? 1 : 0, action),
                               LiveBoard::BaseEnv(), "", kTimeoutMs);
        std::string fault = PageFault(res, ja);
        if (!fault.empty()) faults.Add("reader, action " + std::to_string(action) + ": " + fault);
        ++pages;
      }
    });
  }
  for (int t = 0; t < kStreamPosters; ++t) {
    clients.emplace_back([&, t] {
      for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
        const std::string title = "stream " + std::to_string(t) + "-" + std::to_string(i);
        std::string body = MultipartBody(kBoundary, {{"NAME", "poster"}, {"TITLE", title}, {"CONTENT", "text"}});
        CgiResult res = RunCgi(board.program(), board.Words(10, i % 2 ? 1 : 0, 9), LiveBoard::PostEnv(body.size()),
                               body, kTimeoutMs);
        std::string fault = PageFault(res, ja);
        if (!fault.empty()) faults.Add(title + ": " + fault);
        posted[t].push_back(title);
      }
    });
  }
  for (std::thread& t : clients) t.join();

  EXPECT_EQ(faults.count(), 0) << faults.Summary();
  EXPECT_GT(pages.load(), 10 * kStreamReaders) << "readers barely got through";
  const std::string index = board.fixture().IndexBytes();
  std::multiset<std::string> stored;
  for (std::size_t at = std::size_t{kRecordSize} * before; at + kRecordSize <= index.size(); at += kRecordSize) {
    IndexRecord rec;
    DecodeRecord(std::string_view(index).substr(at, kRecordSize), &rec);
    stored.insert(rec.title);
  }
  for (const std::vector<std::string>& titles : posted) {
    EXPECT_GT(titles.size(), 10u) << "a poster barely got through";
    for (const std::string& title : titles) EXPECT_EQ(stored.count(title), 1u) << title;
  }
  EXPECT_EQ(stored.size(), posted[0].size() + posted[1].size());
  std::vector<std::string> problems = BoardProblems(board);
  EXPECT_TRUE(problems.empty()) << problems.front();
}

// StartCgi writes the whole body before it returns and the output is read
// only afterwards: bodies and pages larger than a pipe must not deadlock,
// nor may a child that waits for its output to be read hold the files the
// others need.
TEST(Load, BigBodiesThroughStartCgi) {
  LiveBoard board;
  board.fixture().Settings({"JAPANESE=1"});
  std::mt19937 rng(3);
  std::vector<std::string> bodies;
  std::vector<CgiProcess> procs;
  for (int i = 0; i < 8; ++i) {
    bodies.push_back(SjisText(&rng, 100 * 1024 + i));
    std::string body = MultipartBody(kBoundary, {{"TITLE", "big " + std::to_string(i)}, {"CONTENT", bodies.back()}});
    // Action 6 answers with the article list, so the pages are over 64 KB too.
    procs.push_back(StartCgi(board.program(), board.Words(10, 0, 6), LiveBoard::PostEnv(body.size()), body));
  }
  for (CgiProcess& p : procs) {
    int code = -1;
    std::string out = FinishCgi(&p, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(out.ends_with("</HTML>\r\n")) << out.substr(0, 300);
  }
  ASSERT_EQ(board.fixture().Count(), 8);
  const std::string log = board.fixture().LogBytes();
  for (int k = 0; k < 8; ++k) {
    IndexRecord rec = board.fixture().Record(k);
    EXPECT_TRUE(BodyIn(log, rec) == StoredMessage(bodies[std::stoi(rec.title.substr(4))])) << rec.title;
  }
}

}  // namespace
}  // namespace kiroq
