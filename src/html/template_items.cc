#include "html/template_items.h"

#include <cstdio>

#include "cgi/output.h"
#include "html/article_block.h"
#include "html/links.h"
#include "html/request.h"
#include "html/view_links.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

SjLiteral DeleteLabel(const Request& req, const IndexRecord& rec) {
  return rec.is_deleted() ? req.labels.deleted_label : req.labels.delete_label;
}

// "[next][previous]<BR>" as a line. Article 1 has no previous article and
// the newest no next one; those are plain labels.
void WriteStepper(Request& req, const PageContext& page) {
  const long long n = page.current();
  const PageLabels& l = req.labels;
  const Html next = n < page.count ? BoardLink(req, n + 1, Action::kArticle, l.next_article) : Html(l.next_article);
  const Html previous = n > 1 ? BoardLink(req, n - 1, Action::kArticle, l.previous_article) : Html(l.previous_article);
  req.out->Line(Bracketed(next) + Bracketed(previous) + "<BR>");
}

// The post links (unless READONLY), the personal settings link when asked
// for, and the deletion item closing the line (USEDELETE).
void WritePostAndDelete(Request& req, const PageContext& page, const IndexRecord& rec, bool personal_settings) {
  const Settings& s = req.settings;
  Output* out = req.out;
  if (!s.read_only) {
    out->Write(req.japanese() ? "投稿："_sj : "Post："_sj);
    out->Write(Bracketed(BoardLink(req, 0, Action::kNewPostForm, req.labels.new_post)) +
               Bracketed(BoardLink(req, page.current(), Action::kReplyForm, req.labels.reply)));
  }
  if (personal_settings && s.use_cookie && s.use_cookie_setting) {
    out->Write(Bracketed(PersonalSettingsLink(req, req.labels.personal_settings)));
  }
  if (s.use_delete) {
    const SjLiteral label = DeleteLabel(req, rec);
    out->Line(
        Bracketed(rec.password.empty() ? Html(label) : BoardLink(req, page.current(), Action::kDeletionPage, label)) +
        "<BR>");
  }
}

}  // namespace

Html DeletionItem(const Request& req, const PageContext& page, const IndexRecord& rec) {
  const SjLiteral label = DeleteLabel(req, rec);
  if (rec.password.empty()) return label + "<BR>";
  return BoardLink(req, page.current(), Action::kDeletionPage, label);
}

Html AttachmentItem(Request& req, const PageContext& page, const IndexRecord& rec) {
  const bool ja = req.japanese();
  // sic: kept as boards have always shown it.
  if (rec.is_deleted()) return ja ? "ダウンロード出来ません"_sj : "Can's download file.";
  const long long n = page.current();
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

Html RelationsItem(const Request& req, const PageContext& page, const IndexRecord& rec) {
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
    if (rec.parent == 0) s += BoardLink(req, page.current(), Action::kThread, ja ? "ツリーを連結"_sj : "Tree chain");
  }
  return s;
}

Html TemplateViewLine(const Request& req) {
  const PageLabels& l = req.labels;
  const Html links = ViewLinks(req, ViewLinksOn::kArticle, BoardViewLabels(req));
  if (links.empty()) return Html();
  return l.view_prompt + links + "<BR>";
}

void WriteMenuItem(Request& req, const PageContext& page, bool all_view) {
  const PageLabels& l = req.labels;
  Output* out = req.out;
  const Html view = TemplateViewLine(req);
  if (!view.empty()) out->Line(view);
  if (all_view) {
    Html move = l.move_prompt;
    if (page.count > 0) {
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

void WriteArticleMenu(Request& req, const PageContext& page, const IndexRecord& rec) {
  const Html view = TemplateViewLine(req);
  if (!view.empty()) req.out->Line(view);
  req.out->Write(req.labels.move_prompt);
  WriteStepper(req, page);
  WritePostAndDelete(req, page, rec, true);
}

void WriteThreadMenu(Request& req, const PageContext& page, const IndexRecord& rec) {
  const bool ja = req.japanese();
  Output* out = req.out;
  // The thread menu names the views in full, in either language.
  const ViewLabels names = ja ? ViewLabels{"タイトル一覧"_sj, "ツリー表示"_sj, "本文一覧表示"_sj}
                              : ViewLabels{"Title list", "Tree view", "Article list view"};
  const Html links = ViewLinks(req, ViewLinksOn::kArticle, names);
  if (!links.empty()) out->Line((ja ? "閲覧："_sj : "Article view :") + links + "<BR>");
  out->Write((ja ? "移動："_sj : "Move："_sj) +
             Bracketed(BoardLink(req, 0, Action::kArticle, ja ? "最新表示"_sj : "New")) +
             Bracketed(BoardLink(req, 1, Action::kArticle, ja ? "最初から表示"_sj : "Update")));
  WriteStepper(req, page);
  WritePostAndDelete(req, page, rec, false);
}

}  // namespace kiroq
