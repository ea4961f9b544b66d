#include "board/export.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "board/dates.h"
#include "storage/article_store.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace kiroq {

namespace {

constexpr int kWindowRecords = 256;
constexpr std::size_t kBodyBlock = 64 * 1024;
constexpr std::size_t kFlushAt = 64 * 1024;

// The characters of a JSON string, without its quotes.
void AppendJsonEscaped(std::string_view utf8, std::string& out) {
  static const char kHex[] = "0123456789abcdef";
  for (char c : utf8) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
}

// The document, kept in a block that goes out when it is full.
class JsonWriter {
 public:
  explicit JsonWriter(const std::function<void(std::string_view)>& write) : write_(write) {}
  ~JsonWriter() { Flush(); }

  void Raw(std::string_view s) { out_ += s; }
  void Number(long long n) { out_ += Itoa(n); }
  // A key after the record's first: ,"key":
  void Key(std::string_view key) {
    out_ += ",\"";
    out_ += key;
    out_ += "\":";
  }
  // Stored Shift-JIS bytes, decoded, inside a string already opened.
  void Decoded(std::string_view sjis) {
    utf8_.clear();
    AppendCp932AsUtf8(sjis, utf8_, &replaced_);
    AppendJsonEscaped(utf8_, out_);
  }
  void Text(std::string_view sjis) {
    out_ += '"';
    Decoded(sjis);
    out_ += '"';
  }
  void Flush() {
    if (!out_.empty()) write_(out_);
    out_.clear();
  }
  void MaybeFlush() {
    if (out_.size() >= kFlushAt) Flush();
  }
  // Replacements since the last call.
  std::size_t TakeReplaced() { return std::exchange(replaced_, 0); }

 private:
  const std::function<void(std::string_view)>& write_;
  std::string out_, utf8_;
  std::size_t replaced_ = 0;
};

// The body of rec as a JSON string, read from the log a block at a time. A
// block is decoded up to its last ASCII byte, after which the decoder starts
// a new character whatever came before, so the pieces decode as the whole
// would; a block without one (64 KB of nothing but double-byte text) is
// decoded whole.
Status WriteBody(File* log, uint64_t log_size, const IndexRecord& rec, JsonWriter* json) {
  json->Raw("\"");
  if (rec.body_start >= 0 && rec.body_end >= rec.body_start && static_cast<uint64_t>(rec.body_end) < log_size) {
    uint64_t at = static_cast<uint64_t>(rec.body_start);
    const uint64_t end = static_cast<uint64_t>(rec.body_end) + 1;
    std::string block, pending;
    while (at < end) {
      Status s = log->ReadAt(at, static_cast<std::size_t>(std::min<uint64_t>(kBodyBlock, end - at)), &block);
      if (!s.ok()) return s;
      if (block.empty()) break;  // the log is shorter than it was
      at += block.size();
      pending += block;
      std::size_t cut = pending.size();
      if (at < end) {
        std::size_t last = pending.size();
        while (last > 0 && static_cast<unsigned char>(pending[last - 1]) >= 0x80) --last;
        if (last > 0) cut = last;
      }
      json->Decoded(std::string_view(pending).substr(0, cut));
      pending.erase(0, cut);
      json->MaybeFlush();
    }
    json->Decoded(pending);
  }
  json->Raw("\"");
  return Status::OK();
}

// The list's entries that name a newer article of the board, each once, as
// article numbers.
std::vector<int> ListedReplies(const IndexRecord& rec, int position, int count) {
  std::vector<int> numbers;
  for (int k = 0; k < rec.ChildCount(); ++k) {
    const int32_t c = rec.children[k];
    if (c <= position || c >= count) continue;
    if (std::find(numbers.begin(), numbers.end(), c + 1) == numbers.end()) numbers.push_back(c + 1);
  }
  return numbers;
}

Status WriteArticle(Env* env, const BoardFiles& files, File* log, uint64_t log_size, const IndexRecord& rec,
                    int position, int count, JsonWriter* json, ExportTotals* totals) {
  const int number = position + 1;
  json->Raw("{\"number\":");
  json->Number(number);
  json->Key("parent");
  json->Number(rec.parent);
  json->Key("children");
  json->Raw("[");
  const std::vector<int> children = ListedReplies(rec, position, count);
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (i > 0) json->Raw(",");
    json->Number(children[i]);
  }
  json->Raw("]");
  json->Key("deleted");
  json->Raw(rec.is_deleted() ? "true" : "false");
  const std::string iso = IsoPostDate(env, rec.date);
  json->Key("date");
  if (iso.empty()) {
    json->Raw("null");
  } else {
    json->Raw("\"" + iso + "\"");
  }
  json->Key("date_text");
  DateTime t;
  if (!iso.empty()) {
    json->Raw("null");
  } else if (DecodePostDate(rec.date, &t)) {
    json->Text(DateDisplayText(rec.date, 0));  // a stored date that is no possible one
  } else {
    json->Text(LegacyDateText(rec.date));
  }
  const std::pair<const char*, const std::string*> texts[] = {{"title", &rec.title},
                                                              {"name", &rec.name},
                                                              {"email", &rec.email},
                                                              {"url", &rec.url},
                                                              {"image_url", &rec.image_url},
                                                              {"age", &rec.age},
                                                              {"sex", &rec.sex},
                                                              {"address", &rec.address},
                                                              {"address2", &rec.address2},
                                                              {"host", &rec.host},
                                                              {"attachment", &rec.attachment}};
  for (const auto& [key, value] : texts) {
    json->Key(key);
    json->Text(*value);
  }
  json->Key("downloads");
  long long downloads = 0;
  Status counted;
  if (!rec.attachment.empty() && ReadDownloadCount(env, files.DownloadCounter(number), &downloads, &counted)) {
    json->Number(downloads);
  } else if (counted.IsRefused()) {
    return counted;  // a link or no regular file where the counter belongs
  } else {
    json->Raw("null");
  }
  json->Key("body");
  Status s = WriteBody(log, log_size, rec, json);
  if (!s.ok()) return s;
  const std::size_t replaced = json->TakeReplaced();
  totals->replaced += replaced;
  json->Key("replaced");
  json->Number(static_cast<long long>(replaced));
  json->Raw("}");
  ++totals->articles;
  return Status::OK();
}

}  // namespace

void AppendJsonString(std::string_view utf8, std::string& out) {
  out += '"';
  AppendJsonEscaped(utf8, out);
  out += '"';
}

Status ExportBoard(Env* env, const BoardFiles& files, int since, const std::function<void(std::string_view)>& write,
                   ExportTotals* totals) {
  *totals = ExportTotals();
  int count = 0;
  {
    std::unique_ptr<File> index;
    Status s = OpenWithRetry(env, files.Index(), OpenMode::kReadShared, kStandardRetry, &index);
    if (s.ok()) s = ArticleCount(index.get(), &count);
    index.reset();
    // The log too: a board whose log cannot be opened gets no document.
    std::unique_ptr<File> log;
    if (s.ok()) s = OpenWithRetry(env, files.Log(), OpenMode::kReadShared, kStandardRetry, &log);
    if (!s.ok()) return s;
  }
  JsonWriter json(write);
  json.Raw("{\"board\":");
  json.Text(files.board());
  json.Raw(",\"since\":");
  json.Number(std::max(since, 0));
  json.Raw(",\"articles\":[");
  std::string bytes;
  for (int first = std::max(since, 0); first < count; first += kWindowRecords) {
    const int n = std::min(kWindowRecords, count - first);
    std::unique_ptr<File> index, log;
    Status s = OpenWithRetry(env, files.Index(), OpenMode::kReadShared, kStandardRetry, &index);
    if (s.ok()) {
      s = index->ReadAt(static_cast<uint64_t>(first) * kRecordSize, static_cast<std::size_t>(n) * kRecordSize, &bytes);
    }
    index.reset();
    if (s.ok() && bytes.size() != static_cast<std::size_t>(n) * kRecordSize) s = Status::IOError("the index shrank");
    if (s.ok()) s = OpenWithRetry(env, files.Log(), OpenMode::kReadShared, kStandardRetry, &log);
    uint64_t log_size = 0;
    if (s.ok()) s = log->Size(&log_size);
    for (int i = 0; s.ok() && i < n; ++i) {
      IndexRecord rec;
      DecodeRecord(std::string_view(bytes).substr(static_cast<std::size_t>(i) * kRecordSize, kRecordSize), &rec);
      json.Raw(first + i > std::max(since, 0) ? ",\n" : "\n");
      s = WriteArticle(env, files, log.get(), log_size, rec, first + i, count, &json, totals);
      json.MaybeFlush();
    }
    if (!s.ok()) return s;
  }
  json.Raw(totals->articles > 0 ? "\n]" : "]");
  json.Raw(",\"count\":");
  json.Number(totals->articles);
  json.Raw(",\"replaced\":");
  json.Number(static_cast<long long>(totals->replaced));
  json.Raw("}\n");
  return Status::OK();
}

}  // namespace kiroq
