// Times a search request run as the real CGI process against the time of a
// process that only reads the board's index and log, and prints both with
// their ratio. Prints figures; never fails on them.
//
//   search_bench FOLDER BOARD KEYWORD_HEX EXPECTED_HITS RUNS
//
// FOLDER holds the board and a copy of kiroq.exe (the program finds its
// board beside itself). Each figure is the median of RUNS runs, after one
// warm-up run of each kind so that both read from the page cache.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (std::string& s : strings) p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

// Runs argv with env and body on standard input and returns its output, or
// sends the output to /dev/null when keep is not set; the wall time goes to
// *ms.
std::string Run(std::vector<std::string> argv, std::vector<std::string> env, const std::string& body, bool keep,
                double* ms) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) std::abort();
  const int null_fd = keep ? -1 : open("/dev/null", O_WRONLY);
  std::vector<char*> args = Pointers(argv), vars = Pointers(env);
  const double start = NowMs();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(keep ? out[1] : null_fd, 1);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    execve(args[0], args.data(), vars.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  if (null_fd >= 0) close(null_fd);
  std::size_t done = 0;
  while (done < body.size()) {
    ssize_t r = write(in[1], body.data() + done, body.size() - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<std::size_t>(r);
  }
  close(in[1]);
  std::string output;
  char buf[1 << 16];
  for (;;) {
    ssize_t r = read(out[0], buf, sizeof(buf));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    output.append(buf, static_cast<std::size_t>(r));
  }
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  *ms = NowMs() - start;
  return output;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return out;
}

// The plain reader: both files read to their end through a 128 KiB buffer.
int ReadFiles(int argc, char** argv) {
  static char buf[1 << 17];
  for (int i = 2; i < argc; ++i) {
    int fd = open(argv[i], O_RDONLY);
    if (fd < 0) return 1;
    while (read(fd, buf, sizeof(buf)) > 0) {
    }
    close(fd);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "--read") return ReadFiles(argc, argv);
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s FOLDER BOARD KEYWORD_HEX EXPECTED_HITS RUNS\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1], board = argv[2], keyword = FromHex(argv[3]);
  const int expected = std::atoi(argv[4]);
  const int runs = std::max(1, std::atoi(argv[5]));
  const std::string index = folder + "/bbsdb/" + board + ".idx", log = folder + "/bbsdb/" + board + ".log";

  const std::string boundary = "----benchBoundary7e3f";
  const std::string body = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"SEARCHWORD\"\r\n\r\n" +
                           keyword + "\r\n--" + boundary + "--\r\n";
  const std::vector<std::string> cgi_env = {"QUERY_STRING=" + board + "+10+0+10", "REQUEST_METHOD=POST",
                                            "CONTENT_TYPE=multipart/form-data; boundary=" + boundary,
                                            "CONTENT_LENGTH=" + std::to_string(body.size()), "REMOTE_ADDR=127.0.0.1"};
  const std::vector<std::string> search = {folder + "/kiroq.exe"};
  const std::vector<std::string> cat = {"/bin/cat", index, log};
  const std::vector<std::string> reader = {argv[0], "--read", index, log};

  // Warm-up, and a check that the search finds what the board holds.
  double ms = 0;
  std::string page = Run(search, cgi_env, body, true, &ms);
  const std::string hit_line = "\x83\x71\x83\x62\x83\x67\x90\x94 [";  // "ヒット数 [" in Shift-JIS
  std::size_t at = page.find(hit_line);
  int hits = at == std::string::npos ? -1 : std::atoi(page.c_str() + at + hit_line.size());
  if (hits != expected) std::printf("warning: the search reported %d hits, the board holds %d\n", hits, expected);
  Run(cat, {}, "", false, &ms);
  Run(reader, {}, "", false, &ms);

  std::vector<double> t_search, t_cat, t_reader;
  for (int i = 0; i < runs; ++i) {
    Run(search, cgi_env, body, false, &ms);
    t_search.push_back(ms);
    Run(cat, {}, "", false, &ms);
    t_cat.push_back(ms);
    Run(reader, {}, "", false, &ms);
    t_reader.push_back(ms);
  }
  const double s = Median(t_search), c = Median(t_cat), r = Median(t_reader);
  std::printf("hits %d, median of %d runs\n", hits, runs);
  std::printf("search (kiroq.exe, action 10)    %8.2f ms\n", s);
  std::printf("cat index log > /dev/null        %8.2f ms   search / cat    = %.2f\n", c, s / c);
  std::printf("plain read of index and log      %8.2f ms   search / read   = %.2f\n", r, s / r);
  std::printf("target: search <= 1.5 x the plain read\n");
  return 0;
}
