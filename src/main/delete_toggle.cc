#include "main/delete_toggle.h"

#include <memory>

#include "main/article_page.h"
#include "main/request.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// Flips the mark when password is the article's deletion password. An
// article stored without one never matches. False on a mismatch.
bool ToggleIfPassword(Request& req, const std::string& password) {
  std::unique_ptr<File> index;
  if (!OpenWithRetry(req.env, req.files.Index(), OpenMode::kWriteExclusive, kStandardRetry, &index).ok()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  std::string bytes;
  if (!ReadRecordBytes(index.get(), req.position, &bytes).ok()) return false;
  IndexRecord rec;
  DecodeRecord(bytes, &rec);
  if (rec.password.empty() || rec.password != password) return false;
  ToggleDeletedMark(&bytes);
  return WriteRecordBytes(index.get(), req.position, bytes).ok();
}

}  // namespace

void ToggleWithCookiePage(Request& req) {
  ToggleIfPassword(req, req.cookies.Value("PWD="));
  req.action = 3;
  ShowCurrentArticle(req);
}

void ToggleWithPasswordPage(Request& req) {
  if (!ToggleIfPassword(req, req.input.Field("DELPASSWORD"))) {
    req.out->Line(req.japanese() ? "削除用のパスワードが間違っています。"_sj : "A password for the elimination is wrong.");
  }
  ShowCurrentArticle(req);
}

}  // namespace kiroq
