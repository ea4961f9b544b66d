#include "pages/article_page.h"
#include "board/visibility.h"

#include <memory>

#include "board/actions.h"
#include "html/article_block.h"
#include "html/article_view.h"
#include "html/frame.h"
#include "html/request.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// Reads the record at position under a shared read open of the index.
// False when there is no such record; a busy index ends the request.
bool ReadShownRecord(Request& req, int position, IndexRecord* rec) {
  std::unique_ptr<File> index;
  Status s = OpenWithRetry(req.env, req.files.Index(), OpenMode::kReadShared, kStandardRetry, &index);
  if (s.IsBusy()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  if (!s.ok()) return false;
  int count = 0;
  if (ArticleCount(index.get(), &count).ok()) req.count = count;
  return ReadRecord(index.get(), position, rec).ok();
}

bool HasMessageTemplate(Request& req) { return !req.files.FindBesideProgram(req.env, ".mes").empty(); }

}  // namespace

void ShowCurrentArticle(Request& req) {
  IndexRecord rec;
  bool found = req.count > 0 && ReadShownRecord(req, req.position, &rec);
  if (!HasMessageTemplate(req)) WriteArticleNavBar(req, req.position + 1, req.count, found ? &rec : nullptr);
  if (!found) return;
  if (BeyondViewLimit(req.settings.view_limit, req.count, req.position)) {
    req.out->Line("<P>このログは表示できません。"_sj);
    return;
  }
  ShowArticle(req, rec, req.position + 1);
}

void ArticlePage(Request& req) { ShowCurrentArticle(req); }

void NewestArticlePage(Request& req) {
  if (req.count > 0) req.position = req.count - 1;
  ShowCurrentArticle(req);
}

// The deletion toggles of a poster: the mark flips, then the article shows.

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
  req.action = Code(Action::kArticle);
  ShowCurrentArticle(req);
}

void ToggleWithPasswordPage(Request& req) {
  if (!ToggleIfPassword(req, req.input.Field("DELPASSWORD"))) {
    req.out->Line(req.japanese() ? "削除用のパスワードが間違っています。"_sj
                                 : "A password for the elimination is wrong.");
  }
  ShowCurrentArticle(req);
}

}  // namespace kiroq
