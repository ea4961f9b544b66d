// The request corpus: scenarios of whole requests against prepared boards,
// generated from tables, and the runner that answers them in-process and
// sums up each answer (the response and every file it changed) as one line.
#ifndef KIROQ_TESTS_CORPUS_CORPUS_H_
#define KIROQ_TESTS_CORPUS_CORPUS_H_

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "board_fixture.h"

namespace kiroq::corpus {

using Fields = std::vector<std::pair<std::string, std::string>>;
using Vars = std::map<std::string, std::string>;

// One request. The body, when there is one, comes with CONTENT_LENGTH (and
// CONTENT_TYPE for a multipart body); vars are applied last and may replace
// them.
struct Call {
  std::vector<std::string> words{};  // command-line words
  Vars vars{};
  std::string body{};
  std::string content_type{};
  std::string note{};  // what the body holds, for the manifest

  // A short printable description: the words, the variables, the body.
  std::string Describe() const;
};

// The board's name is the first word of every builder.
Call Get(const std::string& board, int size, int number, int action);
Call Words(std::vector<std::string> words);
Call Query(const std::string& query_string);
// A form posted to these words: multipart as browsers send it, or
// URL-encoded as mobile telephones do.
Call Form(std::vector<std::string> words, const Fields& fields, bool mobile = false);
Call Form(const std::string& board, int number, int action, const Fields& fields, bool mobile = false);
// A raw body, with CONTENT_TYPE for multipart bodies of the test boundary
// (empty type: none sent).
Call Raw(std::vector<std::string> words, std::string body, std::string content_type, std::string note);
Call With(Call c, const std::string& var, const std::string& value);
Call Cookie(Call c, const std::string& cookie);

inline constexpr char kBoundary[] = "----WebKitFormBoundaryC0rpusK1r0q";

// A board folder and the requests answered in it, in order.
struct Scenario {
  std::string name;  // letters, digits and "-"; unique in its suite
  std::string board = "test";
  Vars vars{};  // over the base environment, for every request
  std::function<void(BoardFixture&)> prepare{};
  std::vector<Call> calls{};
};

// The folder's path in settings and files a scenario writes, replaced when
// it is prepared, and what stands for the folder in every output compared.
inline constexpr char kFolderToken[] = "$DIR";

// A kind of board: settings crossed with the request tables.
struct Profile {
  std::string name;
  std::vector<std::string> settings{};  // lines of <board>.ini
  bool mobile = false;                  // forms go URL-encoded
  Vars vars{};                          // over the base environment
  Fields files{};                       // relative path beside the program, bytes
  std::string board = "test";
};
std::vector<Profile> Profiles();
// Profiles(), only those named.
std::vector<Profile> ProfilesNamed(const std::vector<std::string>& names);

// Writes the profile's settings and files, the administrator password
// "admin-pw" and the member file, then the seeded articles when seed is set.
void PrepareBoard(BoardFixture& b, const Profile& p, bool seed = true);
// Fourteen articles in five threads: replies of replies, deleted articles,
// an attachment with its counter, Shift-JIS text, markup, a legacy date,
// bodies of zero and one byte. Passwords are "pw<number>" (3 has none).
void SeedArticles(BoardFixture& b);
inline constexpr int kSeedCount = 14;

// Shift-JIS text for Japanese boards.
namespace sjis {
inline constexpr char kBody[] = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x96\x7b\x95\xb6\x82\xc5\x82\xb7";  // 日本語の本文です
inline constexpr char kTitle[] = "\x95\x5c\x91\xe8";                                                 // 表題
inline constexpr char kTaro[] = "\x91\xbe\x98\x59";                                                  // 太郎
inline constexpr char kHanako[] = "\x89\xd4\x8e\x71";                                                // 花子
inline constexpr char kTrailBackslash[] = "\x83\x5c\x95\x5c\x94\x5c";         // ソ表能: second bytes 0x5C
inline constexpr char kHello[] = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd";  // こんにちは
inline constexpr char kQuote[] = "\x81\x84";                                  // ＞
inline constexpr char kTokyo[] = "\x93\x8c\x8b\x9e\x93\x73";                  // 東京都
inline constexpr char kMale[] = "\x92\x6a\x90\xab";                           // 男性
inline constexpr char kBoard[] = "\x8c\x66\x8e\xa6\x94\xc2";                  // 掲示板
}  // namespace sjis

// The suites: each is one golden file, tests/corpus/golden/<suite>.txt.
std::vector<Scenario> ViewScenarios();
std::vector<Scenario> PostingScenarios();
std::vector<Scenario> ScreeningScenarios();
std::vector<Scenario> MemberScenarios();
std::vector<Scenario> AdminScenarios();
std::vector<Scenario> AttachmentScenarios();
std::vector<Scenario> DamagedScenarios();
std::vector<Scenario> HostileScenarios();

// A variable of the base environment that a call leaves out.
inline constexpr char kUnset[] = "\x7F(unset)";

// What one call did: the response and every entry of the board's folder it
// created, changed or removed, with the folder's path replaced by
// kFolderToken in all of them.
struct Answer {
  std::string id;    // <scenario>/<nnnn>
  std::string line;  // the manifest line
  std::string out;
  std::map<std::string, std::string> changed;  // path -> bytes now (folders end in "/")
};

// Prepares a fresh board folder and answers every call of the scenario in
// order, on a clock that moves 7 seconds a call.
std::vector<Answer> RunScenario(const Scenario& s);

}  // namespace kiroq::corpus

#endif  // KIROQ_TESTS_CORPUS_CORPUS_H_
