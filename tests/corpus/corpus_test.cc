// The request corpus freezes what the program answers today: over five
// thousand whole requests, generated from the tables of this folder (every
// action code and unknown ones, page sizes and numbers in and past the
// board, Japanese and English boards, telephones, templates, members-only
// and read-only boards, the administrator's pages, posting and every
// refusal, deletion, personal settings, attachments, damaged boards and
// hostile input), answered in-process on fresh boards with a fixed clock;
// requests that write run in order on one board, so later pages show the
// writes. golden/<suite>.txt holds one line a request: a 64-bit FNV-1a
// digest and the length of the complete response, the same for every file
// or folder the request created, changed or removed, and what the request
// was. A mismatch names the request and leaves its response in
// $TMPDIR/kiroq-corpus/<suite>/. KIROQ_CORPUS_DUMP=<folder> writes every
// response and changed file below <folder>: dump two builds and diff -r the
// folders to see the bytes. KIROQ_UPDATE_GOLDEN=1 rewrites the golden files
// from the program as it is; that is right only for a deliberate, reviewed
// change of behaviour, committed together with the new golden files. A
// change of structure alone must leave every line as it is.
#include "corpus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace kiroq::corpus {
namespace {

namespace fs = std::filesystem;

constexpr int kMismatchesShown = 25;

struct Suite {
  const char* name;
  std::vector<Scenario> (*scenarios)();
};

const Suite kSuites[] = {{"views", ViewScenarios},          {"posting", PostingScenarios},
                         {"screening", ScreeningScenarios}, {"members", MemberScenarios},
                         {"admin", AdminScenarios},         {"attachments", AttachmentScenarios},
                         {"damaged", DamagedScenarios},     {"hostile", HostileScenarios}};

fs::path GoldenFile(const std::string& suite) { return fs::path(__FILE__).parent_path() / "golden" / (suite + ".txt"); }

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The response as <id>.out and the entries it changed below <id>.files/.
void WriteAnswer(const fs::path& folder, const Answer& a) {
  WriteFile(folder / (a.id + ".out"), a.out);
  for (const auto& [path, bytes] : a.changed) {
    if (path.back() == '/') {
      fs::create_directories(folder / (a.id + ".files") / path);
    } else {
      WriteFile(folder / (a.id + ".files") / path, bytes);
    }
  }
}

// id -> line of a manifest.
std::map<std::string, std::string> ReadManifest(const fs::path& path) {
  std::map<std::string, std::string> lines;
  std::ifstream f(path, std::ios::binary);
  for (std::string line; std::getline(f, line);) lines[line.substr(0, line.find(' '))] = line;
  return lines;
}

void PrintTo(const Suite& s, std::ostream* os) { *os << s.name; }

class Corpus : public ::testing::TestWithParam<Suite> {};

TEST_P(Corpus, AnswersAsRecorded) {
  const std::string suite = GetParam().name;
  std::vector<Answer> answers;
  std::string manifest;
  std::set<std::string> names;
  for (const Scenario& s : GetParam().scenarios()) {
    ASSERT_TRUE(names.insert(s.name).second) << "two scenarios named " << s.name;
    for (Answer& a : RunScenario(s)) {
      manifest += a.line + "\n";
      answers.push_back(std::move(a));
    }
  }
  if (!Env("KIROQ_CORPUS_DUMP").empty()) {
    const fs::path dump = fs::path(Env("KIROQ_CORPUS_DUMP")) / suite;
    fs::remove_all(dump);
    for (const Answer& a : answers) WriteAnswer(dump, a);
    WriteFile(dump / "manifest.txt", manifest);
  }
  if (Env("KIROQ_UPDATE_GOLDEN") == "1") {
    WriteFile(GoldenFile(suite), manifest);
    std::printf("%s: %zu requests recorded in %s\n", suite.c_str(), answers.size(), GoldenFile(suite).c_str());
    return;
  }

  const std::map<std::string, std::string> golden = ReadManifest(GoldenFile(suite));
  ASSERT_FALSE(golden.empty()) << GoldenFile(suite) << " is missing; KIROQ_UPDATE_GOLDEN=1 writes it";
  const fs::path failed = fs::temp_directory_path() / "kiroq-corpus" / suite;
  fs::remove_all(failed);
  int mismatches = 0;
  for (const Answer& a : answers) {
    auto it = golden.find(a.id);
    if (it != golden.end() && it->second == a.line) continue;
    WriteAnswer(failed, a);
    if (++mismatches <= kMismatchesShown) {
      ADD_FAILURE() << suite << " " << a.id
                    << " answers differently\n  recorded: " << (it == golden.end() ? "(no such request)" : it->second)
                    << "\n  now:      " << a.line << "\n  response: " << (failed / (a.id + ".out")).string();
    }
  }
  std::set<std::string> ids;
  for (const Answer& a : answers) ids.insert(a.id);
  for (const auto& [id, line] : golden) {
    if (!ids.count(id)) ADD_FAILURE() << suite << " " << id << " was recorded but is no longer asked: " << line;
  }
  EXPECT_EQ(mismatches, 0) << mismatches << " of " << answers.size() << " requests of " << suite
                           << " answer differently; responses in " << failed.string()
                           << ". Dump an older build with KIROQ_CORPUS_DUMP and diff -r to see the bytes.";
}

INSTANTIATE_TEST_SUITE_P(Golden, Corpus, ::testing::ValuesIn(kSuites),
                         [](const ::testing::TestParamInfo<Suite>& item) { return std::string(item.param.name); });

}  // namespace
}  // namespace kiroq::corpus
