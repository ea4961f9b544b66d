#include "html/template_items.h"

#include <cstdio>

#include "cgi/output.h"
#include "html/request.h"
#include "html/links.h"
#include "html/article_block.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

long long Current(const Request& req) { return static_cast<long long>(req.position) + 1; }



// "[" + link + "]" for each view VIEWSELECT offers, the last ending "]<BR>";
// "" when it offers none. texts: title list, tree, article list.
std::string ViewLinks(const Request& req, std::string_view title_list, std::string_view tree,
                      std::string_view article_list) {
  switch (req.settings.view_select) {
    case 0:
      return "[" + BoardLink(req, 0, 1, title_list) + "][" + BoardLink(req, 0, 2, tree) + "][" +
             BoardLink(req, 0, 11, article_list) + "]<BR>";
    case 1:
      return "[" + BoardLink(req, 0, 1, title_list) + "]<BR>";
    case 2:
      return "[" + BoardLink(req, 0, 2, tree) + "]<BR>";
    case 11:
      return "[" + BoardLink(req, 0, 11, article_list) + "]<BR>";
    default:
      return "";
  }
}

std::string_view DeleteLabel(const Request& req, const IndexRecord& rec) {
  return rec.is_deleted() ? req.labels.deleted_label : req.labels.delete_label;
}

// "[next][previous]<BR>" as a line. Article 1 has no previous article and
// the newest no next one; those are plain labels.
void WriteStepper(Request& req) {
  const long long n = Current(req);
  const PageLabels& l = req.labels;
  std::string s = "[";
  s += n < req.count ? BoardLink(req, n + 1, 3, l.next_article) : std::string(l.next_article);
  s += "][";
  s += n > 1 ? BoardLink(req, n - 1, 3, l.previous_article) : std::string(l.previous_article);
  s += "]<BR>";
  req.out->Line(s);
}

// The post links (unless READONLY), the personal settings link when asked
// for, and the deletion item closing the line (USEDELETE).
void WritePostAndDelete(Request& req, const IndexRecord& rec, bool personal_settings) {
  const Settings& s = req.settings;
  Output* out = req.out;
  if (!s.read_only) {
    out->Raw(req.japanese() ? "投稿："_sj : "Post："_sj);
    out->Raw("[" + BoardLink(req, 0, 0, req.labels.new_post) + "][" +
             BoardLink(req, Current(req), 4, req.labels.reply) + "]");
  }
  if (personal_settings && s.use_cookie && s.use_cookie_setting) {
    out->Raw("[" + PersonalSettingsLink(req, req.labels.personal_settings) + "]");
  }
  if (s.use_delete) {
    std::string_view label = DeleteLabel(req, rec);
    out->Line("[" + (rec.password.empty() ? std::string(label) : BoardLink(req, Current(req), 15, label)) + "]<BR>");
  }
}

}  // namespace

std::string DeletionItem(const Request& req, const IndexRecord& rec) {
  std::string_view label = DeleteLabel(req, rec);
  if (rec.password.empty()) return std::string(label) + "<BR>";
  return BoardLink(req, Current(req), 15, label);
}

std::string AttachmentItem(Request& req, const IndexRecord& rec) {
  const bool ja = req.japanese();
  if (rec.is_deleted()) return std::string(ja ? "ダウンロード出来ません"_sj : "Can's download file.");
  const long long n = Current(req);
  if (rec.attachment.empty()) return BoardLink(req, n, 20, ja ? "ファイルを添付"_sj : "Attach a file");
  // A stored name that could leave the attachment folder is not offered.
  if (!IsSafeAttachmentName(rec.attachment)) return "";
  std::string download = BoardLinkNewWindow(req, n, 22, EscapeHtml(rec.attachment));
  std::string change = BoardLink(req, n, 20, ja ? "ファイルを変更"_sj : "Change a file");
  long long counter = 0;
  if (ReadDownloadCounter(req, static_cast<int>(n), &counter)) {
    return "[" + Itoa(counter) + "][" + download + "] " + change;
  }
  return "[" + download + "] " + change;
}

std::string RelationsItem(const Request& req, const IndexRecord& rec) {
  const bool ja = req.japanese();
  const int children = rec.ChildCount();
  if (rec.parent == 0 && children == 0) return "";
  std::string s(ja ? " コメント元 "_sj : " Original ");
  if (rec.parent != 0) {
    s.append(ja ? "親 "_sj : "Owner ");
    s += BoardLink(req, rec.parent, 3, Itoa(rec.parent));
  }
  if (children > 0) {
    s.append(ja ? " 子 "_sj : " Child ");
    for (int i = 0; i < children; ++i) {
      long long n = static_cast<long long>(rec.children[i]) + 1;
      s += BoardLink(req, n, 3, Itoa(n)) + " ";
    }
    if (rec.parent == 0) s += BoardLink(req, Current(req), 12, ja ? "ツリーを連結"_sj : "Tree chain");
  }
  return s;
}

std::string TemplateViewLine(const Request& req) {
  const PageLabels& l = req.labels;
  std::string links = ViewLinks(req, l.title_list, l.tree, l.article_list);
  if (links.empty()) return "";
  return std::string(l.view_prompt) + links;
}

void WriteMenuItem(Request& req, bool all_view) {
  const PageLabels& l = req.labels;
  Output* out = req.out;
  std::string view = TemplateViewLine(req);
  if (!view.empty()) out->Line(view);
  if (all_view) {
    std::string move(l.move_prompt);
    if (req.count > 0) {
      move += "[" + BoardLink(req, 0, 11, l.latest) + "][" + BoardLink(req, 1, 11, l.from_top) + "]";
    } else {
      move += "[" + std::string(l.latest) + "][" + std::string(l.from_top) + "]";
    }
    out->Raw(move);
  }
  if (req.settings.use_cookie && req.settings.use_cookie_setting) {
    out->Line("[" + PersonalSettingsLink(req, l.personal_settings) + "]");
  }
}

void WriteArticleMenu(Request& req, const IndexRecord& rec) {
  std::string view = TemplateViewLine(req);
  if (!view.empty()) req.out->Line(view);
  req.out->Raw(req.labels.move_prompt);
  WriteStepper(req);
  WritePostAndDelete(req, rec, true);
}

void WriteThreadMenu(Request& req, const IndexRecord& rec) {
  const bool ja = req.japanese();
  Output* out = req.out;
  std::string links = ja ? ViewLinks(req, "タイトル一覧"_sj, "ツリー表示"_sj, "本文一覧表示"_sj)
                         : ViewLinks(req, "Title list", "Tree view", "Article list view");
  if (!links.empty()) out->Line(std::string(ja ? "閲覧："_sj : "Article view :") + links);
  out->Raw(std::string(ja ? "移動："_sj : "Move："_sj) + "[" + BoardLink(req, 0, 3, ja ? "最新表示"_sj : "New") + "][" +
           BoardLink(req, 1, 3, ja ? "最初から表示"_sj : "Update") + "]");
  WriteStepper(req);
  WritePostAndDelete(req, rec, false);
}

}  // namespace kiroq
