// Times requests under concurrent load: W clients each start the program
// for a request again and again (the next the moment the last one's page
// has been read) for a few seconds, as a busy web server would; and the
// floor program the same way, each client writing pages of the same sizes,
// in turns with the program (ten of each, which goes first alternating).
// Prints the requests per second and the median, 99th percentile and
// largest latency (fork to exit) of each, and the pages that failed (exit
// status, no CGI header, a busy notice). With KIROQ_LOCK_LOG the program
// logs each data file it closes; the hold of each file and mode is printed
// too. Prints figures; never fails on them.
//
//   load_bench FOLDER SECONDS W[,W...] BOARD [EXE]
//
// FOLDER holds EXE (default kiroq.exe), floor and the board made by
// make_threads with its NEWPOSTSORT twin BOARD + "s". The cases: actions 1,
// 2 (both orders), 3, 11 and 12 alone, and a mix of eight readers (actions
// 1, 2, 3, 11 and 12 in turn) and two posters (the mix ignores W). Posts are
// undone after the mix: the log and the index are cut back to their sizes.
#include <signal.h>
#include <strings.h>
#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cgi_run.h"

namespace {

using namespace bench;

// One kind of request a client sends.
struct Request {
  std::string label;
  std::string query;
  std::string body;            // multipart, or empty for a GET
  std::size_t page_bytes = 0;  // of the program's page, for the floor
};

// A client's requests, sent in turn.
using Client = std::vector<Request>;

struct Sample {
  std::vector<double> ms;
  int failed = 0;
  double seconds = 0;
};

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  std::size_t at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(at, v.size() - 1)];
}

std::vector<std::string> CgiEnv(const Request& r, const std::string& folder, const std::string& lock_log) {
  std::vector<std::string> env = CgiEnvironment(folder, r.query, r.body);
  if (!lock_log.empty()) env.push_back("KIROQ_LOCK_LOG=" + lock_log);
  return env;
}

// A page that a client under load must never see.
bool Failed(const Result& r) {
  if (!WIFEXITED(r.status) || WEXITSTATUS(r.status) != 0) return true;
  if (strncasecmp(r.output.c_str(), "content-type:", 13) != 0) return true;
  static const std::string_view kBusy[] = {
      "Server Busy",
      "\x83\x49\x81\x5b\x83\x76\x83\x93\x8f\x6f\x97\x88\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd",  // could not
                                                                                                           // open
      "\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xaa\x8d\x73\x82\xa6\x82\xdc\x82\xb9\x82\xf1",  // could not write
      "Don't open"};
  for (std::string_view b : kBusy) {
    if (r.output.find(b) != std::string::npos) return true;
  }
  return false;
}

// Runs the clients at once for seconds; program is the program file, or
// the floor when floor is set.
Sample Drive(const std::vector<Client>& clients, const std::string& folder, const std::string& program, bool floor,
             double seconds, const std::string& lock_log) {
  std::mutex mu;
  Sample all;
  const double start = NowMs(), end = start + seconds * 1000;
  std::vector<std::thread> threads;
  for (std::size_t c = 0; c < clients.size(); ++c) {
    threads.emplace_back([&, c] {
      std::vector<double> mine;
      int failed = 0;
      std::vector<std::vector<std::string>> envs;
      for (const Request& r : clients[c]) {
        envs.push_back(CgiEnv(r, folder, floor ? "" : lock_log));
        if (floor) envs.back().push_back("FLOOR_BYTES=" + std::to_string(r.page_bytes));
      }
      for (std::size_t k = c; NowMs() < end; ++k) {
        const std::size_t i = k % clients[c].size();
        // Both pages are kept and looked at, so that the driver's own work,
        // which shares the cores, is the same for the program and the floor.
        Result res = Run({program}, envs[i], clients[c][i].body, folder, true);
        mine.push_back(res.ms);
        if (Failed(res) && !floor) ++failed;
      }
      std::lock_guard<std::mutex> lock(mu);
      all.ms.insert(all.ms.end(), mine.begin(), mine.end());
      all.failed += failed;
    });
  }
  for (std::thread& t : threads) t.join();
  all.seconds = (NowMs() - start) / 1000;
  return all;
}

// The holds that KIROQ_LOCK_LOG recorded: "PATH MODE WAIT_US HOLD_US".
void PrintHolds(const std::string& lock_log) {
  FILE* f = std::fopen(lock_log.c_str(), "r");
  if (!f) return;
  static const char* const kModes[] = {"read-excl", "write-excl", "read-shared", "write-shared", "create"};
  std::map<std::string, std::pair<std::vector<double>, std::vector<double>>> by_file;  // waits, holds (ms)
  char path[4096];
  int mode;
  long long wait_us, hold_us;
  while (std::fscanf(f, "%4095s %d %lld %lld", path, &mode, &wait_us, &hold_us) == 4) {
    std::string name = path;
    name = name.substr(name.rfind('/') + 1);
    if (mode >= 0 && mode < 5) name += std::string(" ") + kModes[mode];
    by_file[name].first.push_back(static_cast<double>(wait_us) / 1000);
    by_file[name].second.push_back(static_cast<double>(hold_us) / 1000);
  }
  std::fclose(f);
  std::remove(lock_log.c_str());
  for (const auto& [name, times] : by_file) {
    const auto& [waits, holds] = times;
    std::printf("    %-26s %6zu opens  hold p50 %6.2f p99 %6.2f max %6.2f  wait p50 %6.2f p99 %6.2f max %6.2f\n",
                name.c_str(), holds.size(), Percentile(holds, 0.5), Percentile(holds, 0.99), Percentile(holds, 1.0),
                Percentile(waits, 0.5), Percentile(waits, 0.99), Percentile(waits, 1.0));
  }
}

// The program and the floor in ten turns of a tenth of seconds each, the
// one going first changing every turn, so that a change in what else the
// machine does meets both alike.
void DriveBoth(const std::vector<Client>& clients, const std::string& folder, const std::string& program,
               const std::string& floor, double seconds, const std::string& lock_log, Sample* k, Sample* f) {
  constexpr int kTurns = 10;
  for (int turn = 0; turn < kTurns; ++turn) {
    for (bool is_floor : {turn % 2 == 1, turn % 2 == 0}) {
      Sample part = Drive(clients, folder, is_floor ? floor : program, is_floor, seconds / kTurns, lock_log);
      Sample* into = is_floor ? f : k;
      into->ms.insert(into->ms.end(), part.ms.begin(), part.ms.end());
      into->failed += part.failed;
      into->seconds += part.seconds;
    }
  }
}

void PrintRow(const std::string& label, int workers, const Sample& k, const Sample& f) {
  const double k_rate = static_cast<double>(k.ms.size()) / k.seconds,
               f_rate = static_cast<double>(f.ms.size()) / f.seconds;
  const double k99 = Percentile(k.ms, 0.99), f99 = Percentile(f.ms, 0.99);
  std::printf("%-26s %3d %7.0f %6.2f %6.2f %7.2f | %7.0f %6.2f %6.2f %7.2f | %5.2f %5.2f %6d\n", label.c_str(), workers,
              k_rate, Percentile(k.ms, 0.5), k99, Percentile(k.ms, 1.0), f_rate, Percentile(f.ms, 0.5), f99,
              Percentile(f.ms, 1.0), k_rate / f_rate, k99 / f99, k.failed);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s FOLDER SECONDS W[,W...] BOARD [EXE]\n", argv[0]);
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);  // a program that stops reading its body early
  const std::string folder = argv[1];
  const double seconds = std::atof(argv[2]);
  std::vector<int> widths;
  for (const char* p = argv[3]; *p;) {
    widths.push_back(std::max(1, std::atoi(p)));
    while (*p && *p != ',') ++p;
    if (*p == ',') ++p;
  }
  const std::string board = argv[4];
  const std::string program = folder + "/" + (argc > 5 ? argv[5] : "kiroq.exe");
  const std::string floor = folder + "/floor";
  const std::string lock_log = folder + "/locks.log";
  const int count = ArticleCount(folder, board);

  auto page = [&](const std::string& label, const std::string& query) {
    Request r{label, query, "", 0};
    Result first = Run({program}, CgiEnv(r, folder, ""), "", folder, true);
    r.page_bytes = first.output.size();
    return r;
  };
  const std::vector<Request> pages = {
      page("1 title list", board + "+10+0+1"),
      page("2 threads, date order", board + "+10+0+2"),
      page("2 threads, NEWPOSTSORT", board + "s+10+0+2"),
      page("3 one article", board + "+10+" + std::to_string(count / 2) + "+3"),
      page("11 article list", board + "+10+0+11"),
      page("12 thread", board + "+10+" + std::to_string(NewestThreadWithReplies(folder, board)) + "+12"),
  };

  std::printf(
      "%s: %d articles; %.0f s per row, each client starting its next request when its page is read;\n"
      "ms from fork to exit; \"rate\" and \"p99\" = program / floor\n",
      board.c_str(), count, seconds);
  std::printf("%-26s %3s %7s %6s %6s %7s | %7s %6s %6s %7s | %5s %5s %6s\n", "request", "W", "req/s", "p50", "p99",
              "max", "floor/s", "p50", "p99", "max", "rate", "p99", "failed");
  std::remove(lock_log.c_str());
  for (int w : widths) {
    for (const Request& r : pages) {
      const std::vector<Client> clients(static_cast<std::size_t>(w), Client{r});
      Sample k, f;
      DriveBoth(clients, folder, program, floor, seconds, lock_log, &k, &f);
      PrintRow(r.label, w, k, f);
      PrintHolds(lock_log);
    }
  }

  // Eight readers, each going through the pages in turn from a different
  // one, and two posters.
  const std::string idx = folder + "/bbsdb/" + board + ".idx", log = folder + "/bbsdb/" + board + ".log";
  const uint64_t idx_size = FileSize(idx), log_size = FileSize(log);
  Request post{"9 post", board + "+10+0+9", PostBody(1), 0};
  {
    Result first = Run({program}, CgiEnv(post, folder, ""), post.body, folder, true);
    post.page_bytes = first.output.size();
  }
  std::vector<Client> mix;
  for (int c = 0; c < 8; ++c) {
    Client readers;
    for (std::size_t i = 0; i < pages.size(); ++i) readers.push_back(pages[(i + c) % pages.size()]);
    mix.push_back(readers);
  }
  mix.push_back({post});
  mix.push_back({post});
  // In turns like the other rows; the posts are undone after each turn.
  Sample k, f;
  long posts = 0;
  constexpr int kTurns = 10;
  for (int turn = 0; turn < kTurns; ++turn) {
    for (bool is_floor : {turn % 2 == 1, turn % 2 == 0}) {
      Sample part = Drive(mix, folder, is_floor ? floor : program, is_floor, seconds / kTurns, lock_log);
      Sample* into = is_floor ? &f : &k;
      into->ms.insert(into->ms.end(), part.ms.begin(), part.ms.end());
      into->failed += part.failed;
      into->seconds += part.seconds;
      if (is_floor) continue;
      posts += static_cast<long>((FileSize(idx) - idx_size) / 1267);
      if (truncate(idx.c_str(), static_cast<off_t>(idx_size)) != 0 ||
          truncate(log.c_str(), static_cast<off_t>(log_size)) != 0) {
        std::perror("truncate");
        return 1;
      }
    }
  }
  PrintRow("mix: 8 readers, 2 posters", 10, k, f);
  PrintHolds(lock_log);
  std::printf("    posts stored during the mix: %ld (undone)\n", posts);
  return 0;
}
