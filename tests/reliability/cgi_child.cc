#include "cgi_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace kiroq {

namespace {

using Clock = std::chrono::steady_clock;

// A child that leaves without reading its whole body must not end the test
// with SIGPIPE; the children themselves get the default back.
void IgnoreSigpipeOnce() {
  static std::once_flag once;
  std::call_once(once, [] { signal(SIGPIPE, SIG_IGN); });
}

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

std::string CgiResult::Describe() const {
  if (timed_out) return "timed out (killed)";
  if (signal != 0) return "killed by signal " + std::to_string(signal);
  return "exit code " + std::to_string(exit_code);
}

CgiChild::CgiChild(const std::string& program, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& env, std::string body)
    : body_(std::move(body)) {
  IgnoreSigpipeOnce();
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) std::abort();
  std::vector<std::string> env_strings;
  for (const auto& [k, v] : env) env_strings.push_back(k + "=" + v);
  std::vector<char*> argv, envp;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (std::string& e : env_strings) envp.push_back(e.data());
  envp.push_back(nullptr);
  // posix_spawn, not fork: copying the page tables of a large test process
  // (a sanitizer build maps terabytes of shadow memory) costs more than the
  // request itself.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);  // the copies lose close-on-exec
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  if (posix_spawn(&pid_, program.c_str(), &actions, &attr, argv.data(), envp.data()) != 0) std::abort();
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  in_fd_ = in[1];
  out_fd_ = out[0];
  SetNonBlocking(in_fd_);
  SetNonBlocking(out_fd_);
  // What fits in the pipe goes at once: a small body needs no pumping.
  ssize_t w = body_.empty() ? 0 : write(in_fd_, body_.data(), body_.size());
  if (w > 0) written_ = static_cast<std::size_t>(w);
  if (written_ == body_.size()) CloseInput();
}

CgiChild::~CgiChild() {
  if (!reaped_) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  CloseInput();
  if (out_fd_ >= 0) close(out_fd_);
}

void CgiChild::CloseInput() {
  if (in_fd_ >= 0) close(in_fd_);
  in_fd_ = -1;
}

void CgiChild::Kill(int sig) {
  if (!reaped_) kill(pid_, sig);
}

bool CgiChild::Pump(int ms) {
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
  char buf[65536];
  while (out_fd_ >= 0) {
    pollfd fds[2];
    int n = 0;
    fds[n++] = {out_fd_, POLLIN, 0};
    if (in_fd_ >= 0) fds[n++] = {in_fd_, POLLOUT, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left < 0) return false;
    int r = poll(fds, static_cast<nfds_t>(n), static_cast<int>(left));
    if (r < 0 && errno != EINTR) std::abort();
    if (r <= 0) continue;
    if (n == 2 && fds[1].revents != 0) {
      ssize_t w = write(in_fd_, body_.data() + written_, body_.size() - written_);
      if (w > 0) written_ += static_cast<std::size_t>(w);
      // EPIPE: the child will read no more of it.
      if ((w < 0 && errno != EAGAIN && errno != EINTR) || written_ == body_.size()) CloseInput();
    }
    if (fds[0].revents != 0) {
      ssize_t got = read(out_fd_, buf, sizeof(buf));
      if (got > 0) {
        out_.append(buf, static_cast<std::size_t>(got));
      } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        close(out_fd_);
        out_fd_ = -1;
      }
    }
  }
  return true;
}

bool CgiChild::StallOutput(int ms) {
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
  const int capacity = fcntl(out_fd_, F_GETPIPE_SZ);
  while (Clock::now() < until && out_fd_ >= 0) {
    if (in_fd_ >= 0) {
      ssize_t w = write(in_fd_, body_.data() + written_, body_.size() - written_);
      if (w > 0) written_ += static_cast<std::size_t>(w);
      if ((w < 0 && errno != EAGAIN && errno != EINTR) || written_ == body_.size()) CloseInput();
    }
    int pending = 0;
    if (ioctl(out_fd_, FIONREAD, &pending) == 0 && pending >= capacity) return true;
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_) {
      return false;  // it ended; Finish reaps it
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

CgiResult CgiChild::Finish(int timeout_ms) {
  CgiResult result;
  if (!Pump(timeout_ms)) {
    result.timed_out = true;
    kill(pid_, SIGKILL);
    Pump(10000);
  }
  CloseInput();
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  reaped_ = true;
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.out = std::move(out_);
  return result;
}

CgiResult RunCgi(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env, const std::string& body, int timeout_ms) {
  CgiChild child(program, args, env, body);
  return child.Finish(timeout_ms);
}

}  // namespace kiroq
