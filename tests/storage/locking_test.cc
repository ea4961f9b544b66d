// File sharing between processes: the lock table, open with retry, and
// appends from many processes at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "board_fixture.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "test_env.h"

namespace kiroq {
namespace {

// Another process holding path open in a mode until told to let go.
class Holder {
 public:
  Holder(const std::string& path, OpenMode mode) {
    int up[2], down[2];
    EXPECT_EQ(pipe(up), 0);
    EXPECT_EQ(pipe(down), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);
      std::unique_ptr<File> f;
      char ok = PosixEnv()->Open(path, mode, &f).ok() ? 'y' : 'n';
      (void)!write(up[1], &ok, 1);
      char c;
      (void)!read(down[0], &c, 1);
      f.reset();
      (void)!write(up[1], "r", 1);
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    from_child_ = up[0];
    to_child_ = down[1];
    char ok = 0;
    EXPECT_EQ(read(from_child_, &ok, 1), 1);
    EXPECT_EQ(ok, 'y') << "the holder could not open " << path;
  }
  ~Holder() {
    Release();
    close(from_child_);
    close(to_child_);
    int status;
    waitpid(pid_, &status, 0);
  }
  // Closes the file in the other process and waits until it has.
  void Release() {
    if (released_) return;
    released_ = true;
    (void)!write(to_child_, "x", 1);
    char c;
    (void)!read(from_child_, &c, 1);
  }

 private:
  pid_t pid_ = -1;
  int from_child_ = -1, to_child_ = -1;
  bool released_ = false;
};

class LockingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("f.idx", "data");
    path_ = dir_.path() + "f.idx";
  }
  bool CanOpen(OpenMode mode) {
    std::unique_ptr<File> f;
    Status s = PosixEnv()->Open(path_, mode, &f);
    EXPECT_TRUE(s.ok() || s.IsBusy()) << s.ToString();
    return s.ok();
  }
  TempDir dir_;
  std::string path_;
};

constexpr OpenMode kModes[] = {OpenMode::kReadExclusive, OpenMode::kWriteExclusive, OpenMode::kReadShared,
                               OpenMode::kWriteShared, OpenMode::kCreate};

TEST_F(LockingTest, ExclusiveModesShutEveryoneOut) {
  for (OpenMode held : {OpenMode::kReadExclusive, OpenMode::kWriteExclusive, OpenMode::kCreate}) {
    Holder holder(path_, held);
    for (OpenMode wanted : kModes) {
      EXPECT_FALSE(CanOpen(wanted)) << "held " << static_cast<int>(held) << " wanted " << static_cast<int>(wanted);
    }
  }
}

TEST_F(LockingTest, SharedReadersLetReadersIn) {
  Holder holder(path_, OpenMode::kReadShared);
  EXPECT_TRUE(CanOpen(OpenMode::kReadShared));
  EXPECT_FALSE(CanOpen(OpenMode::kWriteShared));
  EXPECT_FALSE(CanOpen(OpenMode::kWriteExclusive));
  EXPECT_FALSE(CanOpen(OpenMode::kReadExclusive));
}

TEST_F(LockingTest, AnAppendingWriterLetsOnlyReadersIn) {
  Holder holder(path_, OpenMode::kWriteShared);
  EXPECT_TRUE(CanOpen(OpenMode::kReadShared));
  EXPECT_FALSE(CanOpen(OpenMode::kWriteShared));
  EXPECT_FALSE(CanOpen(OpenMode::kReadExclusive));
  EXPECT_FALSE(CanOpen(OpenMode::kWriteExclusive));
}

TEST_F(LockingTest, TwoOpensInOneProcessExcludeEachOther) {
  std::unique_ptr<File> first;
  ASSERT_TRUE(PosixEnv()->Open(path_, OpenMode::kWriteExclusive, &first).ok());
  EXPECT_FALSE(CanOpen(OpenMode::kReadExclusive));
  first.reset();
  EXPECT_TRUE(CanOpen(OpenMode::kReadExclusive));
}

TEST_F(LockingTest, ReleasedFileOpensAgain) {
  Holder holder(path_, OpenMode::kWriteExclusive);
  EXPECT_FALSE(CanOpen(OpenMode::kReadExclusive));
  holder.Release();
  EXPECT_TRUE(CanOpen(OpenMode::kReadExclusive));
}

TEST_F(LockingTest, FreeFileOpensAtOnceWithoutAPause) {
  FakeEnv env;
  std::unique_ptr<File> f;
  int attempts = 0;
  ASSERT_TRUE(OpenWithRetry(&env, path_, OpenMode::kReadExclusive, kStandardRetry, &f, &attempts).ok());
  EXPECT_EQ(attempts, 1);
  EXPECT_TRUE(env.sleeps.empty());
}

TEST_F(LockingTest, HeldFileGivesUpAfterRetriesPlusOneAttempts) {
  Holder holder(path_, OpenMode::kWriteExclusive);
  FakeEnv env;
  std::unique_ptr<File> f;
  int attempts = 0;
  Status s = OpenWithRetry(&env, path_, OpenMode::kReadExclusive, kStandardRetry, &f, &attempts);
  EXPECT_TRUE(s.IsBusy());
  EXPECT_EQ(attempts, 61);
  EXPECT_EQ(env.sleeps.size(), 60u);
  EXPECT_EQ(env.slept_ms, 6000);

  FakeEnv reply_env;
  s = OpenWithRetry(&reply_env, path_, OpenMode::kReadExclusive, kReplyFormRetry, &f, &attempts);
  EXPECT_TRUE(s.IsBusy());
  EXPECT_EQ(attempts, 3);
  EXPECT_EQ(reply_env.sleeps, (std::vector<int>{1000, 1000}));
}

// A clock whose pauses let the holder go once three seconds have passed.
class ReleasingEnv : public FakeEnv {
 public:
  explicit ReleasingEnv(Holder* holder) : holder_(holder) {}
  void SleepMs(int ms) override {
    FakeEnv::SleepMs(ms);
    if (slept_ms >= 3000) holder_->Release();
  }

 private:
  Holder* holder_;
};

TEST_F(LockingTest, FileHeldForThreeSecondsOpensAtTheThirtyFirstAttempt) {
  Holder holder(path_, OpenMode::kWriteExclusive);
  ReleasingEnv env(&holder);
  std::unique_ptr<File> f;
  int attempts = 0;
  ASSERT_TRUE(OpenWithRetry(&env, path_, OpenMode::kReadExclusive, kStandardRetry, &f, &attempts).ok());
  EXPECT_EQ(attempts, 31);
  EXPECT_EQ(env.slept_ms, 3000);
}

TEST_F(LockingTest, MissingFileFailsAtOnce) {
  FakeEnv env;
  std::unique_ptr<File> f;
  int attempts = 0;
  Status s = OpenWithRetry(&env, dir_.path() + "nope", OpenMode::kReadExclusive, kStandardRetry, &f, &attempts);
  EXPECT_TRUE(s.IsNotFound());
  EXPECT_EQ(attempts, 1);
}

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// Real waits on the real system: an attempt that waits ends when the holder
// lets go, not when its budget runs out.
TEST_F(LockingTest, WaitingOpenEndsWhenTheHolderLetsGo) {
  struct Case {
    OpenMode held, wanted;
  } cases[] = {{OpenMode::kWriteExclusive, OpenMode::kReadShared},
               {OpenMode::kWriteExclusive, OpenMode::kReadExclusive},
               {OpenMode::kReadExclusive, OpenMode::kWriteShared},
               {OpenMode::kReadShared, OpenMode::kWriteExclusive},
               {OpenMode::kWriteShared, OpenMode::kCreate}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "held " << static_cast<int>(c.held) << " wanted " << static_cast<int>(c.wanted));
    Holder holder(path_, c.held);
    Clock::time_point letting_go;
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      letting_go = Clock::now();
      holder.Release();
    });
    std::unique_ptr<File> f;
    int attempts = 0;
    Status s = OpenWithRetry(PosixEnv(), path_, c.wanted, kStandardRetry, &f, &attempts);
    const Clock::time_point opened = Clock::now();
    releaser.join();
    ASSERT_TRUE(s.ok()) << s.ToString();
    EXPECT_EQ(attempts, 2);  // the first met the lock, the second waited
    EXPECT_GE(MsBetween(letting_go, opened), 0.0);
    // Far less than the 100 ms an attempt may wait; generous for a loaded
    // machine.
    // Well under the 100 ms a whole pause would take, with room for a slow
    // sanitizer build on a busy machine.
    EXPECT_LT(MsBetween(letting_go, opened), 80.0);
  }
}

TEST_F(LockingTest, WaitingOpenGivesUpAfterRetriesTimesInterval) {
  Holder holder(path_, OpenMode::kWriteExclusive);
  for (OpenMode wanted : kModes) {
    std::unique_ptr<File> f;
    int attempts = 0;
    const Clock::time_point start = Clock::now();
    Status s = OpenWithRetry(PosixEnv(), path_, wanted, {3, 40}, &f, &attempts);
    const double ms = MsBetween(start, Clock::now());
    EXPECT_TRUE(s.IsBusy()) << s.ToString();
    EXPECT_EQ(attempts, 4);
    EXPECT_GE(ms, 120.0);
    EXPECT_LT(ms, 2000.0);
  }
  // The file is still the holder's alone, and free again once it lets go.
  EXPECT_FALSE(CanOpen(OpenMode::kReadShared));
  holder.Release();
  EXPECT_TRUE(CanOpen(OpenMode::kWriteExclusive));
}

// A writer waiting for shared readers to finish keeps newer readers out, so
// that a stream of them cannot hold the file for ever; it gets the file as
// soon as the readers already in have gone. It keeps its place for its whole
// wait, not one interval: a reader that starts waiting after it, and would
// slip in whenever the writer let go of its place, still comes after it.
TEST_F(LockingTest, WaitingWriterHoldsBackNewReaders) {
  for (OpenMode writer : {OpenMode::kWriteExclusive, OpenMode::kWriteShared}) {
    SCOPED_TRACE(static_cast<int>(writer));
    Holder reader(path_, OpenMode::kReadShared);
    EXPECT_TRUE(CanOpen(OpenMode::kReadShared));
    Status waited, later_waited;
    Clock::time_point writer_in, later_in;
    std::thread waiting([&] {
      std::unique_ptr<File> f;
      waited = OpenWithRetry(PosixEnv(), path_, writer, {200, 20}, &f);
      writer_in = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::thread later([&] {
      std::unique_ptr<File> f;
      later_waited = OpenWithRetry(PosixEnv(), path_, OpenMode::kReadShared, {200, 20}, &f);
      later_in = Clock::now();
    });
    // Several of the writer's intervals.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(CanOpen(OpenMode::kReadShared)) << "a reader passed a waiting writer";
    reader.Release();
    waiting.join();
    later.join();
    EXPECT_TRUE(waited.ok()) << waited.ToString();
    EXPECT_TRUE(later_waited.ok()) << later_waited.ToString();
    EXPECT_GE(MsBetween(writer_in, later_in), 0.0) << "the reader that came later got in first";
    EXPECT_TRUE(CanOpen(OpenMode::kReadShared));
  }
}

// Many processes append articles at once, each through the same opens a post
// makes; every body must come back whole and every record once.
TEST(ConcurrentAppends, WritersNeverInterleave) {
  BoardFixture board;
  BoardFiles files(board.dir().path(), board.board());
  PosixEnv()->CreateDir(files.DataDir());
  ASSERT_EQ(EnsureDataFiles(PosixEnv(), files), EnsureResult::kOk);
  constexpr int kWriters = 8, kEach = 25;
  std::vector<pid_t> pids;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    if (pid == 0) {
      for (int i = 0; i < kEach; ++i) {
        std::string tag = std::to_string(w) + "-" + std::to_string(i);
        std::string body = "<" + tag + ">" + std::string(1000 + 37 * i, static_cast<char>('a' + w)) + "</" + tag + ">";
        IndexRecord rec = SampleRecord(tag);
        std::unique_ptr<File> log, index;
        if (!OpenWithRetry(PosixEnv(), files.Log(), OpenMode::kWriteShared, {600, 5}, &log).ok()) _exit(1);
        if (!AppendBody(log.get(), body, &rec.body_start, &rec.body_end).ok()) _exit(2);
        log.reset();
        if (!OpenWithRetry(PosixEnv(), files.Index(), OpenMode::kWriteExclusive, {600, 5}, &index).ok()) _exit(3);
        int pos;
        if (!AppendRecord(index.get(), rec, &pos).ok()) _exit(4);
      }
      _exit(0);
    }
    pids.push_back(pid);
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer failed: " << status;
  }
  ASSERT_EQ(board.Count(), kWriters * kEach);
  std::string log = board.LogBytes();
  std::set<std::string> seen;
  for (int p = 0; p < board.Count(); ++p) {
    IndexRecord r = board.Record(p);
    std::string body(BodyIn(log, r));
    EXPECT_EQ(body.substr(0, r.title.size() + 2), "<" + r.title + ">") << p;
    EXPECT_EQ(body.substr(body.size() - r.title.size() - 3), "</" + r.title + ">") << p;
    EXPECT_TRUE(seen.insert(r.title).second) << "stored twice: " << r.title;
  }
}

}  // namespace
}  // namespace kiroq
