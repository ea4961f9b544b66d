// kiroq-board: checks, mends and exports a board from the command line,
// beside the running program and under the same locks.
//
//   kiroq-board check  PROGRAM-FOLDER BOARD
//   kiroq-board repair PROGRAM-FOLDER BOARD
//   kiroq-board export PROGRAM-FOLDER BOARD [--since N]
#ifndef KIROQ_APP_BOARD_TOOL_H_
#define KIROQ_APP_BOARD_TOOL_H_

#include <string>
#include <vector>

namespace kiroq {

class Env;

// Exit codes of the tool.
inline constexpr int kToolSound = 0;       // check: no problem; repair: none left; export: written
inline constexpr int kToolProblems = 1;    // check found problems; repair left some it cannot mend
inline constexpr int kToolCannotRead = 2;  // wrong usage, no settings, a refused name, files that cannot be read

// Runs the tool on the command-line words after the program name; reports
// go to env's standard output and error. Returns the exit code.
int RunBoardTool(Env* env, const std::vector<std::string>& args);

}  // namespace kiroq

#endif  // KIROQ_APP_BOARD_TOOL_H_
