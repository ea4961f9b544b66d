// The table of hostile inputs: each row prepares a board, sends requests to
// the real program and says how many posts they should store. The harness
// (hostile_input_test.cc) holds every row to the same rules: a clear page,
// exit 0, no file touched outside the board's own, no stored article lost.
#ifndef KIROQ_TESTS_RELIABILITY_HOSTILE_ROWS_H_
#define KIROQ_TESTS_RELIABILITY_HOSTILE_ROWS_H_

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "live_board.h"

namespace kiroq {

// Marks hostile text: a page that shows it unescaped, or a header line
// that starts with it, is a fault. Names made of it are looked for outside
// the board's folder too.
inline constexpr char kMarker[] = "kiroqhostile";
inline constexpr char kScriptMarker[] = "<script>kiroqhostile";
inline constexpr char kInjectedHeader[] = "X-Kiroqhostile: 1";

// One request.
struct Call {
  std::vector<std::string> args;   // command-line words
  EnvVars env;                     // over the base environment
  std::vector<std::string> unset;  // base variables left out
  std::string body;
  std::string Describe() const;
};

struct Row {
  std::string name;  // the test's name: letters, digits and "_"
  // Changes the seeded board (settings, templates, data files).
  std::function<void(LiveBoard&)> prepare = nullptr;
  std::function<std::vector<Call>(const LiveBoard&)> calls = nullptr;
  int stores = 0;  // posts the calls store
  // Further checks of the stored posts (the records after the old ones).
  std::function<void(const LiveBoard&, int first_new)> verify = nullptr;
  // Records whose attachment name a call may set (an upload).
  std::vector<int> attachments_of = {};
  // Records whose child list a call may change (a reply, or the link a
  // stopped writer left out).
  std::vector<int> may_link = {};
};

// Test names show the row's name, not its bytes.
inline void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

// The seeded board: articles 1 (password pw1), 2 (a reply to 1, password
// pw2) and 3, on a Japanese board with most features on.
void SeedBoard(LiveBoard& board);
std::vector<std::string> BoardSettings();
// BoardSettings with more lines.
void SettingsWith(LiveBoard& board, const std::vector<std::string>& more);

// Request builders.
Call View(const LiveBoard& b, const std::string& number, const std::string& action);
Call Words(std::vector<std::string> words);
Call Query(const std::string& query_string);
Call Multipart(std::vector<std::string> words, std::string body);
Call Posted(const LiveBoard& b, const std::string& number, const std::string& action, const Fields& fields);
Call Mobile(const LiveBoard& b, const std::string& number, const std::string& action, std::string body);
Call With(Call c, const std::string& var, const std::string& value);

// Every page view of the board for these numbers, a search and the two
// deletion toggles with wrong passwords.
std::vector<Call> AllViews(const LiveBoard& b, const std::vector<std::string>& numbers);
// A new article (a thread top) with this body.
Call NewPost(const LiveBoard& b, const std::string& body);

std::vector<Row> RequestRows();
std::vector<Row> FileRows();

}  // namespace kiroq

#endif  // KIROQ_TESTS_RELIABILITY_HOSTILE_ROWS_H_
