// kiroq-board: the board tool (app/board_tool.h). It may be run as root on
// a folder the web server can write: it opens no file through a symbolic
// link and nothing but regular files.
#include <string>
#include <vector>

#include "app/board_tool.h"
#include "platform/env.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return kiroq::RunBoardTool(kiroq::PosixEnvRefusingLinks(), args);
}
