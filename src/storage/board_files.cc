#include "storage/board_files.h"

#include <vector>

#include "text/ascii.h"

namespace kiroq {

namespace {

std::string ToLowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool EnsureOne(Env* env, const std::string& path, const std::string& windows_path) {
  if (env->FileExists(path)) return true;
  if (env->FileExists(windows_path)) env->RenameFile(windows_path, path);
  std::unique_ptr<File> f;
  // kCreate keeps a file that another request created a moment ago; a
  // conflicting lock means the file exists and is in use.
  Status s = env->Open(path, OpenMode::kCreate, &f);
  return s.ok() || s.IsBusy();
}

}  // namespace

std::string BoardFiles::FindBesideProgram(Env* env, const std::string& ext) const {
  auto known = found_.find(ext);
  if (known != found_.end()) return known->second;
  std::string& found = found_[ext];
  std::string path = BesideProgram(ext);
  const std::string lower = ToLowerAscii(ext), upper = ToUpperAscii(ext);
  if (env->FileExists(path) || (lower != ext && env->FileExists(path = BesideProgram(lower))) ||
      (upper != ext && env->FileExists(path = BesideProgram(upper)))) {
    found = path;
  }
  return found;
}

Status OpenWithRetry(Env* env, const std::string& path, OpenMode mode, RetryLimit limit, std::unique_ptr<File>* out,
                     int* attempts) {
  int waits = 0;
  Status s = env->Open(path, mode, out);
  if (s.IsBusy() && limit.retries > 0)
    s = env->OpenWaitAttempts(path, mode, limit.retries, limit.interval_ms, out, &waits);
  if (attempts) *attempts = 1 + waits;
  return s;
}

bool ReadDownloadCount(Env* env, const std::string& path, long long* count, Status* status) {
  std::string text;
  Status s = env->ReadFile(path, &text);
  if (status) *status = s;
  if (!s.ok()) return false;
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty()) {
    *count = 0;
  } else {
    int v;
    *count = ParseWholeNumber(lines[0], &v) ? v : 1;
  }
  return true;
}

EnsureResult EnsureDataFiles(Env* env, const BoardFiles& files) {
  const std::string stem = files.DataDir() + "/" + files.board();
  if (!EnsureOne(env, files.Log(), stem + ".LOG")) return EnsureResult::kLogFailed;
  if (!EnsureOne(env, files.Index(), stem + ".IDX")) return EnsureResult::kIndexFailed;
  return EnsureResult::kOk;
}

}  // namespace kiroq
