// One request, from the query words to the last byte of the response.
#ifndef KIROQ_APP_RUN_H_
#define KIROQ_APP_RUN_H_

#include <string>
#include <vector>

namespace kiroq {

class Env;

// Answers one CGI request. args are the command-line words after the
// program name; program_folder ends in "/". Everything else (environment,
// body, files, clock) comes from env. Returns the process exit code, which
// is always 0: failures are reported as pages.
int RunRequest(Env* env, const std::vector<std::string>& args, const std::string& program_folder);

// The query words: QUERY_STRING split at "+" with each word's %XX escapes
// decoded, when the server set it (and it holds no "="); otherwise the
// command-line words.
std::vector<std::string> QueryWords(Env* env, const std::vector<std::string>& args);

// Board names reach file paths: only letters, digits, "_" and "-".
bool IsValidBoardName(const std::string& name);

}  // namespace kiroq

#endif  // KIROQ_APP_RUN_H_
