#include "pages/article_page.h"

#include <memory>

#include "board/actions.h"
#include "html/article_block.h"
#include "html/article_view.h"
#include "html/frame.h"
#include "html/page_context.h"
#include "html/password_guard.h"
#include "html/request.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// Reads the record at position under a shared read open of the index, and
// the index's article count into *count when it can. False when there is no
// such record; a busy index ends the request.
bool ReadShownRecord(Request& req, int position, IndexRecord* rec, int* count) {
  std::unique_ptr<File> index;
  Status s = OpenWithRetry(req.env, req.files.Index(), OpenMode::kReadShared, kStandardRetry, &index);
  if (s.IsBusy()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  if (!s.ok()) return false;
  int indexed = 0;
  if (ArticleCount(index.get(), &indexed).ok()) *count = indexed;
  return ReadRecord(index.get(), position, rec).ok();
}

bool HasMessageTemplate(Request& req) { return !req.files.FindBesideProgram(req.env, ".mes").empty(); }

// The navigation bar and the current article, as every page here shows it.
void ShowCurrentArticle(Request& req, PageContext page) {
  IndexRecord rec;
  bool found = page.count > 0 && ReadShownRecord(req, page.position, &rec, &page.count);
  if (!HasMessageTemplate(req)) WriteArticleNavBar(req, page.position + 1, page.count, found ? &rec : nullptr);
  if (!found) return;
  ShowArticleOrNotice(req, page, rec, page.position + 1);
}

}  // namespace

void ArticlePage(Request& req, const PageContext& page) { ShowCurrentArticle(req, page); }

void NewestArticlePage(Request& req, const PageContext& page) {
  PageContext newest = page;
  if (newest.count > 0) newest.position = newest.count - 1;
  ShowCurrentArticle(req, newest);
}

// The deletion toggles of a poster: the mark flips, then the article shows.

namespace {

enum class Toggled { kYes, kNo, kLockedOut };

// Flips the mark when password is the article's deletion password. An
// article stored without one never matches, and an empty password is no
// guess.
Toggled ToggleIfPassword(Request& req, int position, const std::string& password) {
  if (password.empty()) return Toggled::kNo;
  PasswordGuess guess{PasswordKind::kDeletion, "article " + std::to_string(position)};
  if (!StartPasswordCheck(req, guess)) return Toggled::kLockedOut;
  bool right = false, written = false;
  {
    std::unique_ptr<File> index = OpenIndexOrEnd(req, OpenMode::kWriteExclusive);
    std::string bytes;
    IndexRecord rec;
    if (ReadRecordBytes(index.get(), position, &bytes).ok()) {
      DecodeRecord(bytes, &rec);
      right = !rec.password.empty() && rec.password == password;
    }
    if (right) {
      ToggleDeletedMark(&bytes);
      written = WriteRecordBytes(index.get(), position, bytes).ok();
    }
  }
  FinishPasswordCheck(req, guess, right);
  return written ? Toggled::kYes : Toggled::kNo;
}

}  // namespace

void ToggleWithCookiePage(Request& req, const PageContext& page) {
  if (ToggleIfPassword(req, page.position, req.cookies.Value("PWD=")) == Toggled::kLockedOut) {
    WriteLockedOutLines(req);
  }
  ShowCurrentArticle(req, page);
}

void ToggleWithPasswordPage(Request& req, const PageContext& page) {
  const Toggled toggled = ToggleIfPassword(req, page.position, req.input.Field("DELPASSWORD"));
  if (toggled == Toggled::kLockedOut) {
    WriteLockedOutLines(req);
  } else if (toggled == Toggled::kNo) {
    // sic: kept as boards have always shown it.
    req.out->Line(req.japanese() ? "削除用のパスワードが間違っています。"_sj
                                 : "A password for the elimination is wrong.");
  }
  ShowCurrentArticle(req, page);
}

}  // namespace kiroq
