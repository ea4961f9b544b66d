// Running a CGI program as a web server does, for the benchmark drivers
// (cgi_bench, load_bench): fork and exec with a CGI environment, the body on
// standard input, the page read from a pipe; and the requests they send to
// the boards that make_threads writes.
#ifndef KIROQ_BENCH_CGI_RUN_H_
#define KIROQ_BENCH_CGI_RUN_H_

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

inline double NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Result {
  std::string output;     // when kept
  std::size_t bytes = 0;  // of output, kept or not
  double ms = 0;
  long max_rss_kb = 0;
  double cpu_ms = 0;  // user + system time of the process
  int status = 0;
};

inline std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (std::string& s : strings) p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

// Runs argv in folder with env, feeds body to its standard input and reads
// its standard output to the end, as a CGI server does.
inline Result Run(std::vector<std::string> argv, std::vector<std::string> env, const std::string& body,
                  const std::string& folder, bool keep) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) std::abort();
  std::vector<char*> args = Pointers(argv), vars = Pointers(env);
  Result r;
  const double start = NowMs();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execve(args[0], args.data(), vars.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  std::size_t sent = 0;
  if (body.empty()) {
    close(in[1]);
    in[1] = -1;
  }
  char buf[1 << 16];
  for (;;) {
    pollfd fds[2] = {{out[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
    if (poll(fds, in[1] >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      std::abort();
    }
    if (in[1] >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t w = write(in[1], body.data() + sent, body.size() - sent);
      if (w > 0) sent += static_cast<std::size_t>(w);
      if (w < 0 && errno != EAGAIN) sent = body.size();
      if (sent == body.size()) {
        close(in[1]);
        in[1] = -1;
      }
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t n = read(out[0], buf, sizeof(buf));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      r.bytes += static_cast<std::size_t>(n);
      if (keep) r.output.append(buf, static_cast<std::size_t>(n));
    }
  }
  if (in[1] >= 0) close(in[1]);
  close(out[0]);
  rusage usage;
  while (wait4(pid, &r.status, 0, &usage) < 0 && errno == EINTR) {
  }
  r.ms = NowMs() - start;
  r.max_rss_kb = usage.ru_maxrss;
  r.cpu_ms = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  return r;
}

inline uint64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

inline constexpr char kBoundary[] = "----benchBoundary7e3f";

// The environment a CGI server gives the program for query (a GET, or a
// multipart POST of body), in folder.
inline std::vector<std::string> CgiEnvironment(const std::string& folder, const std::string& query,
                                               const std::string& body) {
  std::vector<std::string> env = {"GATEWAY_INTERFACE=CGI/1.1",
                                  "QUERY_STRING=" + query,
                                  std::string("REQUEST_METHOD=") + (body.empty() ? "GET" : "POST"),
                                  "SERVER_NAME=127.0.0.1",
                                  "SERVER_PORT=80",
                                  "SCRIPT_NAME=/bbs/kiroq.exe",
                                  "SCRIPT_FILENAME=" + folder + "/kiroq.exe",
                                  "REMOTE_ADDR=127.0.0.1",
                                  "HTTP_USER_AGENT=Mozilla/5.0 (X11; Linux x86_64) bench",
                                  "PATH=/usr/bin:/bin"};
  if (!body.empty()) {
    env.push_back(std::string("CONTENT_TYPE=multipart/form-data; boundary=") + kBoundary);
    env.push_back("CONTENT_LENGTH=" + std::to_string(body.size()));
  }
  return env;
}

inline std::string Part(const std::string& name, const std::string& value) {
  return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value +
         "\r\n";
}

inline std::string PostBody(int k) {
  return Part("NAME", "\x83\x78\x83\x93\x83\x60") + Part("EMAIL", "bench@example.com") +
         Part("TITLE", "bench post " + std::to_string(k)) + Part("PASSWORD", "pw") +
         Part("CONTENT",
              "\x82\xb1\x82\xea\x82\xcd\x83\x78\x83\x93\x83\x60\x83\x7d\x81\x5b\x83\x4e\x82\xcc\x93\x8a\x8d\x65\x82"
              "\xc5\x82\xb7\x81\x42\r\nsecond line\r\nthird line") +
         std::string("--") + kBoundary + "--\r\n";
}

inline int ArticleCount(const std::string& folder, const std::string& board) {
  return static_cast<int>(FileSize(folder + "/bbsdb/" + board + ".idx") / 1267);
}

// The newest thread top that has replies (its parent field is 0 and its
// child count is not), for the thread page.
inline int NewestThreadWithReplies(const std::string& folder, const std::string& board) {
  const std::string path = folder + "/bbsdb/" + board + ".idx";
  const int count = ArticleCount(folder, board);
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return 1;
  unsigned char rec[1267];
  int found = 1;
  for (int k = count - 1; k >= 0; --k) {
    if (pread(fd, rec, sizeof(rec), static_cast<off_t>(k) * 1267) != static_cast<ssize_t>(sizeof(rec))) break;
    auto int32 = [&](int at) { return rec[at] | rec[at + 1] << 8 | rec[at + 2] << 16 | rec[at + 3] << 24; };
    if (rec[0] == 0 && int32(451) == 0 && int32(859) >= 3) {
      found = k + 1;
      break;
    }
  }
  close(fd);
  return found;
}

}  // namespace bench

#endif  // KIROQ_BENCH_CGI_RUN_H_
