// Where a board's files lie, and opening them under the sharing rules.
//
// Relative to the program folder:
//   <board>.ini, .mes, .post, .repost, .HED, .FOT, .LOGINERR  (read only)
//   bbsdb/<board>.log   article log
//   bbsdb/<board>.idx   index
//   bbsdb/<board>.lim   posting limits and wrong passwords of the last hour
//   bbsdb/<board>/      attachments
#ifndef KIROQ_STORAGE_BOARD_FILES_H_
#define KIROQ_STORAGE_BOARD_FILES_H_

#include <map>
#include <memory>
#include <string>

#include "platform/env.h"

namespace kiroq {

class BoardFiles {
 public:
  BoardFiles() = default;
  // program_folder ends in "/".
  BoardFiles(std::string program_folder, std::string board)
      : folder_(std::move(program_folder)), board_(std::move(board)) {}

  const std::string& folder() const { return folder_; }
  const std::string& board() const { return board_; }

  // program folder + board + ext ("x.ini", "x.HED", ...), exactly as given.
  std::string BesideProgram(const std::string& ext) const { return folder_ + board_ + ext; }
  std::string DataDir() const { return folder_ + "bbsdb"; }
  std::string Log() const { return folder_ + "bbsdb/" + board_ + ".log"; }
  std::string Index() const { return folder_ + "bbsdb/" + board_ + ".idx"; }
  std::string Limits() const { return folder_ + "bbsdb/" + board_ + ".lim"; }
  // The attachment folder, with a trailing "/".
  std::string UploadDir() const { return folder_ + "bbsdb/" + board_ + "/"; }
  // The download counter of article number: bbsdb/<board>/<board><n>.txt.
  std::string DownloadCounter(int number) const { return UploadDir() + board_ + std::to_string(number) + ".txt"; }

  // A board file beside the program whose extension may be spelled in upper
  // or lower case on disk (boards copied from a Windows server have either):
  // tries ext as given, then lower case, then upper case. Returns the path
  // found, or "" when there is none. The answer is kept for the rest of the
  // request: pages that show many articles ask for the same template each
  // time, and templates do not come and go while a request runs.
  std::string FindBesideProgram(Env* env, const std::string& ext) const;

 private:
  std::string folder_;
  std::string board_;
  mutable std::map<std::string, std::string> found_;  // ext -> path or ""
};

// Retry limits of an open: at most retries + 1 attempts; each attempt after
// the first waits up to interval_ms for the holder to let go.
struct RetryLimit {
  int retries;
  int interval_ms;
};
inline constexpr RetryLimit kStandardRetry{60, 100};
inline constexpr RetryLimit kReplyFormRetry{2, 1000};
inline constexpr RetryLimit kNoRetry{0, 0};

// Opens path in mode while another open may hold a conflicting lock. A free
// file opens at the first attempt without a wait; each further attempt
// (Env::OpenWaitAttempts) waits up to interval_ms and opens the moment the
// holder lets go, so the whole open gives up after about retries ×
// interval_ms.
// Busy when every attempt met a lock; NotFound (at once) when the file is
// missing. *attempts, when given, receives the number of attempts made.
Status OpenWithRetry(Env* env, const std::string& path, OpenMode mode, RetryLimit limit, std::unique_ptr<File>* out,
                     int* attempts = nullptr);

// A download counter's first line as a number: 0 when the file is empty, 1
// when the line is not a number; false when there is no counter file or it
// cannot be read (*status, when given, receives why).
bool ReadDownloadCount(Env* env, const std::string& path, long long* count, Status* status = nullptr);

enum class EnsureResult { kOk, kLogFailed, kIndexFailed };

// Creates the board's log and index when they are missing (an existing file
// is never truncated). Data files copied from a Windows server as .LOG/.IDX
// are renamed to the names used here.
EnsureResult EnsureDataFiles(Env* env, const BoardFiles& files);

}  // namespace kiroq

#endif  // KIROQ_STORAGE_BOARD_FILES_H_
