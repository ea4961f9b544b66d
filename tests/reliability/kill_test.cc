// Posting processes killed at random moments, also while they wait for or
// hold the board's files: the board must stay whole.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "html/labels.h"
#include "live_board.h"
#include "storage/article_store.h"

namespace kiroq {
namespace {

constexpr int kRounds = 90;
constexpr int kPerRound = 4;  // three are killed, one is let finish
constexpr int kTimeoutMs = 30000;

struct Planned {
  std::string title, body;
  std::string kept;  // what the log keeps of body
  int parent = 0;
};

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.fixture().Settings({"JAPANESE=1", "USEDELETE=1"});
    for (int i = 0; i < 3; ++i) Plan(0, 50, /*stored=*/true);
  }

  // A new post's title and body; the seeds are stored at once.
  int Plan(int parent, std::size_t size, bool stored = false) {
    Planned p;
    p.title = "kill " + std::to_string(planned_.size());
    p.body = p.title + ":" + SjisText(&rng_, size);
    p.parent = parent;
    p.kept = stored ? p.body : StoredMessage(p.body);
    if (stored) board_.fixture().AddArticle(SampleRecord(p.title, "seed", parent), p.body);
    planned_.push_back(p);
    return static_cast<int>(planned_.size()) - 1;
  }

  std::unique_ptr<CgiChild> StartPost(int id) {
    const Planned& p = planned_[id];
    std::string body = MultipartBody(kBoundary, {{"NAME", "killed"}, {"TITLE", p.title}, {"CONTENT", p.body}});
    return std::make_unique<CgiChild>(board_.program(), board_.Words(10, p.parent, 9), LiveBoard::PostEnv(body.size()),
                                      body);
  }

  // Feeds and drains every child until the moment comes.
  static void PumpAllUntil(const std::vector<std::unique_ptr<CgiChild>>& children,
                           std::chrono::steady_clock::time_point until) {
    do {
      for (const auto& c : children) c->Pump(1);
    } while (std::chrono::steady_clock::now() < until);
  }

  // Watches the board's files and kills every child the moment one of them
  // holds the index or the log for writing (or after 60 ms). The probes
  // hold each file for a moment only. True when a holder was caught.
  bool KillWhenAWriterHoldsAFile(const std::vector<std::unique_ptr<CgiChild>>& children) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(60);
    bool caught = false;
    for (int probe = 0; !caught && std::chrono::steady_clock::now() < until; ++probe) {
      std::unique_ptr<File> f;
      // A reader keeps out the index's writer; a writer keeps out the log's.
      const bool index = probe % 2 == 0;
      Status s = PosixEnv()->Open(index ? board_.IndexPath() : board_.LogPath(),
                                  index ? OpenMode::kReadShared : OpenMode::kWriteShared, &f);
      f.reset();
      caught = s.IsBusy();
      if (!caught) std::this_thread::sleep_for(std::chrono::microseconds(30));
    }
    for (const auto& c : children) c->Kill(SIGKILL);
    return caught;
  }

  int RandomMs(int max) { return std::uniform_int_distribution<int>(0, max)(rng_); }

  // Every stored record is one of the planned posts, with its own body and
  // parent; none is stored twice.
  void ExpectRecordsArePlannedPosts() {
    const std::string index = board_.fixture().IndexBytes(), log = board_.fixture().LogBytes();
    std::vector<bool> seen(planned_.size());
    for (int k = 0; k < board_.fixture().Count(); ++k) {
      IndexRecord r = board_.fixture().Record(k);
      ASSERT_EQ(r.title.rfind("kill ", 0), 0u) << "record " << k << " is no post: " << r.title;
      const std::size_t id = std::stoul(r.title.substr(5));
      ASSERT_LT(id, planned_.size());
      EXPECT_FALSE(seen[id]) << r.title << " stored twice";
      seen[id] = true;
      EXPECT_TRUE(BodyIn(log, r) == planned_[id].kept) << r.title << " (record " << k << ") has another body";
      EXPECT_EQ(r.parent, planned_[id].parent) << r.title;
    }
  }

  LiveBoard board_;
  std::mt19937 rng_{4242};
  std::vector<Planned> planned_;
};

TEST_F(KillTest, BoardStaysWholeWhenWritersAreKilled) {
  const PageLabels ja = ChooseLabels(true, false, false);
  int kills = 0, snipes = 0;
  const auto started = std::chrono::steady_clock::now();
  for (int round = 0; round < kRounds; ++round) {
    const int count = board_.fixture().Count();
    // Three kinds of round: bodies of up to 1 MB, so that the log is still
    // being written when the kill comes; the index held by the test for a
    // moment, so that the writers append their bodies and wait for it; and
    // kills the moment a writer holds the index or the log.
    const int kind = round % 3;
    std::vector<int> ids;
    for (int i = 0; i < kPerRound; ++i) {
      const int parent = i % 2 ? std::uniform_int_distribution<int>(1, count)(rng_) : 0;
      ids.push_back(Plan(parent, kind == 0 ? std::uniform_int_distribution<std::size_t>(1, 1 << 20)(rng_) : 300));
    }
    std::unique_ptr<File> held;
    if (kind == 1) {
      ASSERT_TRUE(PosixEnv()->Open(board_.IndexPath(), OpenMode::kWriteExclusive, &held).ok());
    }
    std::vector<std::unique_ptr<CgiChild>> children;
    for (int i = 0; i + 1 < kPerRound; ++i) children.push_back(StartPost(ids[i]));
    if (kind == 2) {
      snipes += KillWhenAWriterHoldsAFile(children);
      kills += kPerRound - 1;
      children.push_back(StartPost(ids.back()));
    } else {
      children.push_back(StartPost(ids.back()));
      // Events at random moments, all children fed and drained in between:
      // the index let go (when held), and each victim's kill.
      const int release_at = held ? RandomMs(150) : 0;
      std::vector<std::pair<int, int>> events;  // (ms after start, victim or -1 for the release)
      if (held) events.push_back({release_at, -1});
      for (int i = 0; i + 1 < kPerRound; ++i) events.push_back({RandomMs(held ? release_at + 6 : 6), i});
      std::sort(events.begin(), events.end());
      const auto t0 = std::chrono::steady_clock::now();
      for (const auto& [at, victim] : events) {
        PumpAllUntil(children, t0 + std::chrono::milliseconds(at));
        if (victim < 0) {
          held.reset();
        } else {
          children[victim]->Kill(SIGKILL);
          ++kills;
        }
      }
    }
    held.reset();
    // The survivor must store its post whatever its neighbours left behind.
    CgiResult last = children.back()->Finish(kTimeoutMs);
    EXPECT_TRUE(ResponseProblems(last).empty()) << "round " << round << ": " << last.Describe();
    EXPECT_EQ(PageOf(last.out).find(ja.index_busy), std::string_view::npos) << "round " << round;
    for (auto& c : children) c->Finish(kTimeoutMs);

    // Whole records only, each a planned post; only the newest may still wait
    // for the next append to link it into its parent's list.
    std::vector<std::string> problems = BoardProblems(board_, board_.fixture().Count() - 1);
    ASSERT_TRUE(problems.empty()) << "round " << round << ": " << problems.front();
    ASSERT_TRUE(DataFilesFree(board_)) << "a lock outlived its process in round " << round;
    ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60)) << "too slow";
  }
  EXPECT_GE(kills, 250);
  EXPECT_GT(snipes, 0) << "no writer was killed while it held a file";
  RecordProperty("killed_holding_a_file", snipes);
  ExpectRecordsArePlannedPosts();

  // The board still serves its pages and takes the next post whole.
  for (int action : {1, 2, 3, 11}) {
    CgiResult page = board_.Get(0, action);
    EXPECT_TRUE(ResponseProblems(page).empty()) << "action " << action;
    EXPECT_EQ(PageOf(page.out).find(ja.index_busy), std::string_view::npos) << "action " << action;
    EXPECT_TRUE(page.out.ends_with("</HTML>\r\n")) << "action " << action;
  }
  const int before = board_.fixture().Count();
  const int id = Plan(1, 1000);
  CgiResult post = board_.Post(1, 9, {{"TITLE", planned_[id].title}, {"CONTENT", planned_[id].body}});
  EXPECT_TRUE(ResponseProblems(post).empty()) << post.Describe();
  ASSERT_EQ(board_.fixture().Count(), before + 1);
  ExpectRecordsArePlannedPosts();
  std::vector<std::string> problems = BoardProblems(board_);
  EXPECT_TRUE(problems.empty()) << problems.front();
  EXPECT_TRUE(DataFilesFree(board_));
}

}  // namespace
}  // namespace kiroq
