#include "pages/article_list.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "board/visibility.h"
#include "cgi/output.h"
#include "html/article_block.h"
#include "html/article_view.h"
#include "html/form_fields.h"
#include "html/frame.h"
#include "html/links.h"
#include "html/page_context.h"
#include "html/request.h"
#include "html/templates.h"
#include "html/view_links.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "storage/record_window.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// Records per index read: a usual page and a few deleted articles in one
// read; more reads only when deleted articles make the page reach further.
constexpr int kSpareRecords = 8;
constexpr int kMaxRecordsPerRead = 256;

void WriteViewLine(Request& req) {
  const Html links = ViewLinks(req, ViewLinksOn::kArticleList, BoardViewLabels(req));
  if (!links.empty()) req.out->Line(req.labels.view_prompt + links + "<BR>");
}

// The deletion password row. Unlike the new-post form it leaves its cell
// open: the warning line that follows closes it.
void WriteDeletePasswordRow(Request& req) {
  SjLiteral start;
  if (req.mobile()) {
    start = "削除用パスワード<BR><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" VALUE=\""_sj;
  } else if (req.japanese()) {
    start = "<TR><TD>削除用パスワード：</TD><TD><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" VALUE=\""_sj;
  } else {
    start = "<TR><TD>Delete Password :</TD><TD><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"10\" VALUE=\"";
  }
  req.out->Line(start + EscapeAttribute(req.cookies.Value("PWD=")) + "\"><BR>");
}

SjLiteral PasswordWarning(const Request& req) {
  const bool required = req.settings.use_delete_pass;
  if (!req.japanese()) {
    // sic: "Plase" kept as boards have always shown it.
    return required ? "<FONT COLOR=\"RED\">Warning</FONT>：Plase input delete-password.<BR>"_sj
                    : "<FONT COLOR=\"RED\">Warning</FONT>：It can't be removed any more though it can make remarks "
                      "even if a password isn't inputted.<BR>"_sj;
  }
  if (req.mobile()) {
    return required ? "<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力してください。<BR>"_sj
                    : "<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力しないと削除が出来なくなります。<BR>"_sj;
  }
  return required ? "<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力してください。</TD></TR>"_sj
                  : "<FONT COLOR=\"RED\">注意</FONT>：パスワードを入力しないと削除が出来なくなります。</TD></TR>"_sj;
}

// The new-post form of this page: it posts with action 6, which stores the
// article and comes back here.
void WritePostForm(Request& req) {
  Output* out = req.out;
  out->Line(BoardForm(req, 0, Action::kPostFromList));
  if (!req.mobile()) out->Line("<TABLE BORDER=0>");
  WriteNameRows(req);
  WriteEmailRow(req);
  WritePostTitleRow(req, req.settings.un_title);
  WriteUrlRow(req);
  WriteImageUrlRow(req);
  WriteAddressRow(req);
  WriteAgeRow(req);
  WriteSexRow(req);
  WriteControlPasswordRow(req);
  WriteDeletePasswordRow(req);
  out->Line(PasswordWarning(req));
  if (!req.mobile()) out->Line("</TABLE>");
  WriteContentAndButtons(req, true);
  out->Line("</FORM>");
}

// The post button or the post form; neither on read-only boards.
void WritePostEntry(Request& req) {
  if (req.settings.read_only) return;
  if (req.settings.post_button) {
    req.out->Line(Bracketed(BoardLink(req, 0, Action::kNewPostForm, req.labels.new_post)) + "<BR>");
    return;
  }
  req.out->Line("<BR>");
  WritePostForm(req);
}

// What the article loop does, worked out from the index alone so that the
// index is closed before the log is opened.
struct PagePlan {
  std::vector<ShownArticle> articles;  // the blocks to write, in order
  bool too_old = false;                // VIEWLIMIT ended the list
  long long position = 0;              // the first position not examined
  int shown = 1;                       // 1 + the visible articles written
};

PagePlan PlanPage(const Request& req, File* index, int count, int first) {
  const Settings& s = req.settings;
  // Positions at or below this one are too old to show.
  const long long too_old = ViewLimitFloor(s.view_limit, count);
  const int lowest = static_cast<int>(std::clamp<long long>(too_old + 1, 0, first));
  const int first_block = std::min({first - lowest + 1, req.page_size + kSpareRecords, kMaxRecordsPerRead});
  RecordWindow window(index, lowest, first_block, kMaxRecordsPerRead);

  PagePlan plan;
  plan.position = first;
  do {
    if (plan.position <= too_old) {
      plan.too_old = true;
      break;
    }
    const int p = static_cast<int>(plan.position);
    IndexRecord rec;
    if (window.Get(p, &rec)) {
      if (!rec.is_deleted()) {
        ++plan.shown;
        plan.articles.push_back({p, std::move(rec)});
      } else if (s.delete_visible) {
        plan.articles.push_back({p, std::move(rec)});
      }
    }
    --plan.position;
  } while (plan.shown <= req.page_size && plan.position >= 0);
  if (window.failed()) throw std::runtime_error("index read failed");
  return plan;
}

// Opens the log for the bodies, keeping writers out while the page reads
// it. Ends the request when it is missing or stays busy.
std::unique_ptr<File> OpenLog(Request& req) {
  std::unique_ptr<File> log;
  Status s = OpenWithRetry(req.env, req.files.Log(), OpenMode::kReadShared, kStandardRetry, &log);
  if (s.IsNotFound()) {
    req.out->Line("ログは存在しません"_sj);
    EndRequest();
  }
  if (!s.ok()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  return log;
}

// "[delete]" linked to the poster's deletion page when the article has a
// deletion password; without one the label alone, ending the line.
void WriteDeletionItem(Request& req, const IndexRecord& rec, int number) {
  const SjLiteral label = rec.is_deleted() ? req.labels.deleted_label : req.labels.delete_label;
  if (rec.password.empty()) {
    req.out->Write(Bracketed(label) + "<BR>");
  } else {
    req.out->Write(Bracketed(BoardLink(req, number, Action::kDeletionPage, label)));
  }
}

// The articles of the plan, their bodies read a batch at a time with the
// log open for the reading only. The log is opened once even for a page
// without articles, for its notice when it is missing or busy.
void WriteArticles(Request& req, const PageContext& page, const PagePlan& plan) {
  const bool deletion_items = req.settings.use_delete && req.files.FindBesideProgram(req.env, ".mes").empty();
  std::vector<std::string> bodies;
  std::size_t from = 0;
  do {
    std::size_t end;
    {
      std::unique_ptr<File> log = OpenLog(req);
      end = ReadBodyBatch(log.get(), plan.articles, from, &bodies);
    }
    for (std::size_t k = from; k < end; ++k) {
      const ShownArticle& a = plan.articles[k];
      PageContext at = page;
      at.position = a.position;  // links of the block (romaji view) lead to this article
      ShowArticle(req, at, a.rec, a.position + 1, BodySource::Read(bodies[k - from]));
      if (deletion_items) WriteDeletionItem(req, a.rec, a.position + 1);
    }
    from = end;
  } while (from < plan.articles.size());
  if (plan.too_old) req.out->Line("<P>これ以上ログは表示出来ません<P>"_sj);
}

// position: the first position the loop did not examine; shown: 1 + the
// visible articles on the page.
void WritePageLinks(Request& req, int count, long long position, int shown) {
  const PageLabels& l = req.labels;
  req.out->Line("<HR>");
  if (position + shown == count) {
    req.out->Write(Bracketed(l.next_page));
  } else {
    long long newer = count < position + 1 ? 0 : position + req.page_size + shown;
    req.out->Write(Bracketed(BoardLink(req, newer, Action::kArticleList, l.next_page)));
  }
  if (position < 0) {
    req.out->Line(Bracketed(l.previous_page) + "<BR>");
  } else {
    req.out->Write(Bracketed(BoardLink(req, position + 1, Action::kArticleList, l.previous_page)));
  }
}

}  // namespace

void ArticleListPage(Request& req, const PageContext& page) {
  const std::string post_template = req.files.FindBesideProgram(req.env, ".post");
  if (!post_template.empty()) {
    if (!req.settings.read_only) RenderTemplate(req, page, post_template, IndexRecord(), nullptr);
  } else {
    WriteViewLine(req);
    WritePostEntry(req);
  }

  int count = page.count;
  long long position = page.position;
  int shown = 1;
  if (count > 0) {
    std::unique_ptr<File> index = OpenIndexForPage(req);
    if (!ArticleCount(index.get(), &count).ok()) throw std::runtime_error("index size unknown");
    if (count > 0) {
      // A number outside the board has no article to start from.
      const int first = page.position >= 0 && page.position < count ? page.position : count - 1;
      PagePlan plan = PlanPage(req, index.get(), count, first);
      index.reset();
      WriteArticles(req, page, plan);
      position = plan.position;
      shown = plan.shown;
    }
  }
  WritePageLinks(req, count, position, shown);
}

}  // namespace kiroq
