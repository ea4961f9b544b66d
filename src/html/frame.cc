#include "html/frame.h"

#include "html/request.h"
#include "html/links.h"
#include "storage/board_files.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

bool PrintFile(Request& req, const std::string& path) {
  std::string text;
  if (path.empty() || !req.env->ReadFile(path, &text).ok()) return false;
  for (const std::string& line : SplitLines(text)) req.out->Line(line);
  return true;
}

void WritePageHead(Request& req) {
  if (PrintFile(req, req.files.FindBesideProgram(req.env, ".HED"))) return;
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
  req.out->Line("<FORM ACTION=\"" + BoardHref(req, 0, 10) + "\" METHOD=\"POST\"" + req.settings.form_enctype + ">");
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

void WriteManagerLink(Request& req) {
  std::string text;
  if (req.mobile()) {
    text = req.japanese() ? std::string("BBS管理者"_sj) : std::string("BBS maneger");
    req.out->Line(BoardLink(req, 0, 99, text));
  } else {
    text = req.japanese() ? std::string("ＢＢＳ管理者メニュー"_sj) : std::string("BBS maneger menu");
    req.out->Line("<DIV ALIGN=\"RIGHT\">" + BoardLink(req, 0, 99, text) + "</DIV>");
  }
}

void WritePageTail(Request& req) {
  if (req.settings.use_search_log) WriteSearchForm(req);
  if (req.settings.bbs_man) WriteManagerLink(req);
  WritePageFooter(req);
}

namespace {

void WriteViewMenu(Request& req, int n) {
  struct View {
    int action;
    std::string_view label;
    const char* english;
  };
  const View all[] = {{1, req.labels.title_list, "Title list"},
                      {2, req.labels.tree, "Tree view"},
                      {11, req.labels.article_list, "Article list view"}};
  std::vector<const View*> offered;
  switch (req.settings.view_select) {
    case 0:
      offered = {&all[0], &all[1], &all[2]};
      break;
    case 1:
      offered = {&all[0]};
      break;
    case 2:
      offered = {&all[1]};
      break;
    case 11:
      offered = {&all[2]};
      break;
    default:
      break;
  }
  Output* out = req.out;
  out->Raw(req.japanese() ? req.labels.view_prompt : std::string_view("Article view :"));
  for (std::size_t i = 0; i < offered.size(); ++i) {
    const View& v = *offered[i];
    out->Raw("[");
    if (req.japanese()) {
      out->Raw(BoardLink(req, 0, v.action, v.label));
      out->Raw("/");
      out->Raw(BoardLink(req, n, v.action, "戻"_sj));
    } else {
      out->Raw(BoardLink(req, 0, v.action, v.english));
    }
    if (i + 1 == offered.size()) {
      out->Line("]<BR>");
    } else {
      out->Raw("]");
    }
  }
}

void WriteMoveMenu(Request& req) {
  Output* out = req.out;
  if (req.japanese()) {
    out->Raw(req.labels.move_prompt);
    out->Raw("[" + BoardLink(req, 0, 3, req.labels.latest) + "]");
    out->Raw("[" + BoardLink(req, 1, 3, req.labels.from_top) + "]");
  } else {
    out->Raw("Move："_sj);
    out->Raw("[" + BoardLink(req, 0, 3, "New") + "]");
    out->Raw("[" + BoardLink(req, 1, 3, "Update") + "]");
  }
}

void WriteStepper(Request& req, int n, int count) {
  Output* out = req.out;
  if (n < count) {
    out->Raw("[" + BoardLink(req, n + 1, 3, req.labels.next_article) + "]");
  } else {
    out->Raw("[");
    out->Raw(req.labels.next_article);
    out->Raw("]");
  }
  if (n <= 1) {
    out->Raw("[");
    out->Raw(req.labels.previous_article);
    out->Raw("]<BR>");
  } else {
    out->Raw("[" + BoardLink(req, n - 1, 3, req.labels.previous_article) + "]<BR>");
  }
}

void WritePostMenu(Request& req, int n) {
  if (req.settings.read_only) return;
  Output* out = req.out;
  out->Raw(req.labels.post_prompt);
  out->Raw("[" + BoardLink(req, 0, 0, req.labels.new_post) + "]");
  out->Raw("[" + BoardLink(req, n, 4, req.labels.reply) + "]");
}

void WriteDeleteItem(Request& req, int n, const IndexRecord* shown) {
  if (!req.settings.use_delete) return;
  bool deleted = shown && shown->is_deleted();
  std::string_view label = deleted ? req.labels.deleted_label : req.labels.delete_label;
  Output* out = req.out;
  if (shown && !shown->password.empty()) {
    out->Raw("[" + BoardLink(req, n, 15, label) + "]");
  } else {
    out->Raw("[");
    out->Raw(label);
    out->Raw("]<BR>");
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

void WriteErrorPage(Request& req, const char* heading, std::initializer_list<std::string_view> lines) {
  req.out->Line("<HTML><BODY>");
  req.out->Line(std::string("<H1>") + heading + "</H1>");
  for (std::string_view line : lines) req.out->Line(line);
  req.out->Line("</BODY></HTML>");
}

}  // namespace kiroq
