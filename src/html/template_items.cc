#include "html/template_items.h"

#include <cstdio>

#include "cgi/output.h"
#include "html/article_block.h"
#include "html/links.h"
#include "html/request.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

long long Current(const Request& req) { return static_cast<long long>(req.position) + 1; }

// "[" + link + "]" for each view VIEWSELECT offers, the last ending "]<BR>";
// "" when it offers none. texts: title list, tree, article list.
Html ViewLinks(const Request& req, const Html& title_list, const Html& tree, const Html& article_list) {
  switch (req.settings.view_select) {
    case 0:
      return Bracketed(BoardLink(req, 0, Action::kTitleList, title_list)) +
             Bracketed(BoardLink(req, 0, Action::kThreadIndex, tree)) +
             Bracketed(BoardLink(req, 0, Action::kArticleList, article_list)) + "<BR>";
    case 1:
      return Bracketed(BoardLink(req, 0, Action::kTitleList, title_list)) + "<BR>";
    case 2:
      return Bracketed(BoardLink(req, 0, Action::kThreadIndex, tree)) + "<BR>";
    case 11:
      return Bracketed(BoardLink(req, 0, Action::kArticleList, article_list)) + "<BR>";
    default:
      return Html();
  }
}

SjLiteral DeleteLabel(const Request& req, const IndexRecord& rec) {
  return rec.is_deleted() ? req.labels.deleted_label : req.labels.delete_label;
}

// "[next][previous]<BR>" as a line. Article 1 has no previous article and
// the newest no next one; those are plain labels.
void WriteStepper(Request& req) {
  const long long n = Current(req);
  const PageLabels& l = req.labels;
  const Html next = n < req.count ? BoardLink(req, n + 1, Action::kArticle, l.next_article) : Html(l.next_article);
  const Html previous = n > 1 ? BoardLink(req, n - 1, Action::kArticle, l.previous_article) : Html(l.previous_article);
  req.out->Line(Bracketed(next) + Bracketed(previous) + "<BR>");
}

// The post links (unless READONLY), the personal settings link when asked
// for, and the deletion item closing the line (USEDELETE).
void WritePostAndDelete(Request& req, const IndexRecord& rec, bool personal_settings) {
  const Settings& s = req.settings;
  Output* out = req.out;
  if (!s.read_only) {
    out->Write(req.japanese() ? "投稿："_sj : "Post："_sj);
    out->Write(Bracketed(BoardLink(req, 0, Action::kNewPostForm, req.labels.new_post)) +
               Bracketed(BoardLink(req, Current(req), Action::kReplyForm, req.labels.reply)));
  }
  if (personal_settings && s.use_cookie && s.use_cookie_setting) {
    out->Write(Bracketed(PersonalSettingsLink(req, req.labels.personal_settings)));
  }
  if (s.use_delete) {
    const SjLiteral label = DeleteLabel(req, rec);
    out->Line(
        Bracketed(rec.password.empty() ? Html(label) : BoardLink(req, Current(req), Action::kDeletionPage, label)) +
        "<BR>");
  }
}

}  // namespace

Html DeletionItem(const Request& req, const IndexRecord& rec) {
  const SjLiteral label = DeleteLabel(req, rec);
  if (rec.password.empty()) return label + "<BR>";
  return BoardLink(req, Current(req), Action::kDeletionPage, label);
}

Html AttachmentItem(Request& req, const IndexRecord& rec) {
  const bool ja = req.japanese();
  if (rec.is_deleted()) return ja ? "ダウンロード出来ません"_sj : "Can's download file.";
  const long long n = Current(req);
  if (rec.attachment.empty()) return BoardLink(req, n, Action::kUploadForm, ja ? "ファイルを添付"_sj : "Attach a file");
  // A stored name that could leave the attachment folder is not offered.
  if (!IsSafeAttachmentName(rec.attachment)) return Html();
  const Html download = BoardLinkNewWindow(req, n, Action::kCountedDownload, EscapeText(rec.attachment));
  const Html change = BoardLink(req, n, Action::kUploadForm, ja ? "ファイルを変更"_sj : "Change a file");
  long long counter = 0;
  if (ReadDownloadCounter(req, static_cast<int>(n), &counter)) {
    return Bracketed(Html::Number(counter)) + Bracketed(download) + " " + change;
  }
  return Bracketed(download) + " " + change;
}

Html RelationsItem(const Request& req, const IndexRecord& rec) {
  const bool ja = req.japanese();
  const int children = rec.ChildCount();
  if (rec.parent == 0 && children == 0) return Html();
  Html s = ja ? " コメント元 "_sj : " Original ";
  if (rec.parent != 0) {
    s += ja ? "親 "_sj : "Owner ";
    s += BoardLink(req, rec.parent, Action::kArticle, Html::Number(rec.parent));
  }
  if (children > 0) {
    s += ja ? " 子 "_sj : " Child ";
    for (int i = 0; i < children; ++i) {
      long long n = static_cast<long long>(rec.children[i]) + 1;
      s += BoardLink(req, n, Action::kArticle, Html::Number(n)) + " ";
    }
    if (rec.parent == 0) s += BoardLink(req, Current(req), Action::kThread, ja ? "ツリーを連結"_sj : "Tree chain");
  }
  return s;
}

Html TemplateViewLine(const Request& req) {
  const PageLabels& l = req.labels;
  const Html links = ViewLinks(req, l.title_list, l.tree, l.article_list);
  if (links.empty()) return Html();
  return l.view_prompt + links;
}

void WriteMenuItem(Request& req, bool all_view) {
  const PageLabels& l = req.labels;
  Output* out = req.out;
  const Html view = TemplateViewLine(req);
  if (!view.empty()) out->Line(view);
  if (all_view) {
    Html move = l.move_prompt;
    if (req.count > 0) {
      move += Bracketed(BoardLink(req, 0, Action::kArticleList, l.latest)) +
              Bracketed(BoardLink(req, 1, Action::kArticleList, l.from_top));
    } else {
      move += Bracketed(l.latest) + Bracketed(l.from_top);
    }
    out->Write(move);
  }
  if (req.settings.use_cookie && req.settings.use_cookie_setting) {
    out->Line(Bracketed(PersonalSettingsLink(req, l.personal_settings)));
  }
}

void WriteArticleMenu(Request& req, const IndexRecord& rec) {
  const Html view = TemplateViewLine(req);
  if (!view.empty()) req.out->Line(view);
  req.out->Write(req.labels.move_prompt);
  WriteStepper(req);
  WritePostAndDelete(req, rec, true);
}

void WriteThreadMenu(Request& req, const IndexRecord& rec) {
  const bool ja = req.japanese();
  Output* out = req.out;
  const Html links = ja ? ViewLinks(req, "タイトル一覧"_sj, "ツリー表示"_sj, "本文一覧表示"_sj)
                        : ViewLinks(req, "Title list", "Tree view", "Article list view");
  if (!links.empty()) out->Line((ja ? "閲覧："_sj : "Article view :") + links);
  out->Write((ja ? "移動："_sj : "Move："_sj) +
             Bracketed(BoardLink(req, 0, Action::kArticle, ja ? "最新表示"_sj : "New")) +
             Bracketed(BoardLink(req, 1, Action::kArticle, ja ? "最初から表示"_sj : "Update")));
  WriteStepper(req);
  WritePostAndDelete(req, rec, false);
}

}  // namespace kiroq
