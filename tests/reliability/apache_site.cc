#include "apache_site.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "storage/article_store.h"
#include "storage/board_files.h"

namespace kiroq {

namespace {

namespace fs = std::filesystem;

constexpr char kApache[] = "/usr/sbin/apache2";
constexpr char kModules[] = "/usr/lib/apache2/modules/";

// The repository: this file is tests/reliability/apache_site.cc in it.
fs::path RepoDir() { return fs::path(__FILE__).parent_path().parent_path().parent_path(); }

// The account Apache's workers run as when it is started by root.
bool WebUser(uid_t* uid, gid_t* gid) {
  for (const char* name : {"www-data", "nobody"}) {
    if (const passwd* pw = getpwnam(name)) {
      *uid = pw->pw_uid;
      *gid = pw->pw_gid;
      return true;
    }
  }
  return false;
}

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(addr);
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

int Connect(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// The standard output of a shell command.
std::string Capture(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
  pclose(p);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

}  // namespace

std::string ApacheSite::Missing() {
  if (access(kApache, X_OK) != 0) return std::string("apache2 is not installed (") + kApache + ")";
  for (const char* module : {"mod_cgid.so", "mod_mpm_event.so"}) {
    if (!fs::exists(std::string(kModules) + module)) return std::string("Apache has no ") + module;
  }
  if (!fs::exists(RepoDir() / "serve" / "conf.sh")) return "no serve/conf.sh at " + RepoDir().string();
  return std::string();
}

ApacheSite::ApacheSite() {
  chmod(root_.path().c_str(), 0755);  // the workers reach the site through it
  fs::create_directories(bbs() + "bbsdb");
  fs::create_directories(root_.path() + "site/www");
  fs::copy_file(KIROQ_EXE, bbs() + "kiroq.exe");
  chmod((bbs() + "kiroq.exe").c_str(), 0755);
}

ApacheSite::~ApacheSite() { Stop(); }

void ApacheSite::WriteSettings(const std::string& board, const std::string& text) const {
  root_.Write("site/bbs/" + board + ".ini", text);
}

void ApacheSite::AddArticle(const std::string& board, const IndexRecord& rec, const std::string& body) const {
  BoardFiles files(bbs(), board);
  EnsureDataFiles(PosixEnv(), files);
  std::unique_ptr<File> log, index;
  IndexRecord r = rec;
  PosixEnv()->Open(files.Log(), OpenMode::kWriteShared, &log);
  AppendBody(log.get(), body, &r.body_start, &r.body_end);
  log.reset();
  PosixEnv()->Open(files.Index(), OpenMode::kWriteExclusive, &index);
  int position = 0;
  AppendRecord(index.get(), r, &position);
}

bool ApacheSite::Start(std::string* error) {
  uid_t uid;
  gid_t gid;
  if (geteuid() == 0 && WebUser(&uid, &gid)) {
    for (const auto& entry : fs::recursive_directory_iterator(bbs() + "bbsdb")) {
      if (chown(entry.path().c_str(), uid, gid) != 0) *error = "chown failed";
    }
    if (chown((bbs() + "bbsdb").c_str(), uid, gid) != 0) *error = "chown failed";
  }
  port_ = FreePort();
  const std::string run = root_.path() + "run";
  const std::string conf = Capture("bash " + Quoted((RepoDir() / "serve" / "conf.sh").string()) + " apache " +
                                   Quoted(root_.path() + "site") + " " + Quoted(run) + " " + std::to_string(port_));
  if (conf.empty() || !fs::exists(conf)) {
    *error = "serve/conf.sh wrote no configuration";
    return false;
  }
  // Its own process group, so that a server that ignores SIGTERM can be
  // ended with all its workers.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string console = run + "/console.log";
  posix_spawn_file_actions_addopen(&actions, 1, console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  std::vector<std::string> words = {kApache, "-f", conf, "-DFOREGROUND"};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  char* envp[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr};
  int rc = posix_spawn(&pid_, kApache, &actions, &attr, argv.data(), envp);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    *error = "apache2 did not start";
    return false;
  }
  for (int i = 0; i < 100; ++i) {
    int fd = Connect(port_);
    if (fd >= 0) {
      close(fd);
      return true;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  *error = "Apache does not answer on port " + std::to_string(port_) + ":\n" + ErrorLog();
  Stop();
  return false;
}

void ApacheSite::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  kill(-pid_, SIGKILL);
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string ApacheSite::ErrorLog() const { return root_.Read("run/error.log") + root_.Read("run/console.log"); }

HttpResponse Http(int port, const std::string& method, const std::string& target, const std::string& content_type,
                  const std::string& body) {
  HttpResponse r;
  int fd = Connect(port);
  if (fd < 0) {
    r.error = "no connection";
    return r;
  }
  timeval timeout{30, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
  std::string request = method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  request += "Referer: http://127.0.0.1/bbs/kiroq.exe\r\nUser-Agent: Mozilla/5.0 (kiroq load test)\r\n";
  if (!content_type.empty()) request += "Content-Type: " + content_type + "\r\n";
  if (method == "POST") request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  request += "\r\n" + body;
  for (std::size_t done = 0; done < request.size();) {
    ssize_t n = send(fd, request.data() + done, request.size() - done, MSG_NOSIGNAL);
    if (n <= 0) {
      r.error = "send failed";
      close(fd);
      return r;
    }
    done += static_cast<std::size_t>(n);
  }
  std::string response;
  char buf[65536];
  for (;;) {
    ssize_t n = recv(fd, buf, sizeof(buf), 0);
    if (n < 0) r.error = "receive failed or timed out";
    if (n <= 0) break;
    response.append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  std::size_t end = response.find("\r\n\r\n");
  if (response.rfind("HTTP/1.", 0) != 0 || end == std::string::npos) {
    if (r.error.empty()) r.error = "no HTTP response";
    return r;
  }
  r.status = std::atoi(response.c_str() + 9);
  r.head = response.substr(0, end);
  r.body = response.substr(end + 4);
  return r;
}

}  // namespace kiroq
