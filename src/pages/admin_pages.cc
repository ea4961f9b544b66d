#include "pages/admin_pages.h"

#include <memory>
#include <string>
#include <string_view>

#include "board/dates.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "html/article_block.h"
#include "html/article_view.h"
#include "html/links.h"
#include "html/page_context.h"
#include "html/password_guard.h"
#include "html/post_date.h"
#include "html/request.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

constexpr SjLiteral kBody = "<BODY BGCOLOR=\"#FFFFE0\">";

// "KIROQ [board] 用管理メニュー<P>"
void WriteTitleLine(Request& req) { req.out->Line("KIROQ [" + EscapeText(req.board) + "] 用管理メニュー<P>"_sj); }

// The opening of the page both actions share, up to the title line.
void WritePageStart(Request& req) {
  WritePageHeader(req.out);
  req.out->Line("<HTML>");
  req.out->Line(kBody + "<CENTER>");
  WriteTitleLine(req);
}

// The menu's form, posting to action 98 (multipart except on mobile pages).
Html FormLine(const Request& req) { return BoardForm(req, 0, Action::kAdminActions); }

// Ends a page of action 98 early, after a refused number.
[[noreturn]] void Stop(Request& req) {
  req.out->Line("</CENTER></BODY>");
  req.out->Line("</HTML>");
  EndRequest();
}

[[noreturn]] void StopInvalidNumber(Request& req, std::string_view field_text) {
  req.out->Line(EscapeText(field_text) + "は不正な数値です。<BR>"_sj);
  Stop(req);
}

void WriteMobileMenu(Request& req) {
  Output* out = req.out;
  out->Line(FormLine(req));
  out->Line("管理者用パスワード<BR><INPUT TYPE=\"PASSWORD\" SIZE=\"20\" NAME=\"PASSWORD2\"><BR>"_sj);
  out->Line("削除番号<BR><INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"DELPOS\"><BR>"_sj);
  out->Line("削除解除番号<BR><INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"UNDELPOS\"><BR>"_sj);
  out->Line("詳細閲覧番号<BR><INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"LOOKPOS\"><BR>"_sj);
  out->Line("<INPUT TYPE=\"SUBMIT\" VALUE=\"実行する\">"_sj);
  out->Line("</FORM>");
}

void WriteTableMenu(Request& req) {
  struct Row {
    SjLiteral label, control;
  };
  static const Row kRows[] = {
      {"管理者用パスワード"_sj, "<INPUT TYPE=\"PASSWORD\" SIZE=\"20\" NAME=\"PASSWORD2\">"},
      {"削除する発言番号"_sj, "<INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"DELPOS\">"},
      {"削除を解除する発言番号"_sj, "<INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"UNDELPOS\">"},
      {"詳細を見る発言番号"_sj, "<INPUT TYPE=\"TEXT\" SIZE=\"20\" NAME=\"LOOKPOS\">"},
  };
  Output* out = req.out;
  out->Line("<TABLE BORDER>");
  out->Line(FormLine(req));
  for (const Row& row : kRows) {
    out->Line("<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">" + row.label + "</TD><TD BGCOLOR=\"#E0FFE0\">" + row.control +
              "</TD></TR>");
  }
  out->Line("</TABLE><P>");
  out->Line("<INPUT TYPE=\"SUBMIT\" VALUE=\"実行する\">"_sj);
  out->Line("</FORM>");
}

// What one number list does to each article it names.
struct MarkAction {
  std::string_view field;  // DELPOS or UNDELPOS
  bool deleted;            // the mark to set
  SjLiteral done;          // after the number on success
  SjLiteral out_of_range;
};

const MarkAction kDelete = {"DELPOS", true, "番の発言を削除しました。<BR>"_sj, "番は範囲外の番号です。<BR>"_sj};
const MarkAction kRestore = {"UNDELPOS", false, "番の発言を復活しました。<BR>"_sj, "番は範囲外の番号です<BR>"_sj};

void ApplyMarks(Request& req, File* index, int count, const MarkAction& action) {
  const std::string text = req.input.Field(action.field);
  if (text.empty()) return;
  for (const std::string& item : ExpandNumberList(text)) {
    int n = 0;
    if (!ParseWholeNumber(item, &n)) StopInvalidNumber(req, text);
    if (n < 1 || n > count) {
      req.out->Line(Html::Number(n) + action.out_of_range);
      Stop(req);
    }
    std::string bytes;
    Status s = ReadRecordBytes(index, n - 1, &bytes);
    if (s.ok()) {
      SetDeletedMark(&bytes, action.deleted);
      s = WriteRecordBytes(index, n - 1, bytes);
    }
    if (!s.ok()) {
      req.out->Line("Server Busy!");
      EndRequest();
    }
    req.out->Line(Html::Number(n) + action.done);
  }
}

void WriteFieldRow(Output* out, const Html& label, const Html& value) {
  out->Line("<TR><TD BGCOLOR=\"#E0E0FF\">" + label + "</TD><TD BGCOLOR=\"#E0FFE0\">" + value + "</TD></TR>");
}

// Visitor text for a table cell; an empty cell holds a line break so that
// browsers draw it.
Html CellText(std::string_view text) { return text.empty() ? Html("<BR>") : EscapeText(text); }

// The record LOOKPOS names, read with the index locked; false when no
// number was given.
bool ReadInspected(Request& req, File* index, int count, int* number, IndexRecord* rec) {
  const std::string text = req.input.Field("LOOKPOS");
  if (text.empty()) return false;
  int& n = *number;
  if (!ParseWholeNumber(text, &n)) StopInvalidNumber(req, text);
  if (n < 1 || n > count) {
    req.out->Line(Html::Number(n) + "番は範囲外の番号です。"_sj);
    Stop(req);
  }
  if (!ReadRecord(index, n - 1, rec).ok()) {
    req.out->Line("Server Busy!");
    EndRequest();
  }
  return true;
}

// The inspected article's fields and, on full pages, the article itself,
// written once the index is closed.
void WriteInspection(Request& req, int n, const IndexRecord& rec) {
  Output* out = req.out;
  out->Line("<TABLE BORDER>");
  WriteFieldRow(out, "発言番号"_sj, Html::Number(n));
  WriteFieldRow(out, "タイトル"_sj, EscapeText(rec.title));
  WriteFieldRow(out, "名前"_sj, EscapeText(rec.name));
  WriteFieldRow(out, "メールアドレス"_sj, CellText(rec.email));
  WriteFieldRow(out, "パスワード"_sj, CellText(rec.password));
  WriteFieldRow(out, "URL", CellText(rec.url));
  WriteFieldRow(out, "画像URL"_sj, CellText(rec.image_url));
  WriteFieldRow(out, "日付"_sj, FormatPostDate(rec.date, req.settings, req.env));
  WriteFieldRow(out, "アドレス１"_sj, CellText(rec.address));
  WriteFieldRow(out, "アドレス２"_sj, CellText(rec.address2));
  WriteFieldRow(out, "IP", rec.host.empty() ? Html("！！！不明！！！"_sj) : EscapeText(rec.host));
  WriteFieldRow(out, "ログ中の開始ポインタ"_sj, Html::Number(rec.body_start));
  WriteFieldRow(out, "ログ中の終了ポインタ"_sj, Html::Number(rec.body_end));
  if (!req.mobile()) {
    out->Line("<TR><TD BGCOLOR=\"#E0E0FF\">ログイメージ</TD><TD BGCOLOR=\"#E0FFE0\">"_sj);
    IndexRecord shown = rec;
    shown.deleted = 0;  // the administrator sees what the poster wrote
    PageContext page;
    page.action = req.action;
    page.position = n - 1;
    ShowArticle(req, page, shown, n);
    out->Line("</TD></TR>");
  }
  out->Line("</TABLE><P>");
}

}  // namespace

void AdminMenuPage(Request& req) {
  WritePageStart(req);
  if (req.mobile()) {
    WriteMobileMenu(req);
  } else {
    WriteTableMenu(req);
  }
  req.out->Line("</CENTER></BODY></HTML>");
}

void AdminActionPage(Request& req) {
  Output* out = req.out;
  // A board without a control password has no administrator, and no
  // password to guess; an empty password guesses nothing.
  bool right = false;
  bool locked_out = false;
  const std::string tried = req.input.Field("PASSWORD2");
  if (!req.admin_password.empty() && !tried.empty()) {
    PasswordGuess guess{PasswordKind::kAdministrator, "admin"};
    locked_out = !StartPasswordCheck(req, guess);
    if (!locked_out) {
      right = tried == req.admin_password;
      FinishPasswordCheck(req, guess, right);
    }
  }
  if (!right) {
    WritePageHeader(out);
    out->Line("<HTML>");
    out->Line(kBody);
    WriteTitleLine(req);
    if (locked_out) {
      WriteLockedOutLines(req);
    } else {
      out->Line("管理用パスワードが間違っています！<P>"_sj);
    }
    out->Line("</BODY>");
    out->Line("</HTML>");
    return;
  }
  WritePageStart(req);
  std::unique_ptr<File> index;
  int count = 0;
  if (!OpenWithRetry(req.env, req.files.Index(), OpenMode::kWriteExclusive, kStandardRetry, &index).ok() ||
      !ArticleCount(index.get(), &count).ok()) {
    out->Line(req.labels.index_busy);
    return;
  }
  ApplyMarks(req, index.get(), count, kDelete);
  ApplyMarks(req, index.get(), count, kRestore);
  int inspected = 0;
  IndexRecord rec;
  const bool inspect = ReadInspected(req, index.get(), count, &inspected, &rec);
  index.reset();
  if (inspect) WriteInspection(req, inspected, rec);
  out->Line("<P>処理が終了しました"_sj);
  out->Line("</CENTER></BODY>");
  out->Line("</HTML>");
}

}  // namespace kiroq
