// Times whole CGI processes: kiroq.exe started as a web server starts it
// (fork and exec, the CGI environment, the body on standard input, the page
// read from a pipe) next to the floor program writing a page of the same
// size. Prints the median wall time of each, their ratio and the peak
// memory (maximum resident set from wait4) of every request. Prints
// figures; never fails on them.
//
//   cgi_bench FOLDER RUNS BOARD... [--search BOARD KEYWORD_HEX HITS]
//   cgi_bench FOLDER RUNS --link QUERY EXE:FLOOR...
//
// The second form times one request with each program file EXE in FOLDER
// against the floor program FLOOR there (the link modes).
//
// FOLDER holds kiroq.exe, floor and the boards made by make_threads (each
// BOARD with its NEWPOSTSORT twin BOARD + "s" and its USEFEED twin BOARD +
// "f"). Runs of the program and of
// the floor alternate, after one warm-up run of each, so both see the same
// page cache and the same load. Posts are undone after every run: the log
// and the index are cut back to their sizes before it.
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cgi_run.h"

namespace {

using namespace bench;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return out;
}

struct Case {
  std::string label;
  std::string exe = "kiroq.exe";  // in the folder
  std::string floor = "floor";
  std::string board;  // whose files a post changes
  std::string query;
  std::string body;                  // multipart, or empty for a GET
  bool post = false;                 // undo what the run stored
  std::vector<std::string> compare;  // instead of the floor: this command
  std::string compare_label = "floor";
};

// Undoes a post: the log and the index back to their sizes before it.
struct Restore {
  std::string idx, log;
  uint64_t idx_size = 0, log_size = 0;
  void Save() {
    idx_size = FileSize(idx);
    log_size = FileSize(log);
  }
  void Apply() const {
    if (truncate(idx.c_str(), static_cast<off_t>(idx_size)) != 0 ||
        truncate(log.c_str(), static_cast<off_t>(log_size)) != 0) {
      std::perror("truncate");
      std::exit(1);
    }
  }
};

// Returns the first run's page.
std::string Measure(const Case& c, const std::string& folder, int runs) {
  const std::string exe = folder + "/" + c.exe;
  const std::vector<std::string> env = CgiEnvironment(folder, c.query, c.body);
  Restore restore{folder + "/bbsdb/" + c.board + ".idx", folder + "/bbsdb/" + c.board + ".log"};
  const bool post = c.post;
  if (post) restore.Save();

  Result first = Run({exe}, env, c.body, folder, true);
  if (post) restore.Apply();
  const std::size_t page = first.output.size();
  const bool ok = WIFEXITED(first.status) && WEXITSTATUS(first.status) == 0 &&
                  strncasecmp(first.output.c_str(), "content-type:", 13) == 0;

  std::vector<std::string> compare = c.compare;
  std::vector<std::string> compare_env = env;
  if (compare.empty()) {
    compare = {folder + "/" + c.floor};
    compare_env.push_back("FLOOR_BYTES=" + std::to_string(page));
  }
  Run(compare, compare_env, c.body, folder, false);

  std::vector<double> t_kiroq, t_compare;
  long rss = 0, compare_rss = 0;
  for (int i = 0; i < runs; ++i) {
    Result k = Run({exe}, env, c.body, folder, false);
    if (post) restore.Apply();
    Result f = Run(compare, compare_env, c.body, folder, false);
    t_kiroq.push_back(k.ms);
    t_compare.push_back(f.ms);
    rss = std::max(rss, k.max_rss_kb);
    compare_rss = std::max(compare_rss, f.max_rss_kb);
  }
  const double k = Median(t_kiroq), f = Median(t_compare);
  // The fastest runs too: on a shared machine they show the cost with the
  // least interference.
  const double k_min = *std::min_element(t_kiroq.begin(), t_kiroq.end());
  const double f_min = *std::min_element(t_compare.begin(), t_compare.end());
  std::printf("%-34s %8zu %8.2f %8.2f %6.2f %6.2f %6.2f %5.2f %7.1f %6.1f  %s%s\n", c.label.c_str(), page, k, f, k / f,
              k_min, f_min, k_min / f_min, static_cast<double>(rss) / 1024.0, static_cast<double>(compare_rss) / 1024.0,
              c.compare_label.c_str(), ok ? "" : "  (the program failed!)");
  std::fflush(stdout);
  return first.output;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s FOLDER RUNS BOARD... [--search BOARD KEYWORD_HEX HITS]\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const int runs = std::max(1, std::atoi(argv[2]));
  if (std::string(argv[3]) == "--link" && argc >= 6) {
    std::printf("median of %d runs each; query %s\n", runs, argv[4]);
    std::printf("%-34s %8s %8s %8s %6s %6s %6s %5s %7s %6s  %s\n", "program", "bytes", "prog", "floor", "ratio", "min",
                "flrmin", "ratio", "rss MB", "flr MB", "floor program");
    for (int k = 5; k < argc; ++k) {
      const std::string pair = argv[k];
      const std::size_t colon = pair.find(':');
      Case c;
      c.exe = pair.substr(0, colon);
      c.floor = colon == std::string::npos ? "floor" : pair.substr(colon + 1);
      c.label = c.exe;
      c.query = argv[4];
      c.compare_label = c.floor;
      Measure(c, folder, runs);
    }
    return 0;
  }
  std::vector<std::string> boards;
  std::string search_board, keyword;
  int expected_hits = -1;
  int i = 3;
  for (; i < argc && std::string(argv[i]) != "--search"; ++i) boards.push_back(argv[i]);
  if (i + 3 < argc && std::string(argv[i]) == "--search") {
    search_board = argv[i + 1];
    keyword = FromHex(argv[i + 2]);
    expected_hits = std::atoi(argv[i + 3]);
  }

  std::printf(
      "wall ms from fork to exit: median of %d runs each, and the fastest run; rss = the largest maximum\n"
      "resident set of any run (wait4)\n",
      runs);
  std::printf("%-34s %8s %8s %8s %6s %6s %6s %5s %7s %6s  %s\n", "request", "bytes", "kiroq", "cmp", "ratio", "min",
              "cmpmin", "ratio", "rss MB", "cmp MB", "compared with");
  for (const std::string& b : boards) {
    const int count = ArticleCount(folder, b);
    const std::string size = std::to_string(count / 1000) + "k";
    std::printf("-- board %s: %d articles, index %.1f MB, log %.1f MB\n", b.c_str(), count,
                static_cast<double>(FileSize(folder + "/bbsdb/" + b + ".idx")) / 1048576.0,
                static_cast<double>(FileSize(folder + "/bbsdb/" + b + ".log")) / 1048576.0);
    auto page = [&](const std::string& label, const std::string& query) {
      Case c;
      c.label = label + " " + size;
      c.board = b;
      c.query = query;
      return c;
    };
    Case post = page("9 post", b + "+10+0+9");
    post.body = PostBody(1);
    post.post = true;
    const std::vector<Case> cases = {
        page("1 title list", b + "+10+0+1"),
        page("2 threads, date order", b + "+10+0+2"),
        page("2 threads, NEWPOSTSORT", b + "s+10+0+2"),
        page("2 threads, page 2", b + "+10+" + std::to_string(count * 9 / 10) + "+2"),
        page("3 one article", b + "+10+" + std::to_string(count / 2) + "+3"),
        page("11 article list", b + "+10+0+11"),
        page("12 thread", b + "+10+" + std::to_string(NewestThreadWithReplies(folder, b)) + "+12"),
        page("40 feed (USEFEED)", b + "f+10+0+40"),
        post,
    };
    for (const Case& c : cases) Measure(c, folder, runs);
  }
  if (!search_board.empty()) {
    const std::string body = Part("SEARCHWORD", keyword) + "--" + kBoundary + "--\r\n";
    const std::string idx = folder + "/bbsdb/" + search_board + ".idx",
                      log = folder + "/bbsdb/" + search_board + ".log";
    std::printf("-- search on %s: index %.1f MB, log %.1f MB\n", search_board.c_str(),
                static_cast<double>(FileSize(idx)) / 1048576.0, static_cast<double>(FileSize(log)) / 1048576.0);
    Case search;
    search.label = "10 search";
    search.board = search_board;
    search.query = search_board + "+10+0+10";
    search.body = body;
    search.compare = {folder + "/floor", "--read", idx, log};
    search.compare_label = "plain read of index and log";
    const std::string page = Measure(search, folder, runs);
    search.label = "10 search";
    search.compare.clear();
    search.compare_label = "floor";
    Measure(search, folder, runs);
    const std::string hit_line = "\x83\x71\x83\x62\x83\x67\x90\x94 [";  // "ヒット数 [" in Shift-JIS
    const std::size_t at = page.find(hit_line);
    const int hits = at == std::string::npos ? -1 : std::atoi(page.c_str() + at + hit_line.size());
    if (hits != expected_hits)
      std::printf("warning: the search found %d articles, the board holds %d\n", hits, expected_hits);
  }
  return 0;
}
