// The memory of whole CGI processes: the peak resident set (wait4) and the
// processor time of the pages that read many records or bodies, at page
// size 1,000, and the memory held by clients that stop reading. Prints
// figures; never fails on them.
//
//   memory_bench FOLDER RUNS BOARD... [--long-line] [--stalled CLIENTS QUERY...]
//
// FOLDER holds kiroq.exe and the boards made by make_threads. For every
// BOARD: the title list, the thread index, the article with the largest
// body, the article list, the thread with the most bytes among the newest
// threads, and a search for a word nearly every body holds; each RUNS
// times (largest rss, median processor time). --long-line: the article and
// thread pages of boards whose one body is a single 5 MB line
// (LongLineRows). --stalled starts CLIENTS
// requests of each QUERY at once with their standard output on a pipe
// nobody reads, waits until they stop moving, and prints the resident
// memory they hold together and whether a writer could lock the board's
// files meanwhile.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cgi_run.h"

namespace {

using namespace bench;

struct Record {
  int parent = 0, children = 0;
  int32_t start = 0, end = -1;
  bool deleted = false;
};

std::vector<Record> ReadIndex(const std::string& folder, const std::string& board) {
  std::vector<Record> recs;
  std::ifstream in(folder + "/bbsdb/" + board + ".idx", std::ios::binary);
  std::string rec(1267, '\0');
  while (in.read(rec.data(), 1267)) {
    auto int32 = [&](int at) {
      const auto* b = reinterpret_cast<const unsigned char*>(rec.data()) + at;
      return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
    };
    recs.push_back({int32(451), int32(859), int32(443), int32(447), rec[0] != 0});
  }
  return recs;
}

// Bytes of the bodies of the thread that starts at position top (children
// lists only, as far as they reach).
long long ThreadBytes(const std::vector<Record>& recs, int top) {
  long long bytes = 0;
  std::vector<int> todo = {top};
  std::vector<char> seen(recs.size(), 0);
  while (!todo.empty()) {
    const int p = todo.back();
    todo.pop_back();
    if (p < 0 || p >= static_cast<int>(recs.size()) || seen[static_cast<std::size_t>(p)]) continue;
    seen[static_cast<std::size_t>(p)] = 1;
    bytes += recs[static_cast<std::size_t>(p)].end - recs[static_cast<std::size_t>(p)].start + 1;
    for (int q = p + 1; q < static_cast<int>(recs.size()); ++q) {
      if (recs[static_cast<std::size_t>(q)].parent == p + 1) todo.push_back(q);
    }
  }
  return bytes;
}

void Measure(const std::string& folder, int runs, const std::string& label, const std::string& query,
             const std::string& body = "") {
  const std::vector<std::string> env = CgiEnvironment(folder, query, body);
  // The page is counted, not kept: a child forked from a large driver
  // would count the driver's memory in its maximum resident set.
  Result first = Run({folder + "/kiroq.exe"}, env, body, folder, false);
  const bool ok = WIFEXITED(first.status) && WEXITSTATUS(first.status) == 0;
  long rss = first.max_rss_kb;
  std::vector<double> cpu, wall;
  for (int i = 0; i < runs; ++i) {
    Result r = Run({folder + "/kiroq.exe"}, env, body, folder, false);
    rss = std::max(rss, r.max_rss_kb);
    cpu.push_back(r.cpu_ms);
    wall.push_back(r.ms);
  }
  std::sort(cpu.begin(), cpu.end());
  std::sort(wall.begin(), wall.end());
  std::printf("%-28s %-22s %11zu %8.1f %8.2f %8.2f%s\n", label.c_str(), query.c_str(), first.bytes,
              static_cast<double>(rss) / 1024.0, cpu[cpu.size() / 2], wall[wall.size() / 2],
              ok ? "" : "  (the program failed!)");
  std::fflush(stdout);
}

long StatusKb(pid_t pid, const char* key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
  }
  return 0;
}

// True when a writer could lock all of path right now.
bool Lockable(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR);
  if (fd < 0) return false;
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  const bool free = fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type == F_UNLCK;
  close(fd);
  return free;
}

void Stalled(const std::string& folder, int clients, const std::string& query) {
  const std::string board = query.substr(0, query.find('+'));
  std::vector<std::string> env = CgiEnvironment(folder, query, "");
  std::vector<std::string> argv = {folder + "/kiroq.exe"};
  std::vector<char*> args = Pointers(argv), vars = Pointers(env);
  std::vector<pid_t> pids;
  std::vector<int> pipes;
  for (int i = 0; i < clients; ++i) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) std::abort();
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      const int null = open("/dev/null", O_RDONLY);
      dup2(null, 0);
      if (chdir(folder.c_str()) != 0) _exit(126);
      execve(args[0], args.data(), vars.data());
      _exit(127);
    }
    close(out[1]);
    pipes.push_back(out[0]);
    pids.push_back(pid);
  }
  // Stopped when the resident sets hold still for half a second (the pipes
  // are full), or after 20 seconds.
  long total = -1, exited = 0;
  for (int tick = 0; tick < 200; ++tick) {
    usleep(100 * 1000);
    long now = 0;
    for (pid_t pid : pids) now += StatusKb(pid, "VmRSS:");
    if (now == total && tick >= 5) break;
    total = now;
  }
  long peak = 0;
  for (pid_t pid : pids) {
    peak += StatusKb(pid, "VmHWM:");
    int status;
    if (waitpid(pid, &status, WNOHANG) == pid) ++exited;
  }
  const bool idx_free = Lockable(folder + "/bbsdb/" + board + ".idx");
  const bool log_free = Lockable(folder + "/bbsdb/" + board + ".log");
  std::printf(
      "%d clients that stop reading, %-22s resident %8.1f MB (peaks %8.1f MB), %ld ended; a writer %s lock "
      "the index, %s lock the log\n",
      clients, query.c_str(), static_cast<double>(total) / 1024.0, static_cast<double>(peak) / 1024.0, exited,
      idx_free ? "can" : "cannot", log_free ? "can" : "cannot");
  std::fflush(stdout);
  for (pid_t pid : pids) kill(pid, SIGKILL);
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
  for (int fd : pipes) close(fd);
}

// Boards whose one article is a single line of about 5 MB, posted through
// the program: markup allowed (USEHTMLTAG), addresses linked
// (URLLINKCONVERT), and the romaji view with linked addresses. The line
// mixes what each conversion looks at: markup, addresses, romaji, entities
// (a quote becomes six bytes) and double-byte characters.
void LongLineRows(const std::string& folder, int runs) {
  const std::string unit =
      "\"'<b>\"&'</b>\"' http://example.jp/a?b=1&c=\"2\" kyouha www.example.jp \x82\xa0\x83\x41 <A HREF=\"x\">tsu</a> ";
  std::string line;
  while (line.size() + unit.size() < 5200000) line += unit;
  struct Board {
    const char* name;
    const char* label;
    const char* settings;
    std::vector<int> actions;
    bool one_address = false;  // the line is one address: no cut is possible
  } boards[] = {{"lineh", "USEHTMLTAG", "USEHTMLTAG=1\r\n", {3, 12}},
                {"lineu", "URLLINKCONVERT", "URLLINKCONVERT=1\r\n", {3, 12}},
                {"liner", "ROMA+URLLINKCONVERT", "ROMA=1\r\nURLLINKCONVERT=1\r\n", {5, 12}},
                {"linea", "URLLINKCONVERT, one address", "URLLINKCONVERT=1\r\n", {3}, true}};
  std::printf("-- one article whose body is a single line of %.1f MB\n", static_cast<double>(line.size()) / 1e6);
  // Posted first, the line let go, then measured: a child forked from a
  // driver holding the line would count it in its own maximum.
  std::vector<bool> stored;
  for (const Board& b : boards) {
    const std::string name = b.name;
    std::remove((folder + "/bbsdb/" + name + ".idx").c_str());
    std::remove((folder + "/bbsdb/" + name + ".log").c_str());
    {
      std::ofstream ini(folder + "/" + name + ".ini", std::ios::binary);
      ini << "JAPANESE=1\r\n" << b.settings;
    }
    const std::string post =
        Part("NAME", "bench") + Part("TITLE", "long line") + Part("PASSWORD", "pw") +
        Part("CONTENT", b.one_address ? "http://example.jp/?" + std::string(line.size(), '"') : line) + "--" +
        kBoundary + "--\r\n";
    Run({folder + "/kiroq.exe"}, CgiEnvironment(folder, name + "+10+0+9", post), post, folder, false);
    stored.push_back(FileSize(folder + "/bbsdb/" + name + ".idx") == 1267);
  }
  std::string().swap(line);
  for (std::size_t k = 0; k < std::size(boards); ++k) {
    const Board& b = boards[k];
    if (!stored[k]) {
      std::printf("%s: the post was not stored\n", b.name);
      continue;
    }
    for (int action : b.actions) {
      Measure(folder, runs, std::to_string(action) + " 5 MB line, " + b.label,
              std::string(b.name) + "+10+1+" + std::to_string(action));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s FOLDER RUNS BOARD... [--stalled CLIENTS QUERY...]\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const int runs = std::max(1, std::atoi(argv[2]));
  int i = 3;
  std::printf(
      "page size 1000; rss = the largest maximum resident set of %d runs (wait4), cpu = median user +\n"
      "system ms, wall = median ms from fork to exit\n",
      runs + 1);
  std::printf("%-28s %-22s %11s %8s %8s %8s\n", "request", "query", "page bytes", "rss MB", "cpu ms", "wall ms");
  for (; i < argc && std::string(argv[i]) != "--stalled"; ++i) {
    const std::string b = argv[i];
    if (b == "--long-line") {
      LongLineRows(folder, runs);
      continue;
    }
    const std::vector<Record> recs = ReadIndex(folder, b);
    const int count = static_cast<int>(recs.size());
    if (count == 0) continue;
    // The largest body; the thread top (among the newest hundred) with the
    // most bytes.
    int largest = 0, thread = 0;
    long long thread_bytes = -1;
    for (int p = 0; p < count; ++p) {
      const Record& r = recs[static_cast<std::size_t>(p)];
      const Record& l = recs[static_cast<std::size_t>(largest)];
      if (!r.deleted && r.end - r.start > l.end - l.start) largest = p;
    }
    int tops = 0;
    for (int p = count - 1; p >= 0 && tops < 100; --p) {
      if (recs[static_cast<std::size_t>(p)].parent != 0 || recs[static_cast<std::size_t>(p)].children == 0) continue;
      ++tops;
      const long long bytes = ThreadBytes(recs, p);
      if (bytes > thread_bytes) thread_bytes = bytes, thread = p;
    }
    const std::string base = b + "+1000+";
    std::printf("-- board %s: %d articles, log %.1f MB\n", b.c_str(), count,
                static_cast<double>(FileSize(folder + "/bbsdb/" + b + ".log")) / 1048576.0);
    Measure(folder, runs, "1 title list", base + "0+1");
    Measure(folder, runs, "2 thread index", base + "0+2");
    Measure(folder, runs, "3 the largest article", base + std::to_string(largest + 1) + "+3");
    Measure(folder, runs, "11 article list", base + "0+11");
    Measure(folder, runs, "12 the largest thread", base + std::to_string(thread + 1) + "+12");
    Measure(folder, runs, "10 search, most bodies hit", base + "0+10",
            Part("SEARCHWORD", "board") + "--" + kBoundary + "--\r\n");
  }
  if (i + 2 < argc) {
    const int clients = std::max(1, std::atoi(argv[i + 1]));
    for (int k = i + 2; k < argc; ++k) Stalled(folder, clients, argv[k]);
  }
  return 0;
}
