// A board in a temporary program folder, and whole requests run against it.
#ifndef KIROQ_TESTS_BOARD_FIXTURE_H_
#define KIROQ_TESTS_BOARD_FIXTURE_H_

#include <string>
#include <string_view>
#include <vector>

#include "storage/record.h"
#include "test_env.h"

namespace kiroq {

class BoardFixture {
 public:
  explicit BoardFixture(std::string board = "test", Env* target = PosixEnv())
      : board_(std::move(board)), env_(target) {}

  const std::string& board() const { return board_; }
  TempDir& dir() { return dir_; }
  FakeEnv& env() { return env_; }

  // Writes <board>.ini with these lines (joined by CR LF).
  void Settings(const std::vector<std::string>& lines);
  // Writes <board><ext> beside the program.
  void File(const std::string& ext, const std::string& data) { dir_.Write(board_ + ext, data); }

  // Appends an article to the board's files directly (no request).
  int AddArticle(const IndexRecord& rec, const std::string& body);
  std::string IndexBytes() const { return dir_.Read("bbsdb/" + board_ + ".idx"); }
  std::string LogBytes() const { return dir_.Read("bbsdb/" + board_ + ".log"); }
  IndexRecord Record(int position) const;
  int Count() const { return static_cast<int>(IndexBytes().size() / kRecordSize); }

  // Runs one request with these command-line words and returns everything
  // written to standard output. The output of the previous run is cleared.
  std::string Run(const std::vector<std::string>& args);
  // The same with the words of the usual four-word query.
  std::string Get(int page_size, int number, int action) {
    return Run({board_, std::to_string(page_size), std::to_string(number), std::to_string(action)});
  }
  // A multipart POST of these fields (name, value) to the query words.
  std::string Post(const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& fields);

 private:
  std::string board_;
  TempDir dir_;
  FakeEnv env_;
};

// The body of rec in a log held in memory: log[body_start .. body_end], or ""
// when the offsets lie outside the log or are reversed.
std::string_view BodyIn(std::string_view log, const IndexRecord& rec);

// Flips the deleted mark of the record at position, leaving its other bytes.
Status ToggleDeleted(File* index, int position);

// What the log keeps of a message typed into the form: the text from its
// first byte that is not a line break, with the CR LF that ends its last
// line ("" for line breaks alone).
std::string StoredMessage(std::string_view typed);

// A multipart body made by hand: each part given whole (header lines, blank
// line, value) between delimiters of this boundary; closed: with the final
// delimiter.
std::string JoinedParts(const std::string& boundary, const std::vector<std::string>& parts, bool closed = true);
// A text part's header and value, for JoinedParts.
std::string Part(const std::string& name, const std::string& value);

// A multipart/form-data body as browsers send it, with this boundary.
std::string MultipartBody(const std::string& boundary, const std::vector<std::pair<std::string, std::string>>& fields);

// A fresh record as a post would store it, with a fixed date.
IndexRecord SampleRecord(const std::string& title, const std::string& name = "poster", int parent = 0);

}  // namespace kiroq

#endif  // KIROQ_TESTS_BOARD_FIXTURE_H_
