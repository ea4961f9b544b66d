// kiroq.exe: started once per HTTP request by the web server.
#include <string>
#include <vector>

#include "app/run.h"
#include "platform/env.h"

int main(int argc, char** argv) {
  kiroq::Env* env = kiroq::PosixEnv();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return kiroq::RunRequest(env, args, kiroq::ProgramFolder(argc > 0 ? argv[0] : nullptr, env));
}
