// The real program as a child process, the way a web server runs it, with a
// time limit so that a hung request fails its test instead of hanging it.
//
// Unlike StartCgi, the body is fed while the output is read (neither side
// can fill a pipe and wait for the other), the pipes are not inherited by
// children that other threads start meanwhile, and the child can be killed
// at any moment.
#ifndef KIROQ_TESTS_RELIABILITY_CGI_CHILD_H_
#define KIROQ_TESTS_RELIABILITY_CGI_CHILD_H_

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace kiroq {

struct CgiResult {
  std::string out;
  int exit_code = -1;  // -1 unless the process exited by itself
  int signal = 0;      // the signal that ended it, 0 when none
  bool timed_out = false;
  bool ok() const { return exit_code == 0 && signal == 0 && !timed_out; }
  // How it ended, for failure messages.
  std::string Describe() const;
};

class CgiChild {
 public:
  // Starts program with args, exactly this environment and body on
  // standard input.
  CgiChild(const std::string& program, const std::vector<std::string>& args,
           const std::map<std::string, std::string>& env, std::string body);
  // A child still running is killed and reaped.
  ~CgiChild();
  CgiChild(const CgiChild&) = delete;
  CgiChild& operator=(const CgiChild&) = delete;

  pid_t pid() const { return pid_; }
  // Feeds the body and collects output for up to ms milliseconds; true once
  // the output has ended.
  bool Pump(int ms);
  // Bytes of the body the child has taken so far.
  std::size_t body_written() const { return written_; }
  // Feeds the body but leaves the output unread, as a client that stopped
  // reading would, until the output pipe is full (true) or ms have passed
  // or the output ended (false).
  bool StallOutput(int ms);
  void Kill(int sig);
  // Pumps until the output ends and the process is gone; after timeout_ms
  // the process is killed and the result says so.
  CgiResult Finish(int timeout_ms);

 private:
  void CloseInput();
  pid_t pid_ = -1;
  int in_fd_ = -1, out_fd_ = -1;
  std::string body_;
  std::size_t written_ = 0;
  std::string out_;
  bool reaped_ = false;
};

// Starts, feeds and finishes one request.
CgiResult RunCgi(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env, const std::string& body, int timeout_ms = 30000);

}  // namespace kiroq

#endif  // KIROQ_TESTS_RELIABILITY_CGI_CHILD_H_
