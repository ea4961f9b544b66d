// The web-server side of the shared-board test: one process per host that
// starts the real program the way a web server does, posting and reading at
// once and killing posters at random, and the checks that run once every
// process has ended.
//
//   driver prepare FOLDER BOARD PROGRAM JOURNAL   program folder with seeds
//   driver run FOLDER BOARD HOST JOURNAL POSTS POSTERS READERS KILL% SEED
//   driver check FOLDER BOARD JOURNAL...          every post and record
//   driver locks FOLDER BOARD                     no lock left on the files
//   driver hold FOLDER BOARD                      holds the index until killed
//
// A post's title is "mh HOST ID"; its body follows from HOST and ID alone,
// so the check rebuilds what every post should have stored. Each journal
// line is "HOST ID PARENT OUTCOME" (ack, busy, killed or failed). Figures
// are printed as NAME=VALUE lines; exit status 1 means a check failed.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "board_fixture.h"
#include "html/labels.h"
#include "live_board.h"
#include "platform/env.h"

namespace kiroq {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kChildTimeoutMs = 120000;

struct Paths {
  std::string folder, board;
  std::string Program() const { return folder + "kiroq.exe"; }
  std::string Index() const { return folder + "bbsdb/" + board + ".idx"; }
  std::string Log() const { return folder + "bbsdb/" + board + ".log"; }
  std::vector<std::string> Words(int number, int action) const {
    return {board, "10", std::to_string(number), std::to_string(action)};
  }
};

std::string Title(const std::string& host, int id) { return "mh " + host + " " + std::to_string(id); }

// The typed body of a post: mostly up to 16 KB, one in ten up to 256 KB, so
// that some are still being written when their poster is killed.
std::string BodyOf(const std::string& host, int id) {
  std::mt19937 rng(static_cast<unsigned>(std::hash<std::string>()(Title(host, id))));
  const bool big = std::uniform_int_distribution<int>(0, 9)(rng) == 0;
  const std::size_t size = std::uniform_int_distribution<std::size_t>(1, big ? 256 << 10 : 16 << 10)(rng);
  return Title(host, id) + ":" + SjisText(&rng, size);
}

std::string PostBody(const std::string& host, int id) {
  return MultipartBody(kBoundary, {{"NAME", "web " + host}, {"TITLE", Title(host, id)}, {"CONTENT", BodyOf(host, id)}});
}

int ArticleCount(const Paths& p) {
  struct stat st;
  if (stat(p.Index().c_str(), &st) != 0) return 0;
  return static_cast<int>(static_cast<std::size_t>(st.st_size) / kRecordSize);
}

bool Busy(const CgiResult& r) {
  return PageOf(r.out).find(ChooseLabels(true, false, false).index_busy) != std::string_view::npos;
}

// ack: stored and answered; busy: refused with the busy notice; killed: the
// test ended it before it answered; failed: anything else.
std::string Outcome(const CgiResult& r) {
  if (r.signal == SIGKILL && !r.timed_out) return "killed";
  if (!ResponseProblems(r).empty()) return "failed";
  return Busy(r) ? "busy" : "ack";
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int Prepare(const Paths& p, const std::string& program, const std::string& journal) {
  std::ofstream(p.folder + p.board + ".ini") << "JAPANESE=1\r\nUSEDELETE=1\r\n";
  if (symlink(program.c_str(), p.Program().c_str()) != 0 && errno != EEXIST) {
    std::perror("symlink");
    return 1;
  }
  std::ofstream out(journal);
  for (int id = 0; id < 3; ++id) {
    std::string body = PostBody("seed", id);
    CgiResult r = RunCgi(p.Program(), p.Words(0, 9), LiveBoard::PostEnv(body.size()), body, kChildTimeoutMs);
    out << "seed " << id << " 0 " << Outcome(r) << "\n";
    if (Outcome(r) != "ack") {
      std::cerr << "seed post: " << r.Describe() << "\n" << r.out.substr(0, 400) << "\n";
      return 1;
    }
  }
  return 0;
}

// True when a process on this machine holds the index or the log for
// writing: a granted write lock on the writers' byte, as this kernel lists
// it (NFS clients list the locks the server granted them).
bool WriterHoldsAFile(const Paths& p) {
  std::set<std::string> inodes;
  for (const std::string& path : {p.Index(), p.Log()}) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) inodes.insert(":" + std::to_string(st.st_ino));
  }
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream words(line);
    std::vector<std::string> w{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    // "N: OFDLCK ADVISORY WRITE PID MAJ:MIN:INODE START END"; waiters have
    // "->" after the number.
    if (w.size() != 8 || w[3] != "WRITE" || w[6] != std::to_string(int64_t{1} << 40)) continue;
    const std::size_t colon = w[5].rfind(':');
    if (colon != std::string::npos && inodes.count(w[5].substr(colon))) return true;
  }
  return false;
}

struct Slot {
  std::unique_ptr<CgiChild> child;
  int id = -1;  // post id, -1 for a reader
  int parent = 0;
  Clock::time_point started, kill_at = Clock::time_point::max();
  bool snipe = false;  // killed the moment a writer holds a file
};

int Run(const Paths& p, const std::string& host, const std::string& journal, int posts, int posters, int readers,
        int kill_percent, unsigned seed) {
  std::mt19937 rng(seed);
  std::ofstream out(journal);
  std::map<std::string, int> outcomes;
  int reads_ok = 0, reads_busy = 0, reads_failed = 0, kills = 0, snipes = 0;
  double ack_seconds = 0;
  std::vector<Slot> slots;
  int next = 0;
  const auto t0 = Clock::now();
  while (next < posts || !slots.empty()) {
    int active_posters = 0, active_readers = 0;
    for (const Slot& s : slots) (s.id >= 0 ? active_posters : active_readers)++;
    while (next < posts && active_posters < posters) {
      Slot s;
      s.id = next++;
      s.parent = std::uniform_int_distribution<int>(0, 1)(rng)
                     ? std::uniform_int_distribution<int>(0, ArticleCount(p))(rng)
                     : 0;
      std::string body = PostBody(host, s.id);
      s.started = Clock::now();
      s.child = std::make_unique<CgiChild>(p.Program(), p.Words(s.parent, 9), LiveBoard::PostEnv(body.size()), body);
      const int roll = std::uniform_int_distribution<int>(0, 199)(rng);
      if (roll < kill_percent) {
        s.snipe = true;
      } else if (roll < 2 * kill_percent) {
        // Anywhere in the life of a post: up to one and a half times what
        // an answered post took so far on average.
        const double mean = outcomes["ack"] > 0 ? ack_seconds / outcomes["ack"] : 0.05;
        const double at = std::uniform_real_distribution<double>(0, 1.5 * mean)(rng);
        s.kill_at = s.started + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(at));
      }
      slots.push_back(std::move(s));
      ++active_posters;
    }
    while (next < posts && active_readers < readers) {
      Slot s;
      const int count = std::max(1, ArticleCount(p));
      const int actions[] = {1, 2, 3, 11};
      const int action = actions[std::uniform_int_distribution<int>(0, 3)(rng)];
      const int number = action == 3 ? std::uniform_int_distribution<int>(1, count)(rng) : 0;
      s.started = Clock::now();
      s.child = std::make_unique<CgiChild>(p.Program(), p.Words(number, action), LiveBoard::BaseEnv(), "");
      slots.push_back(std::move(s));
      ++active_readers;
    }
    // Half the victims die the moment a writer on this web server holds the
    // index or the log (one of them may be that writer).
    if (std::any_of(slots.begin(), slots.end(), [](const Slot& k) { return k.snipe; }) && WriterHoldsAFile(p)) {
      ++snipes;
      for (Slot& k : slots) {
        if (!k.snipe) continue;
        k.child->Kill(SIGKILL);
        k.snipe = false;
        ++kills;
      }
    }
    for (std::size_t i = 0; i < slots.size();) {
      for (Slot& k : slots) {
        if (Clock::now() >= k.kill_at) {
          k.child->Kill(SIGKILL);
          k.kill_at = Clock::time_point::max();
          ++kills;
        }
      }
      Slot& s = slots[i];
      const auto now = Clock::now();
      const bool ended = s.child->Pump(1);
      if (!ended && now - s.started < std::chrono::milliseconds(kChildTimeoutMs)) {
        ++i;
        continue;
      }
      CgiResult r = s.child->Finish(ended ? kChildTimeoutMs : 0);
      if (s.id >= 0) {
        const std::string o = Outcome(r);
        ++outcomes[o];
        if (o == "ack") ack_seconds += Seconds(Clock::now() - s.started);
        if (o == "failed") std::cerr << Title(host, s.id) << ": " << r.Describe() << "\n";
        out << host << " " << s.id << " " << s.parent << " " << o << "\n";
      } else if (!ResponseProblems(r).empty()) {
        ++reads_failed;
        std::cerr << "read on " << host << ": " << r.Describe() << "\n";
      } else {
        ++(Busy(r) ? reads_busy : reads_ok);
      }
      slots.erase(slots.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  out.flush();
  std::printf(
      "host=%s\nseconds=%.2f\nposts_attempted=%d\nposts_acked=%d\nposts_busy=%d\nposts_killed=%d\n"
      "posts_failed=%d\nkills_sent=%d\nkills_while_a_writer_held=%d\nreads_ok=%d\nreads_busy=%d\nreads_failed=%d\n",
      host.c_str(), Seconds(Clock::now() - t0), posts, outcomes["ack"], outcomes["busy"], outcomes["killed"],
      outcomes["failed"], kills, snipes, reads_ok, reads_busy, reads_failed);
  return outcomes["failed"] + reads_failed == 0 && out ? 0 : 1;
}

struct Planned {
  std::string host;
  int id = 0, parent = 0;
  std::string outcome;
};

// Every record is a post of the journals, with its own body and parent,
// stored at most once; every answered post is stored, every refused one is
// not.
int CheckPosts(const Paths& p, const std::map<std::string, Planned>& planned) {
  std::string index, log;
  if (!PosixEnv()->ReadFile(p.Index(), &index).ok() || !PosixEnv()->ReadFile(p.Log(), &log).ok()) {
    std::cerr << "cannot read the board\n";
    return 1;
  }
  const int count = static_cast<int>(index.size() / kRecordSize);
  std::map<std::string, int> stored;
  int foreign = 0, wrong = 0;
  for (int k = 0; k < count; ++k) {
    IndexRecord r;
    DecodeRecord(std::string_view(index).substr(std::size_t{kRecordSize} * static_cast<std::size_t>(k)), &r);
    auto it = planned.find(r.title);
    if (it == planned.end()) {
      ++foreign;
      std::cerr << "record " << k << " is no post of the journals: " << r.title << "\n";
      continue;
    }
    if (++stored[r.title] > 1) std::cerr << r.title << " stored twice\n";
    const Planned& pl = it->second;
    if (BodyIn(log, r) != StoredMessage(BodyOf(pl.host, pl.id)) || r.parent != pl.parent) {
      ++wrong;
      std::cerr << r.title << " (record " << k << ") has another body or parent\n";
    }
  }
  int duplicates = 0, missing = 0, refused_stored = 0, killed_stored = 0;
  for (const auto& [title, pl] : planned) {
    const int n = stored.count(title) ? stored[title] : 0;
    duplicates += std::max(0, n - 1);
    if (pl.outcome == "ack" && n == 0) {
      ++missing;
      std::cerr << title << " was answered but is not stored\n";
    }
    if ((pl.outcome == "busy" || pl.outcome == "failed") && n > 0) {
      ++refused_stored;
      std::cerr << title << " was refused but is stored\n";
    }
    if (pl.outcome == "killed" && n > 0) ++killed_stored;
  }
  const int torn = static_cast<int>(index.size() % kRecordSize != 0);
  std::vector<std::string> problems = BoardProblems(index, log.size());
  for (const std::string& s : problems) std::cerr << s << "\n";
  std::printf(
      "records_checked=%d\nindex_bytes=%zu\nlog_bytes=%zu\ntorn_records=%d\nboard_problems=%zu\n"
      "foreign_records=%d\nwrong_records=%d\nduplicate_posts=%d\nmissing_posts=%d\nrefused_but_stored=%d\n"
      "killed_but_stored=%d\n",
      count, index.size(), log.size(), torn, problems.size(), foreign, wrong, duplicates, missing, refused_stored,
      killed_stored);
  return torn + static_cast<int>(problems.size()) + foreign + wrong + duplicates + missing + refused_stored == 0 ? 0
                                                                                                                 : 1;
}

int Check(const Paths& p, const std::vector<std::string>& journals) {
  std::map<std::string, Planned> planned;
  std::map<std::string, int> outcomes;
  for (const std::string& j : journals) {
    std::ifstream in(j);
    Planned pl;
    while (in >> pl.host >> pl.id >> pl.parent >> pl.outcome) {
      planned[Title(pl.host, pl.id)] = pl;
      ++outcomes[pl.outcome];
    }
  }
  // As the killed writers left it: whole records, and only the newest may
  // wait for the next append to link it into its parent's list.
  std::string index;
  uint64_t log_size = 0;
  if (!PosixEnv()->ReadFile(p.Index(), &index).ok() || !PosixEnv()->GetFileSize(p.Log(), &log_size).ok()) {
    std::cerr << "cannot read the board\n";
    return 1;
  }
  std::vector<std::string> left = BoardProblems(index, log_size, static_cast<int>(index.size() / kRecordSize) - 1);
  for (const std::string& s : left) std::cerr << "as left: " << s << "\n";
  // The next post is answered and links everything.
  Planned last{"final", 0, ArticleCount(p), ""};
  std::string body = PostBody(last.host, last.id);
  CgiResult r = RunCgi(p.Program(), p.Words(last.parent, 9), LiveBoard::PostEnv(body.size()), body, kChildTimeoutMs);
  last.outcome = Outcome(r);
  planned[Title(last.host, last.id)] = last;
  std::printf("posts_planned=%zu\nposts_acked=%d\nboard_problems_as_left=%zu\nfinal_post=%s\n", planned.size(),
              outcomes["ack"], left.size(), last.outcome.c_str());
  const int posts = CheckPosts(p, planned);
  return posts == 0 && left.empty() && last.outcome == "ack" ? 0 : 1;
}

// A lock that outlived its process keeps a whole-file write lock out.
int Locks(const Paths& p) {
  int left = 0;
  for (const std::string& path : {p.Index(), p.Log()}) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    struct flock fl;
    std::memset(&fl, 0, sizeof(fl));
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;  // l_start 0, l_len 0: the whole file and beyond
    const bool whole = fd >= 0 && fcntl(fd, F_SETLK, &fl) == 0;
    if (!whole) std::cerr << path << ": " << std::strerror(errno) << "\n";
    if (fd >= 0) close(fd);
    // And the way the program itself asks for the file alone.
    std::unique_ptr<File> f;
    const bool exclusive = PosixEnv()->Open(path, OpenMode::kWriteExclusive, &f).ok();
    left += !whole + !exclusive;
  }
  std::printf("leftover_locks=%d\n", left);
  return left == 0 ? 0 : 1;
}

// Holds the index the way a writer does until killed, so that the lock
// check can be seen to fail from the other client.
int Hold(const Paths& p) {
  std::unique_ptr<File> f;
  if (!PosixEnv()->Open(p.Index(), OpenMode::kWriteExclusive, &f).ok()) return 1;
  std::printf("held\n");
  std::fflush(stdout);
  pause();
  return 0;
}

int Main(const std::vector<std::string>& a) {
  if (a.size() >= 3) {
    Paths p{a[1].ends_with("/") ? a[1] : a[1] + "/", a[2]};
    if (a[0] == "prepare" && a.size() == 5) return Prepare(p, a[3], a[4]);
    if (a[0] == "run" && a.size() == 10) {
      return Run(p, a[3], a[4], std::stoi(a[5]), std::stoi(a[6]), std::stoi(a[7]), std::stoi(a[8]),
                 static_cast<unsigned>(std::stoul(a[9])));
    }
    if (a[0] == "check" && a.size() >= 4) return Check(p, std::vector<std::string>(a.begin() + 3, a.end()));
    if (a[0] == "locks" && a.size() == 3) return Locks(p);
    if (a[0] == "hold" && a.size() == 3) return Hold(p);
  }
  std::cerr << "usage: see the top of tests/multihost/driver.cc\n";
  return 2;
}

}  // namespace
}  // namespace kiroq

int main(int argc, char** argv) { return kiroq::Main(std::vector<std::string>(argv + 1, argv + argc)); }
