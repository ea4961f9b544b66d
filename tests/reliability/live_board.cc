#include "live_board.h"

#include <unistd.h>

#include <memory>
#include <set>

#include "platform/env.h"
#include "storage/record.h"
#include "text/sjis.h"

namespace kiroq {

LiveBoard::LiveBoard(std::string board) : fixture_(std::move(board)), folder_(fixture_.dir().path()) {
  program_ = folder() + "kiroq.exe";
  if (symlink(KIROQ_EXE, program_.c_str()) != 0) std::abort();
}

EnvVars LiveBoard::BaseEnv() {
  return {
      {"GATEWAY_INTERFACE", "CGI/1.1"},
      {"REQUEST_METHOD", "GET"},
      {"REMOTE_ADDR", "127.0.0.1"},
      {"SERVER_NAME", "localhost"},
      {"SCRIPT_NAME", "/bbs/kiroq.exe"},
      {"HTTP_USER_AGENT", "Mozilla/5.0 (X11; Linux x86_64)"},
      {"HTTP_REFERER", "http://localhost/bbs/kiroq.exe?test+10+0+11"},
  };
}

EnvVars LiveBoard::PostEnv(std::size_t body_size) {
  EnvVars env = BaseEnv();
  env["REQUEST_METHOD"] = "POST";
  env["CONTENT_TYPE"] = std::string("multipart/form-data; boundary=") + kBoundary;
  env["CONTENT_LENGTH"] = std::to_string(body_size);
  return env;
}

std::vector<std::string> LiveBoard::Words(int page_size, int number, int action) const {
  return {board(), std::to_string(page_size), std::to_string(number), std::to_string(action)};
}

CgiResult LiveBoard::Run(const std::vector<std::string>& args, const EnvVars& env, const std::string& body) const {
  return RunCgi(program_, args, env, body);
}

CgiResult LiveBoard::Get(int number, int action, const EnvVars& extra) const {
  EnvVars env = BaseEnv();
  for (const auto& [k, v] : extra) env[k] = v;
  return Run(Words(10, number, action), env, "");
}

CgiResult LiveBoard::Post(int number, int action, const Fields& fields, const EnvVars& extra) const {
  std::string body = MultipartBody(kBoundary, fields);
  EnvVars env = PostEnv(body.size());
  for (const auto& [k, v] : extra) env[k] = v;
  return Run(Words(10, number, action), env, body);
}

std::vector<std::string> BoardProblems(std::string_view index, uint64_t log_size, int linked_upto) {
  std::vector<std::string> problems;
  const int count = static_cast<int>(index.size() / kRecordSize);
  if (linked_upto < 0) linked_upto = count;
  std::vector<IndexRecord> recs(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) DecodeRecord(index.substr(std::size_t{kRecordSize} * k), &recs[k]);
  for (int k = 0; k < count; ++k) {
    const IndexRecord& r = recs[k];
    const std::string at = "record " + std::to_string(k) + ": ";
    if (r.body_start < 0 || r.body_end < r.body_start || static_cast<uint64_t>(r.body_end) >= log_size) {
      problems.push_back(at + "body " + std::to_string(r.body_start) + ".." + std::to_string(r.body_end) +
                         " outside a log of " + std::to_string(log_size) + " bytes");
    }
    if (r.parent < 0 || r.parent > k) problems.push_back(at + "parent number " + std::to_string(r.parent));
    if (r.child_count < 0 || r.child_count > kMaxChildren) {
      problems.push_back(at + "child count " + std::to_string(r.child_count));
    }
    std::set<int> seen;
    for (int c = 0; c < r.ChildCount(); ++c) {
      const int child = r.children[c];
      if (child <= k || child >= count || recs[child].parent != k + 1 || !seen.insert(child).second) {
        problems.push_back(at + "child entry " + std::to_string(child));
      }
    }
    if (r.parent >= 1 && r.parent <= k && k < linked_upto) {
      const IndexRecord& p = recs[r.parent - 1];
      bool listed = false;
      for (int c = 0; c < p.ChildCount(); ++c) listed = listed || p.children[c] == k;
      if (!listed && p.ChildCount() < kMaxChildren) {
        problems.push_back(at + "missing from the child list of article " + std::to_string(r.parent));
      }
    }
  }
  return problems;
}

std::vector<std::string> BoardProblems(const LiveBoard& board, int linked_upto) {
  uint64_t log_size = 0;
  if (!PosixEnv()->GetFileSize(board.LogPath(), &log_size).ok()) return {"no log"};
  std::string index;
  if (!PosixEnv()->ReadFile(board.IndexPath(), &index).ok()) return {"no index"};
  return BoardProblems(index, log_size, linked_upto);
}

std::string_view PageOf(const std::string& response) {
  std::size_t end = response.find("\r\n\r\n");
  if (end == std::string::npos) return {};
  return std::string_view(response).substr(end + 4);
}

std::vector<std::string> ResponseProblems(const CgiResult& r) {
  std::vector<std::string> problems;
  if (!r.ok()) problems.push_back("process: " + r.Describe());
  std::size_t end = r.out.find("\r\n\r\n");
  if (end == std::string::npos) {
    problems.push_back("no CGI header block");
    return problems;
  }
  std::string_view head = std::string_view(r.out).substr(0, end);
  if (head.find("Content-Type: ") == std::string_view::npos && head.find("Content-type: ") == std::string_view::npos &&
      head.find("Location: ") == std::string_view::npos) {
    problems.push_back("header block without Content-Type or Location");
  }
  // A redirect needs no page.
  if (PageOf(r.out).empty() && head.find("Location: ") == std::string_view::npos) {
    problems.push_back("nothing after the header block");
  }
  return problems;
}

bool DataFilesFree(const LiveBoard& board) {
  for (const std::string& path : {board.IndexPath(), board.LogPath()}) {
    std::unique_ptr<File> f;
    if (!PosixEnv()->Open(path, OpenMode::kWriteExclusive, &f).ok()) return false;
  }
  return true;
}

std::string SjisText(std::mt19937* rng, std::size_t n) {
  // Every character here is two bytes in Shift-JIS; 表, ソ, 能 and 予 end in
  // 0x5C, the byte that code unaware of Shift-JIS takes for a backslash.
  static const std::string_view kKanji = "日本語の掲示板で表示能力ソフト予定、。「」ー漢字かなカナ返信記事投稿"_sj;
  static const std::string_view kAscii = "abcXYZ0123 .,!?<>&\"'#";
  std::uniform_int_distribution<int> pick(0, 99);
  std::string text;
  text.reserve(n);
  while (text.size() < n) {
    const std::size_t left = n - text.size();
    const int roll = pick(*rng);
    if (roll < 65 && left >= 2) {
      std::size_t k = 2 * (static_cast<std::size_t>(pick(*rng)) % (kKanji.size() / 2));
      text.append(kKanji.substr(k, 2));
    } else if (roll < 70 && left >= 3 && !text.empty()) {
      text.append("\r\n");
    } else {
      text.push_back(kAscii[static_cast<std::size_t>(pick(*rng)) % kAscii.size()]);
    }
  }
  return text;
}

}  // namespace kiroq
