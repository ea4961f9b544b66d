#include "html/templates.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "board/dates.h"
#include "board/reply_title.h"
#include "board/visibility.h"
#include "html/article_block.h"
#include "html/form_fields.h"
#include "html/links.h"
#include "html/post_date.h"
#include "html/request.h"
#include "html/template_items.h"
#include "platform/env.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// Which template is being rendered, by its file's extension.
enum class Kind { kMes, kPost, kRepost, kOther };

// What the page is, by the request's action code.
enum class View { kNone, kNewForm, kReplyForm, kAllView, kArticleView };

// Tags in the order they are tested at each "<".
enum Tag {
  kPostNumber,
  kResMenu,
  kPostAction,
  kPostName,
  kPostMail,
  kPostTitle,
  kPostDate,
  kPostUrl,
  kDeleteMenu,
  kUploadFile,
  kPostAddress,
  kPostImageUrl,
  kPostAge,
  kPostSex,
  kPostPassword,
  kPostDeletePassword,
  kPostMessage,
  kTreeMenu,
  kPostMenu,
  kPostActionEnd,
  kMoveMenu,
  kAllMenu,
  kTagCount
};

constexpr std::string_view kTagText[kTagCount] = {
    "<POSTNUMBER>",         "<RESMENU>",      "<POSTACTION>", "<POSTNAME>",   "<POSTMAIL>",
    "<POSTTITLE>",          "<POSTDATE>",     "<POSTURL>",    "<DELETEMENU>", "<UPLOADFILE>",
    "<POSTADDRESS>",        "<POSTIMAGEURL>", "<POSTAGE>",    "<POSTSEX>",    "<POSTPASSWORD>",
    "<POSTDELETEPASSWORD>", "<POSTMESSAGE>",  "<TREEMENU>",   "<POSTMENU>",   "<POSTACTIONEND>",
    "<MOVEMENU>",           "<ALLMENU>",
};

Kind KindOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return Kind::kOther;
  std::string ext = ToUpperAscii(std::string_view(path).substr(dot));
  if (ext == ".MES") return Kind::kMes;
  if (ext == ".POST") return Kind::kPost;
  if (ext == ".REPOST") return Kind::kRepost;
  return Kind::kOther;
}

View ViewOf(int action) {
  switch (action) {
    case Code(Action::kNewPostForm):
      return View::kNewForm;
    case Code(Action::kReplyForm):
      return View::kReplyForm;
    case Code(Action::kArticleList):
      return View::kAllView;
    case Code(Action::kArticle):
    case Code(Action::kArticleAsHiragana):
    case Code(Action::kToggleWithCookie):
    case Code(Action::kNewestAfterPost):
    case Code(Action::kThread):
      return View::kArticleView;
    default:
      return View::kNone;
  }
}

// Renders the lines of one template for one article. Text is gathered in
// pending_ and written when the line ends, or earlier when a tag writes
// straight to the page, so that the page keeps the template's order.
class Renderer {
 public:
  Renderer(Request& req, const PageContext& page, const IndexRecord& rec, Kind kind, const BodySource& body)
      : req_(req), page_(page), rec_(rec), kind_(kind), body_(body), thread_menu_(page.thread_menu) {
    // After a password toggle (action 14) the article is shown as on its
    // own page; the template needs its values there too.
    action_ = page.action == Code(Action::kToggleWithPassword) ? Code(Action::kArticle) : page.action;
    view_ = ViewOf(action_);
  }

  void RenderLine(std::string_view line) {
    std::size_t p = 0;
    while (p < line.size()) {
      if (line[p] != '<') {
        // The template's own text, up to the next tag.
        const std::size_t next = std::min(line.find('<', p), line.size());
        Append(Html::Trusted(line.substr(p, next - p)));
        p = next;
        continue;
      }
      // Each tag is tested once, in table order, at the position left by
      // the tests before it.
      for (int t = 0; t < kTagCount; ++t) {
        if (line.substr(p, kTagText[t].size()) == kTagText[t]) {
          p += kTagText[t].size();
          Substitute(static_cast<Tag>(t));
        }
      }
      if (p < line.size()) {
        Append(Html::Trusted(line.substr(p, 1)));
        ++p;
      }
    }
    req_.out->Line(pending_);
    pending_ = Html();
  }

 private:
  bool Form() const { return view_ == View::kNewForm || view_ == View::kReplyForm; }
  bool AllView() const { return view_ == View::kAllView; }
  bool ArticleView() const { return view_ == View::kArticleView; }
  bool Shows() const { return AllView() || ArticleView(); }  // an article's values, not fields
  long long Current() const { return page_.current(); }

  void Append(const Html& h) { pending_ += h; }
  void Flush() {
    req_.out->Write(pending_);
    pending_ = Html();
  }

  Html DeletedText() const { return req_.japanese() ? "削除されています"_sj : "Deleted"; }
  Html ValueOrDeleted(const std::string& value) const { return rec_.is_deleted() ? DeletedText() : EscapeText(value); }

  Html UrlLink() const {
    if (rec_.is_deleted()) return DeletedText();
    return "<A HREF=\"" + LinkAddress(rec_.url) + "\" TARGET=\"_new\">" + EscapeText(rec_.url) + "</A>";
  }

  Html FormStart() const {
    long long number = 0;
    Action action = Action::kNewestAfterPost;
    if (view_ == View::kReplyForm) number = req_.number;
    if (AllView()) action = Action::kPostFromList;
    return BoardForm(req_, number, action);
  }

  Html TextAreaStart() const {
    return "<TEXTAREA NAME=\"CONTENT\" ROWS=" + Html::Trusted(req_.settings.rows_size) +
           " COLS=" + Html::Trusted(req_.settings.cols_size) + ">";
  }
  Html EmptyTextArea() const { return TextAreaStart() + "</TEXTAREA>"; }

  // Address, age and sex: the field on the forms (and on the all view's
  // post template), the article's value elsewhere.
  void PersonTag(void (*write_field)(Request&), const std::string& value) {
    if (Form() || (AllView() && kind_ != Kind::kMes)) {
      Flush();
      write_field(req_);
    } else if (Shows()) {
      Append(ValueOrDeleted(value));
    }
  }

  void ImageUrlTag() {
    if (!req_.settings.use_image_url) return;
    switch (kind_) {
      case Kind::kPost:
        if (Form() || AllView()) {
          Append(ImageUrlField(req_));
        } else if (ArticleView()) {
          Append(ValueOrDeleted(rec_.image_url));
        }
        break;
      case Kind::kRepost:
        if (view_ == View::kReplyForm) Append(ImageUrlField(req_));
        break;
      default:
        // A deleted article's picture goes with the rest of its content.
        if (const Html picture = ArticlePicture(req_, rec_); !picture.empty()) Append("<IMG SRC=\"" + picture + "\">");
    }
  }

  // The body; storage_ keeps it when it had to be read.
  std::string_view ArticleBodyText() { return ArticleBodyBytes(req_, rec_, body_, &storage_); }

  void ReplyTextArea() {
    Flush();
    Output* out = req_.out;
    out->Line(TextAreaStart());
    // A parent that may not be shown (deleted, too old) is answered as one
    // without a body.
    if (rec_.HasBody() && MayShowBody(req_.settings.view_limit, page_.count, page_.position, rec_.is_deleted())) {
      // Escaped so that the quoted text cannot close the text area.
      out->Write(QuotedBody(ArticleBodyText(), Html::Trusted(req_.settings.add_head)));
    }
    out->Newline();
    out->Line("</TEXTAREA>");
  }

  void ArticleBody(bool romaji_view) {
    Flush();
    Output* out = req_.out;
    if (rec_.is_deleted()) {
      // sic: the English wording is kept as boards have always shown it.
      out->Line(req_.japanese() ? "この文章は投稿者によって削除されています。"_sj
                                : "This sentence is being removed by a contributor.");
      return;
    }
    if (!rec_.HasBody()) return;
    const std::string_view body = ArticleBodyText();
    WriteBodyLines(req_, body, false);
    if (romaji_view) {
      out->Line("<HR>");
      WriteBodyLines(req_, body, true);
    } else if (req_.settings.roma) {
      out->Line(BoardLink(req_, Current(), Action::kArticleAsHiragana, "ローマ字をひらがなに変換"_sj));
    }
  }

  void MessageTag() {
    switch (view_) {
      case View::kReplyForm:
        ReplyTextArea();
        break;
      case View::kNewForm:
        Append(EmptyTextArea());
        break;
      case View::kAllView:
        if (kind_ == Kind::kPost) {
          Append(EmptyTextArea());
        } else {
          ArticleBody(false);
        }
        break;
      case View::kArticleView:
        ArticleBody(action_ == Code(Action::kArticleAsHiragana));
        break;
      case View::kNone:
        break;
    }
  }

  void AllMenuTag() {
    if (action_ == Code(Action::kArticle) || action_ == Code(Action::kArticleAsHiragana) ||
        action_ == Code(Action::kToggleWithCookie) || action_ == Code(Action::kNewestAfterPost)) {
      Flush();
      WriteArticleMenu(req_, page_, rec_);
    } else if (action_ == Code(Action::kThread) && thread_menu_) {
      Flush();
      WriteThreadMenu(req_, page_, rec_);
      thread_menu_ = false;
    }
  }

  void Substitute(Tag tag) {
    const Settings& s = req_.settings;
    switch (tag) {
      case kPostNumber:
        if (view_ != View::kNone && view_ != View::kNewForm) Append(Html::Number(Current()));
        break;
      case kResMenu:
        if (kind_ == Kind::kMes) Append(BoardLink(req_, Current(), Action::kReplyForm, "返信投稿"_sj));
        break;
      case kPostAction:
        if (Form() || AllView()) Append(FormStart());
        break;
      case kPostName:
        if (Form() || (AllView() && kind_ == Kind::kPost)) {
          Append(NameField(req_));
        } else if (Shows()) {
          Append(PosterName(req_, rec_));
        }
        break;
      case kPostMail:
        if (action_ == Code(Action::kNewPostForm) || action_ == Code(Action::kReplyForm) ||
            action_ == Code(Action::kNewestAfterPost) || action_ == Code(Action::kArticleList) ||
            action_ == Code(Action::kThread))
          Append(EmailField(req_));
        break;
      case kPostTitle:
        if (view_ == View::kReplyForm) {
          Append(TitleField(req_, TemplateReplyTitle(rec_.title)));
        } else if (view_ == View::kNewForm || (AllView() && kind_ == Kind::kPost)) {
          Append(TitleField(req_, s.use_default == 1 ? std::string_view(s.un_title) : std::string_view()));
        } else if (Shows()) {
          Append(ValueOrDeleted(rec_.title));
        }
        break;
      case kPostDate:
        if (view_ == View::kReplyForm || Shows()) Append(FormatPostDate(rec_.date, s, req_.env));
        break;
      case kPostUrl:
        if (Form() || (AllView() && kind_ == Kind::kPost)) {
          Append(UrlField(req_));
        } else if (Shows()) {
          Append(UrlLink());
        }
        break;
      case kDeleteMenu:
        if (kind_ == Kind::kMes && s.use_delete) Append(DeletionItem(req_, page_, rec_));
        break;
      case kUploadFile:
        if (kind_ == Kind::kMes) Append(AttachmentItem(req_, page_, rec_));
        break;
      case kPostAddress:
        PersonTag(WriteAddressField, rec_.address);
        break;
      case kPostImageUrl:
        ImageUrlTag();
        break;
      case kPostAge:
        PersonTag(WriteAgeField, rec_.age);
        break;
      case kPostSex:
        PersonTag(WriteSexField, rec_.sex);
        break;
      case kPostPassword:
        if (Form() || AllView()) Append(ControlPasswordField(req_));
        break;
      case kPostDeletePassword:
        if (Form() || AllView()) {
          Append("<INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD\" SIZE=\"20\" VALUE=\"" +
                 EscapeAttribute(req_.cookies.Value("PWD=")) + "\">");
        }
        break;
      case kPostMessage:
        MessageTag();
        break;
      case kTreeMenu:
        if (action_ == Code(Action::kArticle) || action_ == Code(Action::kArticleAsHiragana) ||
            action_ == Code(Action::kThread))
          Append(RelationsItem(req_, page_, rec_));
        break;
      case kPostMenu:
        if (Form() || AllView()) Append(ButtonsField(req_));
        break;
      case kPostActionEnd:
        if (Form() || AllView()) Append("</FORM>");
        break;
      case kMoveMenu:
        if (Form() || AllView()) {
          Flush();
          WriteMenuItem(req_, page_, AllView());
        }
        break;
      case kAllMenu:
        AllMenuTag();
        break;
      case kTagCount:
        break;
    }
  }

  Request& req_;
  const PageContext& page_;
  const IndexRecord& rec_;
  const Kind kind_;
  int action_;
  View view_;
  const BodySource& body_;
  std::string storage_;
  bool thread_menu_;  // the thread menu may still be written
  Html pending_;
};

}  // namespace

void RenderTemplate(Request& req, const PageContext& page, const std::string& path, const IndexRecord& rec,
                    const BodySource& body) {
  std::string text;
  if (!ReadAdministratorFile(req.env, path, &text).ok()) return;
  Renderer renderer(req, page, rec, KindOf(path), body);
  for (const std::string& line : SplitLines(text)) renderer.RenderLine(line);
}

}  // namespace kiroq
