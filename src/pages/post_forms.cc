#include "pages/post_forms.h"

#include <cstdio>
#include <memory>

#include "board/reply_title.h"
#include "board/visibility.h"
#include "html/article_block.h"
#include "html/form_fields.h"
#include "html/links.h"
#include "html/request.h"
#include "html/templates.h"
#include "html/view_links.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/cut.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// "新規発言 " or "返信 " and the view links, as one line.
void WriteHeading(Request& req, SjLiteral ja, SjLiteral en) {
  const bool j = req.japanese();
  Html line = j ? ja : en;
  line += ViewLinks(req, ViewLinksOn::kForm, FullViewLabels(req));
  line += Bracketed(BoardLink(req, 0, Action::kArticle, j ? req.labels.latest : "New"));
  line += Bracketed(BoardLink(req, 1, Action::kArticle, j ? req.labels.from_top : "Update")) + "<BR>";
  req.out->Line(line);
}

void WriteFormStart(Request& req, int number) {
  req.out->Line(BoardForm(req, number, Action::kNewestAfterPost));
  if (!req.mobile()) req.out->Line("<TABLE BORDER=0>");
}

// Every field but the title and the deletion password, in form order.
void WriteFieldsBeforeTitle(Request& req) {
  WriteNameRows(req);
  WriteEmailRow(req);
}

void WriteFieldsAfterTitle(Request& req) {
  WriteUrlRow(req);
  WriteImageUrlRow(req);
  WriteAddressRow(req);
  WriteAgeRow(req);
  WriteSexRow(req);
  WriteControlPasswordRow(req);
}

void WriteDeletePassword(Request& req) {
  const Html value = EscapeAttribute(req.cookies.Value("PWD="));
  if (req.mobile()) {
    req.out->Line("削除用パスワード<BR><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" VALUE=\""_sj + value +
                  "\"><BR>");
    return;
  }
  const SjLiteral label =
      req.japanese()
          ? "<TR><TD>削除用パスワード：</TD><TD><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" VALUE=\""_sj
          : "<TR><TD>Delete Password :</TD><TD><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" VALUE=\"";
  req.out->Line(label + value + "\"></TD></TR>");
  req.out->Line("</TABLE>");
}

// The parent record for the reply form; a busy index ends the request.
bool ReadParent(Request& req, IndexRecord* rec) {
  std::unique_ptr<File> index;
  Status s = OpenWithRetry(req.env, req.files.Index(), OpenMode::kReadShared, kReplyFormRetry, &index);
  if (s.IsBusy()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  return s.ok() && ReadRecord(index.get(), req.number - 1, rec).ok();
}

std::string ReadParentBody(Request& req, const IndexRecord& rec) {
  std::unique_ptr<File> log;
  std::string body;
  if (!OpenWithRetry(req.env, req.files.Log(), OpenMode::kReadShared, kStandardRetry, &log).ok()) {
    // sic: the English notice (about writing, on a read) is kept as boards have always shown it.
    req.out->Line(req.japanese() ? "ログデータの読み込みが行えません。管理者に問い合わせてください。"_sj
                                 : "Writing of log data can't be done. Put it, and carry out time for a while again.");
    EndRequest();
  }
  if (!ReadBody(log.get(), rec, &body).ok()) body.clear();
  return body;
}

}  // namespace

void NewPostFormPage(Request& req, const PageContext& page) {
  std::string post_template = req.files.FindBesideProgram(req.env, ".post");
  if (!post_template.empty()) {
    RenderTemplate(req, page, post_template, IndexRecord());
    return;
  }
  WriteHeading(req, "新規発言 "_sj, "New　"_sj);
  WriteFormStart(req, 0);
  WriteFieldsBeforeTitle(req);
  WritePostTitleRow(req, req.settings.un_title);
  WriteFieldsAfterTitle(req);
  WriteDeletePassword(req);
  WriteContentAndButtons(req, true);
  req.out->Line("</FORM>");
}

void ReplyFormPage(Request& req, const PageContext& page) {
  IndexRecord parent;
  if (!ReadParent(req, &parent)) return;  // no such article: nothing to answer
  std::string reply_template = req.files.FindBesideProgram(req.env, ".repost");
  if (!reply_template.empty()) {
    RenderTemplate(req, page, reply_template, parent);
    return;
  }
  const bool ja = req.japanese();
  Output* out = req.out;
  WriteHeading(req, "返信 "_sj, "Response　"_sj);
  out->Line((ja ? "タイトル ["_sj : "Title [") + EscapeText(parent.title) +
            (ja ? "]へのコメントです"_sj : "] is comment"));
  WriteFormStart(req, req.number);
  WriteFieldsBeforeTitle(req);
  WriteReplyTitleRow(req, ReplyTitle(parent.title, ja));
  WriteFieldsAfterTitle(req);
  WriteDeletePassword(req);
  out->Write("<TEXTAREA NAME=\"CONTENT\" ROWS=" + Html::Trusted(req.settings.rows_size) +
             " COLS=" + Html::Trusted(req.settings.cols_size) + ">");
  // A parent that may not be shown (deleted, too old) is answered as one
  // without a body.
  if (parent.HasBody() && MayShowBody(req.settings.view_limit, page.count, req.number - 1, parent.is_deleted())) {
    out->Line(QuotedBody(ReadParentBody(req, parent), Html::Trusted(req.settings.add_head)));
  }
  out->Line("</TEXTAREA><BR>");
  if (!req.settings.read_only) {
    out->Line(ja ? "<INPUT TYPE=\"SUBMIT\" VALUE=\"投稿する\""_sj + (req.mobile() ? Html(" ACCESSKEY=\"0\"") : Html()) +
                       ">"
                 : Html("<INPUT TYPE=\"SUBMIT\" VALUE=\"Post\">"));
  }
  out->Line(ja ? "<INPUT TYPE=\"RESET\" VALUE=\"リセットします\">"_sj : "<INPUT TYPE=\"RESET\" VALUE=\"Reset\">");
  if (req.settings.use_cookie) {
    out->Line(
        ja ? "<INPUT NAME=\"COOKIE\" TYPE=\"CHECKBOX\" VALUE=\"on\" checked>Cookie に氏名、メールアドレス等を記録する"_sj
           : "<INPUT NAME=\"COOKIE\" TYPE=\"CHECKBOX\" VALUE=\"on\" checked>Save your name and mail address and "
             "etc...");
  }
  out->Line("</FORM>");
}

}  // namespace kiroq
