// A board served by the real program from a temporary program folder, and
// the checks that must hold for every board and every response, whatever
// arrived and whatever happened to a process.
#ifndef KIROQ_TESTS_RELIABILITY_LIVE_BOARD_H_
#define KIROQ_TESTS_RELIABILITY_LIVE_BOARD_H_

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "board_fixture.h"
#include "cgi_child.h"

namespace kiroq {

using Fields = std::vector<std::pair<std::string, std::string>>;
using EnvVars = std::map<std::string, std::string>;

inline constexpr char kBoundary[] = "----WebKitFormBoundaryR3l1ab1l1tyT3st";

// The program linked into the fixture's folder as kiroq.exe: it serves the
// boards beside the path it was started by.
class LiveBoard {
 public:
  explicit LiveBoard(std::string board = "test");

  BoardFixture& fixture() { return fixture_; }
  const std::string& board() const { return fixture_.board(); }
  const std::string& folder() const { return folder_; }
  const std::string& program() const { return program_; }
  std::string IndexPath() const { return folder() + "bbsdb/" + board() + ".idx"; }
  std::string LogPath() const { return folder() + "bbsdb/" + board() + ".log"; }

  // What a web server passes to every request.
  static EnvVars BaseEnv();
  // BaseEnv with a multipart body of this length.
  static EnvVars PostEnv(std::size_t body_size);

  // The four query words of this board.
  std::vector<std::string> Words(int page_size, int number, int action) const;
  CgiResult Get(int number, int action, const EnvVars& extra = {}) const;
  CgiResult Post(int number, int action, const Fields& fields, const EnvVars& extra = {}) const;
  CgiResult Run(const std::vector<std::string>& args, const EnvVars& env, const std::string& body) const;

 private:
  BoardFixture fixture_;
  std::string folder_;
  std::string program_;
};

// Everything wrong with a board's index and log; empty when the board is
// sound: every whole record points at a body inside the log, names an
// earlier article (or none) as parent, and lists only later replies that
// name it as parent, each once. Replies missing from a parent's list are
// problems too, unless the list is full or linked_upto says the reply
// (position >= linked_upto) may still wait for the next append to link it.
std::vector<std::string> BoardProblems(std::string_view index, uint64_t log_size, int linked_upto = -1);
// The same for the board's files as they are now.
std::vector<std::string> BoardProblems(const LiveBoard& board, int linked_upto = -1);

// Everything wrong with a response: not exited by itself with code 0, no
// CGI header block (header lines and an empty line), no page after it.
std::vector<std::string> ResponseProblems(const CgiResult& r);

// The page of a response, after its header block ("" when there is none).
std::string_view PageOf(const std::string& response);

// True when both data files of the board open exclusively at once.
bool DataFilesFree(const LiveBoard& board);

// Shift-JIS text of exactly n bytes: Japanese characters (some with a
// trailing byte 0x5C), ASCII and CR LF line breaks; no line break first or
// last, no "-".
std::string SjisText(std::mt19937* rng, std::size_t n);

}  // namespace kiroq

#endif  // KIROQ_TESTS_RELIABILITY_LIVE_BOARD_H_
