#include "process_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace kiroq {

CgiProcess StartCgi(const std::string& program, const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& env, const std::string& body) {
  int in[2], out[2];
  // Close-on-exec, so that processes other threads start inherit nothing.
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) std::abort();
  // A program that stops reading its body early must not kill the test.
  signal(SIGPIPE, SIG_IGN);
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGPIPE, SIG_DFL);
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    std::vector<std::string> env_strings;
    for (const auto& [k, v] : env) env_strings.push_back(k + "=" + v);
    std::vector<char*> argv, envp;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (std::string& e : env_strings) envp.push_back(e.data());
    envp.push_back(nullptr);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  std::size_t done = 0;
  while (done < body.size()) {
    ssize_t r = write(in[1], body.data() + done, body.size() - done);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    done += static_cast<std::size_t>(r);
  }
  close(in[1]);
  return {pid, out[0]};
}

std::string FinishCgi(CgiProcess* p, int* exit_code) {
  std::string output;
  char buf[65536];
  for (;;) {
    ssize_t r = read(p->stdout_fd, buf, sizeof(buf));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    output.append(buf, static_cast<std::size_t>(r));
  }
  close(p->stdout_fd);
  int status = 0;
  waitpid(p->pid, &status, 0);
  *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

}  // namespace kiroq
