// Hostile requests and damaged board files, one test per row of the table
// in hostile_request_rows.cc and hostile_file_rows.cc.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "hostile_rows.h"
#include "storage/article_store.h"
#include "text/sjis.h"

namespace kiroq {

namespace fs = std::filesystem;

namespace {

// At most n bytes of s, control bytes shown as escapes.
std::string Printable(std::string_view s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < s.size() && i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\x%02X", c);
      out += buf;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  if (s.size() > n) out += "...(" + std::to_string(s.size()) + " bytes)";
  return out;
}

}  // namespace

std::string Call::Describe() const {
  std::string s = "args [";
  for (const std::string& a : args) s += Printable(a, 30) + " ";
  s += "]";
  const EnvVars base = LiveBoard::BaseEnv();
  for (const auto& [k, v] : env) {
    auto it = base.find(k);
    if (it == base.end() || it->second != v) s += " " + k + "=" + Printable(v, 30);
  }
  return s + " body " + Printable(body, 60);
}

std::vector<std::string> BoardSettings() {
  return {"JAPANESE=1", "USEDELETE=1",  "USESEARCHLOG=1", "USECOOKIE=1",       "USEMAIL=1",    "USEURL=1",
          "BBSMAN=1",   "FILEUPLOAD=1", "NUMCLICK=1",     "USEDATE=1",         "TITLECLICK=1", "USESEX=1",
          "USEAGE=1",   "USEADDRESS=1", "USEIMAGEURL=1",  "USECOMMENTNUMBER=1"};
}

void SettingsWith(LiveBoard& board, const std::vector<std::string>& more) {
  std::vector<std::string> lines = BoardSettings();
  lines.insert(lines.end(), more.begin(), more.end());
  board.fixture().Settings(lines);
}

void SeedBoard(LiveBoard& board) {
  board.fixture().Settings(BoardSettings());
  IndexRecord a = SampleRecord("first"), b = SampleRecord("Re:01 first", "poster", 1), c = SampleRecord("third");
  a.password = "pw1";
  b.password = "pw2";
  board.fixture().AddArticle(a, std::string("最初の記事です。\r\n掲示板"_sj));
  board.fixture().AddArticle(b, std::string("返信です。表示"_sj));
  board.fixture().AddArticle(c, "third article");
}

Call View(const LiveBoard& b, const std::string& number, const std::string& action) {
  return Call{{b.board(), "10", number, action}, {}, {}, ""};
}

Call Words(std::vector<std::string> words) { return Call{std::move(words), {}, {}, ""}; }

Call Query(const std::string& query_string) { return Call{{}, {{"QUERY_STRING", query_string}}, {}, ""}; }

Call Multipart(std::vector<std::string> words, std::string body) {
  EnvVars env = LiveBoard::PostEnv(body.size());
  return Call{std::move(words), env, {}, std::move(body)};
}

Call Posted(const LiveBoard& b, const std::string& number, const std::string& action, const Fields& fields) {
  return Multipart({b.board(), "10", number, action}, MultipartBody(kBoundary, fields));
}

Call Mobile(const LiveBoard& b, const std::string& number, const std::string& action, std::string body) {
  Call c{{b.board(), "10", number, action}, LiveBoard::BaseEnv(), {}, std::move(body)};
  c.env["REQUEST_METHOD"] = "POST";
  c.env["CONTENT_TYPE"] = "application/x-www-form-urlencoded";
  c.env["CONTENT_LENGTH"] = std::to_string(c.body.size());
  return c;
}

Call With(Call c, const std::string& var, const std::string& value) {
  c.env[var] = value;
  return c;
}

std::vector<Call> AllViews(const LiveBoard& b, const std::vector<std::string>& numbers) {
  std::vector<Call> calls;
  for (const std::string& n : numbers) {
    for (const char* action : {"0", "1", "2", "3", "4", "5", "11", "12", "15", "20", "22", "23", "30", "99", "9"}) {
      calls.push_back(View(b, n, action));
    }
    calls.push_back(With(View(b, n, "8"), "HTTP_COOKIE", "PWD=wrong"));
    calls.push_back(Posted(b, n, "14", {{"DELPASSWORD", "wrong"}}));
  }
  calls.push_back(Posted(b, "0", "10", {{"SEARCHWORD", std::string("掲示板"_sj)}}));
  calls.push_back(Posted(b, "0", "10", {{"SEARCHWORD", "e"}}));
  return calls;
}

Call NewPost(const LiveBoard& b, const std::string& body) {
  return Posted(b, "0", "9", {{"NAME", "hostile"}, {"TITLE", "after"}, {"PASSWORD", "pw"}, {"CONTENT", body}});
}

namespace {

constexpr int kCallTimeoutMs = 30000;

// Every file and folder below root with its bytes ("/" for folders), but
// the board's data files and attachments, which requests may change.
std::map<std::string, std::string> Listing(const std::string& root, const std::string& board) {
  std::map<std::string, std::string> files;
  const std::string attachments = "bbsdb/" + board;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = fs::relative(it->path(), root).string();
    if (rel == attachments + ".log" || rel == attachments + ".idx" || rel == attachments + ".lim" ||
        rel == attachments || rel.rfind(attachments + "/", 0) == 0) {
      continue;
    }
    if (it->is_directory()) {
      files[rel] = "/";
    } else {
      std::ifstream f(it->path(), std::ios::binary);
      std::stringstream ss;
      ss << f.rdbuf();
      files[rel] = ss.str();
    }
  }
  return files;
}

// Entries next to the board's folder that carry the marker: files that a
// board name escaping its folder would have made.
std::vector<std::string> MarkedNeighbours(const std::string& folder) {
  std::vector<std::string> found;
  const fs::path parent = fs::path(folder).parent_path().parent_path();
  for (const auto& entry : fs::directory_iterator(parent)) {
    const std::string name = entry.path().filename().string();
    if (name.find(kMarker) != std::string::npos) found.push_back(name);
  }
  return found;
}

// Faults of one response beyond ResponseProblems.
std::vector<std::string> HostileResponseProblems(const CgiResult& r) {
  std::vector<std::string> problems = ResponseProblems(r);
  const std::size_t end = r.out.find("\r\n\r\n");
  if (end != std::string::npos) {
    std::string_view head = std::string_view(r.out).substr(0, end + 2);
    for (std::size_t at = 0; at < head.size();) {
      std::size_t eol = head.find("\r\n", at);
      std::string_view line = head.substr(at, eol - at);
      if (line.rfind(std::string_view(kInjectedHeader).substr(0, 14), 0) == 0) {
        problems.push_back("header line injected: " + std::string(line));
      }
      if (line.find('\n') != std::string_view::npos || line.find('\r') != std::string_view::npos) {
        problems.push_back("bare line break in a header line");
      }
      // A cookie carries the visitor's text in its value alone: no control
      // byte (web servers refuse the line, a NUL cuts it) and no attribute
      // but the program's own.
      if (line.rfind("Set-Cookie: ", 0) == 0) {
        for (unsigned char c : line) {
          if (c < 0x20 || c == 0x7F) problems.push_back("control byte in a cookie line");
        }
        std::string_view rest = line.substr(line.find(';') == std::string_view::npos ? line.size() : line.find(';'));
        for (std::size_t semi = 0; semi < rest.size(); semi = rest.find(';', semi + 1)) {
          std::string_view attribute = rest.substr(semi + 1);
          while (!attribute.empty() && attribute.front() == ' ') attribute.remove_prefix(1);
          attribute = attribute.substr(0, attribute.find(';'));
          if (!attribute.empty() && attribute.rfind("expires=", 0) != 0 && attribute.rfind("path=", 0) != 0 &&
              attribute != "HttpOnly") {
            problems.push_back("cookie attribute from the request: " + std::string(attribute));
          }
          if (rest.find(';', semi + 1) == std::string_view::npos) break;
        }
      }
      // Web servers refuse header lines longer than 8 KB.
      if (line.size() > 8000) problems.push_back("header line of " + std::to_string(line.size()) + " bytes");
      at = eol + 2;
    }
  }
  const std::string_view page = PageOf(r.out);
  if (page.find("Server Busy!") != std::string_view::npos) problems.push_back("Server Busy!");
  // A picture every reader's browser fetches: never a script, never the
  // program itself.
  for (std::size_t at = page.find("<IMG SRC=\""); at != std::string_view::npos; at = page.find("<IMG SRC=\"", at + 1)) {
    const std::string_view src = page.substr(at + 10, page.find('"', at + 10) - (at + 10));
    const bool web = src.rfind("http://", 0) == 0 || src.rfind("https://", 0) == 0;
    if ((!web && src.find(kMarker) != std::string_view::npos) || src.find("kiroq.exe") != std::string_view::npos) {
      problems.push_back("picture address shown: " + std::string(src));
    }
  }
  if (page.find(kScriptMarker) != std::string_view::npos) problems.push_back("hostile markup shown unescaped");
  return problems;
}

class HostileInput : public ::testing::TestWithParam<Row> {};

TEST_P(HostileInput, ClearPageNothingLost) {
  const Row& row = GetParam();
  LiveBoard board;
  SeedBoard(board);
  if (row.prepare) row.prepare(board);
  const std::map<std::string, std::string> files_before = Listing(board.folder(), board.board());
  const std::vector<std::string> neighbours_before = MarkedNeighbours(board.folder());
  const std::string index_before = board.fixture().IndexBytes(), log_before = board.fixture().LogBytes();
  const int count_before = board.fixture().Count();

  for (const Call& call : row.calls(board)) {
    EnvVars env = LiveBoard::BaseEnv();
    for (const std::string& v : call.unset) env.erase(v);
    for (const auto& [k, v] : call.env) env[k] = v;
    CgiResult r = RunCgi(board.program(), call.args, env, call.body, kCallTimeoutMs);
    std::vector<std::string> problems = HostileResponseProblems(r);
    for (const std::string& p : problems) {
      ADD_FAILURE() << call.Describe() << ":\n    " << p << "\n    " << Printable(r.out, 300);
    }
  }

  EXPECT_TRUE(Listing(board.folder(), board.board()) == files_before) << "a file outside the board's own changed";
  EXPECT_EQ(MarkedNeighbours(board.folder()), neighbours_before) << "a file appeared beside the board's folder";

  // The old articles keep their bytes; the posts come after them.
  const std::string index = board.fixture().IndexBytes(), log = board.fixture().LogBytes();
  ASSERT_EQ(board.fixture().Count(), count_before + row.stores);
  if (row.stores == 0) {
    EXPECT_EQ(index.size(), index_before.size());
  }
  EXPECT_EQ(log.substr(0, log_before.size()), log_before) << "the log lost bytes";
  for (int k = 0; k < count_before; ++k) {
    std::string was = index_before.substr(std::size_t{kRecordSize} * k, kRecordSize);
    std::string now = index.substr(std::size_t{kRecordSize} * k, kRecordSize);
    if (std::find(row.attachments_of.begin(), row.attachments_of.end(), k) != row.attachments_of.end()) {
      const std::size_t from = record_layout::kAttachment, n = record_layout::kAttachmentCap + 1;
      was.replace(from, n, n, '\0');
      now.replace(from, n, n, '\0');
    }
    if (std::find(row.may_link.begin(), row.may_link.end(), k) != row.may_link.end()) {
      const std::size_t from = record_layout::kChildren, n = record_layout::kAttachment - from;
      was.replace(from, n, n, '\0');
      now.replace(from, n, n, '\0');
    }
    EXPECT_TRUE(was == now) << "record " << k << " changed";
  }
  for (int k = count_before; k < board.fixture().Count(); ++k) {
    IndexRecord rec = board.fixture().Record(k);
    EXPECT_GE(rec.body_start, static_cast<int32_t>(log_before.size())) << "post " << k << " points into old bytes";
    EXPECT_TRUE(rec.HasBody() || rec.body_start == rec.body_end) << "post " << k;
    EXPECT_LT(static_cast<std::size_t>(rec.body_end), log.size()) << "post " << k;
  }
  if (row.verify) row.verify(board, count_before);
}

std::vector<Row> AllRows() {
  std::vector<Row> rows = RequestRows();
  std::vector<Row> file_rows = FileRows();
  rows.insert(rows.end(), file_rows.begin(), file_rows.end());
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Table, HostileInput, ::testing::ValuesIn(AllRows()),
                         [](const ::testing::TestParamInfo<Row>& item) { return item.param.name; });

}  // namespace
}  // namespace kiroq
