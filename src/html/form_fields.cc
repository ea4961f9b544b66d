// The text fields, the control password and the buttons of the post forms.
// The select and radio fields are in form_selects.cc.
#include "html/form_fields.h"

#include "cgi/output.h"
#include "html/request.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

// A row label: table pages end it with a colon, mobile pages have none.
struct FieldLabel {
  SjLiteral ja, en, ja_mobile, en_mobile;
};

constexpr FieldLabel kNameLabel{"氏名:"_sj, "Name:", "氏名"_sj, "Name"};
constexpr FieldLabel kMemberIdLabel{"会員ID："_sj, "Members ID："_sj, "会員ID"_sj, "Members ID"};
constexpr FieldLabel kMemberPassLabel{"パスワード："_sj, "Members Password："_sj, "パスワード"_sj, "Members Password"};
constexpr FieldLabel kEmailLabel{"EMail："_sj, "EMail："_sj, "EMail", "EMail"};
constexpr FieldLabel kTitleLabel{"タイトル："_sj, "Title："_sj, "タイトル"_sj, "Title"};
constexpr FieldLabel kUrlLabel{"URL："_sj, "URL："_sj, "URL", "URL"};
constexpr FieldLabel kImageUrlLabel{"画像URL："_sj, "Image URL："_sj, "画像URL"_sj, "Image URL"};
constexpr FieldLabel kControlPassLabel{"管理用PASSWORD："_sj, "Control Password："_sj, "管理用PASSWORD"_sj,
                                       "Control Password"};

constexpr SjLiteral kCookieCheckBoxJa =
    "<INPUT NAME=\"COOKIE\" TYPE=\"CHECKBOX\" VALUE=\"on\" checked>Cookie に氏名、メールアドレス等を記録する"_sj;
constexpr SjLiteral kCookieCheckBoxEn =
    "<INPUT NAME=\"COOKIE\" TYPE=\"CHECKBOX\" VALUE=\"on\" checked>Save your name and mail address and etc...";

// <INPUT TYPE="type" NAME="name" SIZE="size" VALUE="value">, the size a
// setting, the value escaped.
Html InputControl(const Html& type, const Html& name, std::string_view size, std::string_view value) {
  return "<INPUT TYPE=\"" + type + "\" NAME=\"" + name + "\" SIZE=\"" + Html::Trusted(size) + "\" VALUE=\"" +
         EscapeAttribute(value) + "\">";
}

Html TextControl(const Html& name, std::string_view size, std::string_view value) {
  return InputControl("TEXT", name, size, value);
}

Html ControlPasswordControl() { return InputControl("PASSWORD", "PASSWORD2", "20", ""); }

// Writes one row. mobile_break off leaves the "<BR>" after the control out
// on mobile pages (the name and title rows do so in some cases).
void WriteRow(Request& req, const FieldLabel& label, const Html& control, bool mobile_break = true) {
  if (req.mobile()) {
    Html row = (req.japanese() ? label.ja_mobile : label.en_mobile) + "<BR>" + control;
    if (mobile_break) row += "<BR>";
    req.out->Line(row);
  } else {
    req.out->Line("<TR><TD>" + (req.japanese() ? label.ja : label.en) + "</TD><TD>" + control + "</TD></TR>");
  }
}

bool EmailOn(const Settings& s) { return s.use_mail && !s.members_only_board(); }

// The title value is filled in on the new-post forms only when USEDEFAULT
// asks for pre-filled fields.
bool PostTitleFilled(const Settings& s) { return s.use_default != 0 && s.use_default != 2 && s.use_default != 3; }

// <INPUT TYPE="SUBMIT" ...> and <INPUT TYPE="RESET" ...>.
Html SubmitButton(const Request& req) {
  if (!req.japanese()) return "<INPUT TYPE=\"SUBMIT\" VALUE=\"Post\">";
  Html b = R"(<INPUT TYPE="SUBMIT" VALUE="投稿する")"_sj;
  if (req.mobile()) b += " ACCESSKEY=\"0\"";
  return b + ">";
}

SjLiteral ResetButton(const Request& req) {
  return req.japanese() ? R"(<INPUT TYPE="RESET" VALUE="リセットします">)"_sj : R"(<INPUT TYPE="RESET" VALUE="Reset">)";
}

bool CookieCheckBoxOn(const Request& req) { return req.settings.use_cookie && !req.mobile(); }

SjLiteral CookieCheckBox(const Request& req) { return req.japanese() ? kCookieCheckBoxJa : kCookieCheckBoxEn; }

}  // namespace

void WriteNameRows(Request& req) {
  const Settings& s = req.settings;
  if (s.members_only_board()) {
    WriteRow(req, kMemberIdLabel, TextControl("MEMID", s.name_size, req.cookies.Value("MEMID=")));
    // English boards show the member password in clear.
    const Html type = req.japanese() ? Html("PASSWORD") : Html("TEXT");
    WriteRow(req, kMemberPassLabel, InputControl(type, "MEMPASS", s.name_size, req.cookies.Value("MEMPASS=")));
    return;
  }
  std::string value;
  switch (s.use_default) {
    case 0:
    case 2:
    case 3:
      if (s.use_cookie) value = req.cookies.Value("NAME=");
      break;
    case 1:
      if (s.use_cookie) value = req.cookies.Value("NAME=");
      if (value.empty()) value = s.un_name;
      break;
    default:
      return;
  }
  bool mobile_break = !(s.use_default == 1 && !s.use_cookie);
  WriteRow(req, kNameLabel, TextControl("NAME", s.name_size, value), mobile_break);
}

void WriteEmailRow(Request& req) {
  if (!EmailOn(req.settings)) return;
  WriteRow(req, kEmailLabel, TextControl("EMAIL", req.settings.email_size, req.cookies.Value("EMAIL=")));
}

void WritePostTitleRow(Request& req, std::string_view value) {
  bool filled = PostTitleFilled(req.settings);
  WriteRow(req, kTitleLabel, TextControl("TITLE", req.settings.title_size, filled ? value : ""), !filled);
}

void WriteReplyTitleRow(Request& req, std::string_view value) {
  WriteRow(req, kTitleLabel, TextControl("TITLE", req.settings.title_size, value));
}

void WriteUrlRow(Request& req) {
  if (!req.settings.use_url) return;
  WriteRow(req, kUrlLabel, TextControl("URL", req.settings.url_size, req.cookies.Value("URL=")));
}

void WriteImageUrlRow(Request& req) {
  if (!req.settings.use_image_url) return;
  WriteRow(req, kImageUrlLabel, TextControl("IMAGEURL", req.settings.url_size, ""));
}

void WriteControlPasswordRow(Request& req) {
  if (!req.settings.read_only) return;
  WriteRow(req, kControlPassLabel, ControlPasswordControl());
}

void WriteContentAndButtons(Request& req, bool offer_cookie) {
  const Settings& s = req.settings;
  req.out->Line("<TEXTAREA NAME=\"CONTENT\" ROWS=" + Html::Trusted(s.rows_size) +
                " COLS=" + Html::Trusted(s.cols_size) + "></TEXTAREA><BR>");
  req.out->Line(SubmitButton(req));
  req.out->Line(ResetButton(req));
  if (offer_cookie && CookieCheckBoxOn(req)) req.out->Line(CookieCheckBox(req));
}

Html NameField(const Request& req) {
  if (req.settings.members_only_board()) return Html();
  return TextControl("NAME", req.settings.name_size, req.cookies.Value("NAME="));
}

Html EmailField(const Request& req) {
  if (!EmailOn(req.settings)) return Html();
  return TextControl("EMAIL", req.settings.email_size, req.cookies.Value("EMAIL="));
}

Html TitleField(const Request& req, std::string_view value) {
  return TextControl("TITLE", req.settings.title_size, value);
}

Html UrlField(const Request& req) {
  if (!req.settings.use_url) return Html();
  return TextControl("URL", req.settings.url_size, req.cookies.Value("URL="));
}

Html ImageUrlField(const Request& req) {
  if (!req.settings.use_image_url) return Html();
  return TextControl("IMAGEURL", req.settings.url_size, "");
}

Html ControlPasswordField(const Request& req) {
  if (!req.settings.read_only) return Html();
  return ControlPasswordControl();
}

Html ButtonsField(const Request& req) {
  Html b = SubmitButton(req) + ResetButton(req);
  if (CookieCheckBoxOn(req)) b += CookieCheckBox(req);
  return b;
}

}  // namespace kiroq
