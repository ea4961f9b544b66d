// Running the real program as a separate process, as a web server would.
#ifndef KIROQ_TESTS_PROCESS_RUNNER_H_
#define KIROQ_TESTS_PROCESS_RUNNER_H_

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace kiroq {

struct CgiProcess {
  pid_t pid = -1;
  int stdout_fd = -1;
};

// Starts program with args, exactly this environment and body on standard
// input. The body is written before the call returns.
CgiProcess StartCgi(const std::string& program, const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& env, const std::string& body);

// Reads the process's output to the end and waits for it; *exit_code gets
// its exit status (-1 when it did not exit normally).
std::string FinishCgi(CgiProcess* p, int* exit_code);

}  // namespace kiroq

#endif  // KIROQ_TESTS_PROCESS_RUNNER_H_
