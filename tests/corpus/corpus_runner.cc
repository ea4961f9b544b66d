// Answering the corpus: the request builders, the run of a scenario on a
// fresh board and the summary line of each answer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "corpus.h"

namespace kiroq::corpus {

namespace {

namespace fs = std::filesystem;

constexpr int64_t kStartTime = 1733620000;  // 2024-12-08 10:06:40 in Japan
constexpr int kSecondsPerCall = 7;
constexpr std::size_t kShownBytes = 40;

// Bytes as printable ASCII: controls, "\" and bytes over 0x7E as \xHH, so
// that a manifest line is one line whatever a request holds.
std::string Printable(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

// A value for a description: long ones cut, with their length.
std::string Shown(std::string_view value) {
  if (value.size() <= kShownBytes) return std::string(value);
  return std::string(value.substr(0, kShownBytes - 8)) + "...(" + std::to_string(value.size()) + "B)";
}

std::string PercentEncoded(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

std::string FieldNote(const Fields& fields) {
  std::string note;
  for (const auto& [name, value] : fields) note += (note.empty() ? "" : ",") + Shown(name) + "=" + Shown(value);
  return note;
}

// 64-bit FNV-1a, as 16 hex digits.
std::string Digest(std::string_view bytes) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char hex[20];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  if (from.empty()) return text;
  for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

// An upload is written under a random name and renamed; one left behind
// is known by its pattern only.
std::string StableName(std::string path) {
  std::size_t slash = path.rfind('/');
  std::string name = path.substr(slash + 1);
  if (name.size() == 8 + 32 + 4 && name.rfind(".upload-", 0) == 0 && name.substr(40) == ".tmp") {
    path = path.substr(0, slash + 1) + ".upload-*.tmp";
  }
  return path;
}

// Every entry below the folder: files with their bytes, folders as
// "<path>/" with no bytes. Sorted by path.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  const std::string root = folder.substr(0, folder.size() - 1);
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::string path = StableName(fs::relative(it->path(), folder).string());
    if (it->is_directory()) {
      entries[path + "/"];
    } else {
      std::ifstream f(it->path(), std::ios::binary);
      std::stringstream ss;
      ss << f.rdbuf();
      entries[path] = ReplaceAll(ss.str(), root, kFolderToken);
    }
  }
  return entries;
}

}  // namespace

std::string Call::Describe() const {
  std::string d;
  if (vars.count("QUERY_STRING")) {
    d = "QS=" + Shown(vars.at("QUERY_STRING"));
  } else {
    d = "ARGS=";
    for (std::size_t i = 0; i < words.size(); ++i) d += (i ? "+" : "") + Shown(words[i]);
  }
  for (const auto& [name, value] : vars) {
    if (name != "QUERY_STRING") d += " " + name + "=" + (value == kUnset ? "(unset)" : Shown(value));
  }
  if (!body.empty() || !note.empty()) d += " BODY(" + std::to_string(body.size()) + "B)=" + note;
  return Printable(d);
}

Call Get(const std::string& board, int size, int number, int action) {
  return Words({board, std::to_string(size), std::to_string(number), std::to_string(action)});
}

Call Words(std::vector<std::string> words) {
  Call c;
  c.words = std::move(words);
  return c;
}

Call Query(const std::string& query_string) { return With(Call{}, "QUERY_STRING", query_string); }

Call Form(std::vector<std::string> words, const Fields& fields, bool mobile) {
  if (mobile) {
    std::string body;
    for (const auto& [name, value] : fields) body += (body.empty() ? "" : "&") + name + "=" + PercentEncoded(value);
    return Raw(std::move(words), body, "", "urlencoded:" + FieldNote(fields));
  }
  return Raw(std::move(words), MultipartBody(kBoundary, fields),
             std::string("multipart/form-data; boundary=") + kBoundary, "multipart:" + FieldNote(fields));
}

Call Form(const std::string& board, int number, int action, const Fields& fields, bool mobile) {
  return Form({board, "10", std::to_string(number), std::to_string(action)}, fields, mobile);
}

Call Raw(std::vector<std::string> words, std::string body, std::string content_type, std::string note) {
  Call c = Words(std::move(words));
  c.body = std::move(body);
  c.content_type = std::move(content_type);
  c.note = std::move(note);
  return c;
}

Call With(Call c, const std::string& var, const std::string& value) {
  c.vars[var] = value;
  return c;
}

Call Cookie(Call c, const std::string& cookie) { return With(std::move(c), "HTTP_COOKIE", cookie); }

std::vector<Answer> RunScenario(const Scenario& s) {
  BoardFixture board(s.board);
  const std::string folder = board.dir().path();
  const std::string root = folder.substr(0, folder.size() - 1);
  Vars base = {{"SERVER_NAME", "bbs.example.jp"},
               {"SERVER_PORT", "80"},
               {"SCRIPT_NAME", "/cgi-bin/kiroq.exe"},
               {"REMOTE_ADDR", "192.0.2.7"},
               {"REMOTE_HOST", "192.0.2.7"},
               {"HTTP_REFERER", "http://bbs.example.jp/cgi-bin/kiroq.exe?" + s.board + "+10+0+1"},
               {"HTTP_USER_AGENT", "Mozilla/5.0 (X11; Linux x86_64) Corpus/1.0"},
               {"KIROQ_DRIVE_X", folder + "drive-x"}};
  for (const auto& [name, value] : s.vars) base[name] = ReplaceAll(value, kFolderToken, root);
  FakeEnv& env = board.env();
  env.hosts["192.0.2.7"] = "client7.example.jp";
  if (s.prepare) s.prepare(board);
  // Prepared files name the folder by its token.
  for (auto& [path, bytes] : Snapshot(folder)) {
    if (path.back() != '/' && bytes.find(kFolderToken) != std::string::npos) {
      board.dir().Write(path, ReplaceAll(bytes, kFolderToken, root));
    }
  }

  std::map<std::string, std::string> before = Snapshot(folder);
  std::vector<Answer> answers;
  for (std::size_t i = 0; i < s.calls.size(); ++i) {
    const Call& c = s.calls[i];
    env.vars = base;
    if (!c.body.empty()) env.vars["CONTENT_LENGTH"] = std::to_string(c.body.size());
    if (!c.content_type.empty()) env.vars["CONTENT_TYPE"] = c.content_type;
    if (!c.body.empty()) env.vars["REQUEST_METHOD"] = "POST";
    for (const auto& [name, value] : c.vars) {
      if (value == kUnset) {
        env.vars.erase(name);
      } else {
        env.vars[name] = ReplaceAll(value, kFolderToken, root);
      }
    }
    env.SetStdin(c.body);
    env.now = kStartTime + kSecondsPerCall * static_cast<int64_t>(i);

    Answer a;
    char number[24];
    std::snprintf(number, sizeof number, "%04zu", i);
    a.id = s.name + "/" + number;
    a.out = ReplaceAll(board.Run(c.words), root, kFolderToken);
    a.line = a.id + " " + Digest(a.out) + ":" + std::to_string(a.out.size());
    std::map<std::string, std::string> after = Snapshot(folder);
    for (const auto& [path, bytes] : after) {
      auto old = before.find(path);
      if (old != before.end() && old->second == bytes) continue;
      a.changed[path] = bytes;
      a.line += " " + Printable(path) + "=" +
                (path.back() == '/' ? "dir" : Digest(bytes) + ":" + std::to_string(bytes.size()));
    }
    for (const auto& [path, bytes] : before) {
      if (!after.count(path)) a.line += " " + Printable(path) + "=gone";
    }
    a.line += " # " + c.Describe();
    before = std::move(after);
    answers.push_back(std::move(a));
  }
  return answers;
}

}  // namespace kiroq::corpus
