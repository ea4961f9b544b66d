#include "html/frame.h"

#include "html/links.h"
#include "html/request.h"
#include "html/view_links.h"
#include "platform/env.h"
#include "storage/board_files.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

bool ReadBoardText(Request& req, const std::string& path, std::string* text) {
  return !path.empty() && ReadAdministratorFile(req.env, path, text).ok();
}

void PrintLines(Request& req, const std::string& text) {
  for (const std::string& line : SplitLines(text)) req.out->Line(Html::Trusted(line));
}

}  // namespace

bool PrintFile(Request& req, const std::string& path) {
  std::string text;
  if (!ReadBoardText(req, path, &text)) return false;
  PrintLines(req, text);
  return true;
}

std::string FeedTitle(const Request& req) {
  return req.settings.feed_title.empty() ? req.board : req.settings.feed_title;
}

Html FeedHeadLink(const Request& req) {
  return "<LINK REL=\"alternate\" TYPE=\"application/atom+xml\" TITLE=\"" + EscapeAttribute(FeedTitle(req)) +
         "\" HREF=\"" + BoardHref(req, 0, Action::kFeed) + "\">";
}

void WritePageHead(Request& req) {
  std::string header_file;
  if (ReadBoardText(req, req.files.FindBesideProgram(req.env, ".HED"), &header_file)) {
    WritePageHeader(req.out, PhoneHeadAt::kAfterHeaderFile);
    PrintLines(req, header_file);
    WritePhoneHead(req.out);
    return;
  }
  WritePageHeader(req.out);
  req.out->Line("<HTML>");
  req.out->Line("<BODY BGCOLOR=\"#FFFFE0\">");
}

void WritePageFooter(Request& req) {
  if (PrintFile(req, req.files.FindBesideProgram(req.env, ".FOT"))) return;
  req.out->Line("<!--");
  req.out->Line("kiroq: a threaded bulletin board");
  req.out->Line("Every request is one run of the program; the board lives in files.");
  req.out->Line("Pages are Shift-JIS or English, as the board's settings choose.");
  req.out->Line("-->");
  req.out->Line("</BODY>");
  req.out->Line("</HTML>");
}

void WriteSearchForm(Request& req) {
  req.out->Line(BoardForm(req, 0, Action::kSearch));
  if (req.japanese()) {
    req.out->Line(
        "検索：<INPUT TYPE=\"TEXT\" NAME=\"SEARCHWORD\" SIZE=\"40\" VALUE=\"\">"
        "<INPUT TYPE=\"SUBMIT\" VALUE=\"検索\"><BR>"_sj);
  } else {
    req.out->Line(
        "Search：<INPUT TYPE=\"TEXT\" NAME=\"SEARCHWORD\" SIZE=\"40\" VALUE=\"\">"
        "<INPUT TYPE=\"SUBMIT\" VALUE=\"Go Search\"><BR>"_sj);
  }
  req.out->Line("</FORM>");
}

// sic: "maneger" kept as boards have always shown it.
void WriteManagerLink(Request& req) {
  if (req.mobile()) {
    const Html text = req.japanese() ? "BBS管理者"_sj : "BBS maneger";
    req.out->Line(BoardLink(req, 0, Action::kAdminMenu, text));
  } else {
    const Html text = req.japanese() ? "ＢＢＳ管理者メニュー"_sj : "BBS maneger menu";
    req.out->Line("<DIV ALIGN=\"RIGHT\">" + BoardLink(req, 0, Action::kAdminMenu, text) + "</DIV>");
  }
}

void WritePageTail(Request& req) {
  if (req.settings.use_search_log) WriteSearchForm(req);
  if (req.settings.bbs_man) WriteManagerLink(req);
  WritePageFooter(req);
}

namespace {

// The prompt always; the links, with a back link on Japanese boards, and
// the line end only when VIEWSELECT offers a view.
void WriteViewMenu(Request& req, int n) {
  const bool ja = req.japanese();
  req.out->Write(ja ? req.labels.view_prompt : "Article view :");
  const ViewLabels labels = FullViewLabels(req);
  const Html links =
      ja ? ViewLinksWithBack(req, ViewLinksOn::kArticle, labels, n) : ViewLinks(req, ViewLinksOn::kArticle, labels);
  if (!links.empty()) req.out->Line(links + "<BR>");
}

void WriteMoveMenu(Request& req) {
  Output* out = req.out;
  if (req.japanese()) {
    out->Write(req.labels.move_prompt);
    out->Write(Bracketed(BoardLink(req, 0, Action::kArticle, req.labels.latest)));
    out->Write(Bracketed(BoardLink(req, 1, Action::kArticle, req.labels.from_top)));
  } else {
    out->Write("Move："_sj);
    out->Write(Bracketed(BoardLink(req, 0, Action::kArticle, "New")));
    out->Write(Bracketed(BoardLink(req, 1, Action::kArticle, "Update")));
  }
}

void WriteStepper(Request& req, int n, int count) {
  Output* out = req.out;
  if (n < count) {
    out->Write(Bracketed(BoardLink(req, n + 1, Action::kArticle, req.labels.next_article)));
  } else {
    out->Write(Bracketed(req.labels.next_article));
  }
  if (n <= 1) {
    out->Write(Bracketed(req.labels.previous_article) + "<BR>");
  } else {
    out->Write(Bracketed(BoardLink(req, n - 1, Action::kArticle, req.labels.previous_article)) + "<BR>");
  }
}

void WritePostMenu(Request& req, int n) {
  if (req.settings.read_only) return;
  Output* out = req.out;
  out->Write(req.labels.post_prompt);
  out->Write(Bracketed(BoardLink(req, 0, Action::kNewPostForm, req.labels.new_post)));
  out->Write(Bracketed(BoardLink(req, n, Action::kReplyForm, req.labels.reply)));
}

void WriteDeleteItem(Request& req, int n, const IndexRecord* shown) {
  if (!req.settings.use_delete) return;
  bool deleted = shown && shown->is_deleted();
  SjLiteral label = deleted ? req.labels.deleted_label : req.labels.delete_label;
  Output* out = req.out;
  if (shown && !shown->password.empty()) {
    out->Write(Bracketed(BoardLink(req, n, Action::kDeletionPage, label)));
  } else {
    out->Write(Bracketed(label) + "<BR>");
  }
}

}  // namespace

void WriteArticleNavBar(Request& req, int n, int count, const IndexRecord* shown) {
  WriteViewMenu(req, n);
  WriteMoveMenu(req);
  WriteStepper(req, n, count);
  WritePostMenu(req, n);
  WriteDeleteItem(req, n, shown);
}

std::unique_ptr<File> OpenIndexForPage(Request& req) {
  std::unique_ptr<File> index;
  const std::string path = req.files.Index();
  Status s = OpenWithRetry(req.env, path, OpenMode::kReadShared, kStandardRetry, &index);
  if (s.IsNotFound()) {
    s = OpenWithRetry(req.env, path, OpenMode::kCreate, kStandardRetry, &index);
    if (!s.ok()) {
      req.out->Line("インデックスファイルを作成出来ませんでした。管理者に連絡をして下さい。"_sj);
      EndRequest();
    }
  }
  if (!s.ok()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  return index;
}

void WriteErrorPage(Request& req, const Html& heading, std::initializer_list<Html> lines) {
  req.out->Line("<HTML><BODY>");
  req.out->Line("<H1>" + heading + "</H1>");
  for (const Html& line : lines) req.out->Line(line);
  req.out->Line("</BODY></HTML>");
}

}  // namespace kiroq
