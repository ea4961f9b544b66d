#include "pages/search.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "board/dates.h"
#include "board/visibility.h"
#include "cgi/output.h"
#include "html/links.h"
#include "html/post_date.h"
#include "html/request.h"
#include "html/view_links.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/keyword_finder.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

constexpr Action kShowArticle = Action::kArticle;
// Read sizes: large enough that reading costs few calls, small enough that
// the bytes are still in the processor's cache when they are searched.
constexpr int kIndexBlockRecords = 256;
constexpr uint64_t kLogBlockBytes = 256 * 1024;
// Rows written a batch at a time, with the index closed.
constexpr std::size_t kRowsPerBatch = 256;

void WriteHeading(Request& req) {
  const bool ja = req.japanese();
  const PageLabels& l = req.labels;
  Html line = ja ? "検索結果　"_sj : "Search result　"_sj;
  const Html views = ViewLinks(req, ViewLinksOn::kForm, FullViewLabels(req));
  if (!views.empty()) line += views + "<BR>";
  line += ja ? l.move_prompt : "Move："_sj;
  line += Bracketed(BoardLink(req, 0, kShowArticle, ja ? l.latest : "New"));
  line += Bracketed(BoardLink(req, 1, kShowArticle, ja ? l.from_top : "Update"));
  req.out->Line(line);
}

void WriteTableStart(Request& req) {
  const Settings& s = req.settings;
  Html table = s.use_border ? Html("<TABLE BORDER=\"1\"") : Html("<TABLE BORDER=\"0\"");
  if (!s.cell_padding.empty()) table += " CELLPADDING=\"" + Html::Trusted(s.cell_padding) + "\"";
  req.out->Line(table + ">");
}

void WriteHeaderRow(Request& req) {
  const Settings& s = req.settings;
  const bool ja = req.japanese();
  Html row = "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"" + Html::Trusted(s.no_head_color) + "\">";
  row += ja ? req.labels.number_heading : "Article No";
  if (s.use_date) {
    row += "</TD><TD BGCOLOR=\"" + Html::Trusted(s.date_head_color) + "\">";
    row += ja ? "日付"_sj : "Date";
  }
  row += "</TD><TD BGCOLOR=\"" + Html::Trusted(s.title_head_color) + "\">";
  row += ja ? "タイトル"_sj : "Title";
  row += "</TD><TD BGCOLOR=\"" + Html::Trusted(s.writer_head_color) + "\">";
  row += ja ? "記入者"_sj : "Posted by";
  row += "</TD><TD BGCOLOR=\"" + Html::Trusted(s.tree_head_color) + "\" ALIGN=\"CENTER\">";
  if (ja) {
    row += "コメント元"_sj;
  } else {
    // sic: "Orojinal" (with dates only) kept as boards have always shown it.
    row += s.use_date ? "Orojinal" : "Original";
  }
  req.out->Line(row + "</TD></TR>");
}

void WriteRow(Request& req, const IndexRecord& rec, int number, const LocalTime& now) {
  const Settings& s = req.settings;
  Html row = "<TR><TD ALIGN=\"CENTER\">" + BoardLink(req, number, kShowArticle, Html::Number(number)) + "</TD>";
  if (s.use_date) row += "<TD>" + FormatPostDate(rec.date, s, now) + "</TD>";
  const Html title = EscapeText(rec.title);
  row += "<TD>" + (s.title_click ? BoardLink(req, number, kShowArticle, title) : title) + "</TD>";
  // Hits are never deleted articles: the usual rule links the same names.
  row += "<TD>" + PosterName(req, rec) + "</TD>";
  if (rec.parent != 0) {
    row += "<TD ALIGN=\"CENTER\">" + BoardLinkSized(req, 0, rec.parent, kShowArticle, Html::Number(rec.parent)) +
           "</TD></TR>";
  } else {
    row += "<TD ALIGN=\"CENTER\">--</TD></TR>";
  }
  req.out->Line(row);
}

// Shared reading at the first attempt only: a writer's lock means busy.
bool OpenShared(Env* env, const std::string& path, std::unique_ptr<File>* file) {
  return OpenWithRetry(env, path, OpenMode::kReadShared, kNoRetry, file).ok();
}

// A visible article with a body of at least two bytes.
struct Candidate {
  int position;
  int32_t start, end;  // its body, log[start .. end]
};

// The candidates among the first count records, in index order: the
// articles whose bodies may be shown (board/visibility.h). Only the mark and
// the body offsets are looked at; the index is read a block at a time.
std::vector<Candidate> ReadCandidates(File* index, int count, int view_limit) {
  std::vector<Candidate> candidates;
  std::string block;
  for (int low = 0; low < count; low += kIndexBlockRecords) {
    const int n = std::min(kIndexBlockRecords, count - low);
    if (!index->ReadAt(uint64_t{kRecordSize} * low, std::size_t{kRecordSize} * n, &block).ok() ||
        block.size() != std::size_t{kRecordSize} * n) {
      throw std::runtime_error("index read failed");
    }
    for (int i = 0; i < n; ++i) {
      std::string_view rec = std::string_view(block).substr(std::size_t{kRecordSize} * i, kRecordSize);
      if (!MayShowBody(view_limit, count, low + i, rec[record_layout::kDeleted] != 0)) continue;
      const int32_t start = GetInt32(rec, record_layout::kBodyStart), end = GetInt32(rec, record_layout::kBodyEnd);
      if (SpansBody(start, end) && start >= 0) candidates.push_back({low + i, start, end});
    }
  }
  return candidates;
}

// The log seen through a window that moves forward: bodies asked for in
// order of their start are read once, a block at a time, into memory that
// stays in the processor's cache.
class LogWindow {
 public:
  explicit LogWindow(File* log) : log_(log) {
    if (!log_->Size(&size_).ok()) throw std::runtime_error("log size unknown");
  }

  // The bytes read last.
  std::string_view Block() const { return bytes_; }

  // log[start .. end]; empty when the body lies outside the log.
  std::string_view Body(int32_t start, int32_t end) {
    if (start < 0 || end < start || static_cast<uint64_t>(end) >= size_) return {};
    const uint64_t from = static_cast<uint64_t>(start), length = static_cast<uint64_t>(end) - from + 1;
    if (from < base_ || from + length > base_ + bytes_.size()) {
      const uint64_t n = std::min<uint64_t>(std::max<uint64_t>(kLogBlockBytes, length), size_ - from);
      if (!log_->ReadAt(from, static_cast<std::size_t>(n), &bytes_).ok() || bytes_.size() < length) {
        throw std::runtime_error("log read failed");
      }
      base_ = from;
    }
    return std::string_view(bytes_).substr(static_cast<std::size_t>(from - base_), static_cast<std::size_t>(length));
  }

 private:
  File* log_;
  uint64_t size_ = 0;
  uint64_t base_ = 0;
  std::string bytes_;
};

// hit[k] is set for the candidates at position k whose body holds the
// keyword. Bodies are visited in log order, so the log is read front to back.
std::vector<char> FindHits(std::vector<Candidate> candidates, int count, File* log, KeywordFinder* finder) {
  auto by_start = [](const Candidate& a, const Candidate& b) { return a.start < b.start; };
  if (!std::is_sorted(candidates.begin(), candidates.end(), by_start)) {
    std::stable_sort(candidates.begin(), candidates.end(), by_start);
  }
  std::vector<char> hit(static_cast<std::size_t>(count), 0);
  LogWindow window(log);
  bool tuned = false;
  for (const Candidate& c : candidates) {
    std::string_view body = window.Body(c.start, c.end);
    if (!tuned) {
      finder->Tune(window.Block());
      tuned = true;
    }
    if (finder->FoundIn(body)) hit[static_cast<std::size_t>(c.position)] = 1;
  }
  return hit;
}

}  // namespace

void SearchPage(Request& req, const PageContext&) {
  const bool ja = req.japanese();
  WriteHeading(req);
  WriteTableStart(req);
  WriteHeaderRow(req);

  std::unique_ptr<File> index, log;
  // sic: "agein" in both notices, kept as boards have always shown it.
  if (!OpenShared(req.env, req.files.Index(), &index)) {
    req.out->Line(ja ? "投稿中でインデックスファイルがオープンできません。暫く時間を置いて再度実行してください。"_sj
                     : "Now, it's being written. Don't open index file. Wait a minute. Please retry agein.");
    EndRequest();
  }
  if (!OpenShared(req.env, req.files.Log(), &log)) {
    req.out->Line(ja ? "投稿中でログファイルファイルがオープンできません。暫く時間を置いて再度実行してください。"_sj
                     : "Now, it's being written. Don't open log file. Wait a minute. Please retry agein.");
    EndRequest();
  }

  // Both files stay open, shared with readers only, while the bodies are
  // searched: no writer can change them meanwhile.
  const std::string& keyword = req.post.search_word;
  KeywordFinder finder(keyword, ja);
  uint64_t index_size = 0;
  if (!index->Size(&index_size).ok()) throw std::runtime_error("index size unknown");
  const int count = static_cast<int>(std::min<uint64_t>(index_size / kRecordSize, std::numeric_limits<int>::max()));
  std::vector<char> hit;
  if (!keyword.empty()) {
    hit = FindHits(ReadCandidates(index.get(), count, req.settings.view_limit), count, log.get(), &finder);
  }
  log.reset();

  // The rows, newest first: a batch of records is read with the index
  // open, and written once it is closed again, so that the page is never
  // held whole and a client that stops reading holds no file. Records keep
  // their place; an article deleted since the search is left out.
  // The clock is asked only when TIMECOLOR needs it.
  const LocalTime now = req.settings.time_color != 0 ? req.env->Now() : LocalTime{};
  int hits = 0;
  std::vector<std::pair<int, IndexRecord>> rows;
  for (int k = static_cast<int>(hit.size()) - 1; k >= 0;) {
    rows.clear();
    if (!index && !OpenShared(req.env, req.files.Index(), &index)) {
      req.out->Line(ja ? "投稿中でインデックスファイルがオープンできません。暫く時間を置いて再度実行してください。"_sj
                       : "Now, it's being written. Don't open index file. Wait a minute. Please retry agein.");
      EndRequest();
    }
    for (; k >= 0 && rows.size() < kRowsPerBatch; --k) {
      IndexRecord rec;
      if (!hit[static_cast<std::size_t>(k)] || !ReadRecord(index.get(), k, &rec).ok() || rec.is_deleted()) continue;
      rows.emplace_back(k, std::move(rec));
    }
    index.reset();
    for (const auto& [position, rec] : rows) WriteRow(req, rec, position + 1, now);
    hits += static_cast<int>(rows.size());
  }
  index.reset();

  req.out->Line("</TABLE>");
  req.out->Line((ja ? "検索キーワード ["_sj : "Search keyword [") + EscapeText(keyword) + "]<BR>");
  req.out->Line((ja ? "ヒット数 ["_sj : "Hit count [") + Html::Number(hits) + "]<BR>");
}

}  // namespace kiroq
