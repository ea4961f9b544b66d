// The choice fields of the post forms: address and age selects and the sex
// radio buttons, as form rows and as template fields. Each writes several
// lines; the choices are the program's own texts, so they need no escaping,
// and the cookie value only selects among them.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "html/form_fields.h"
#include "html/request.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

enum class Layout { kTable, kMobile, kTemplate };

Layout RowLayout(const Request& req) { return req.mobile() ? Layout::kMobile : Layout::kTable; }

constexpr std::array<SjLiteral, 49> kAddresses = {
    "内緒"_sj,     "北海道"_sj, "青森県"_sj,   "岩手県"_sj, "秋田県"_sj,   "宮城県"_sj, "山形県"_sj,
    "福島県"_sj,   "茨城県"_sj, "栃木県"_sj,   "群馬県"_sj, "埼玉県"_sj,   "千葉県"_sj, "東京都"_sj,
    "神奈川県"_sj, "新潟県"_sj, "富山県"_sj,   "石川県"_sj, "福井県"_sj,   "山梨県"_sj, "長野県"_sj,
    "岐阜県"_sj,   "静岡県"_sj, "愛知県"_sj,   "三重県"_sj, "滋賀県"_sj,   "京都府"_sj, "大阪府"_sj,
    "兵庫県"_sj,   "奈良県"_sj, "和歌山県"_sj, "鳥取県"_sj, "島根県"_sj,   "岡山県"_sj, "広島県"_sj,
    "山口県"_sj,   "徳島県"_sj, "香川県"_sj,   "愛媛県"_sj, "高知県"_sj,   "福岡県"_sj, "佐賀県"_sj,
    "長崎県"_sj,   "熊本県"_sj, "大分県"_sj,   "宮崎県"_sj, "鹿児島県"_sj, "沖縄県"_sj, "海外"_sj,
};

constexpr SjLiteral kNotEnteredJa = "未記入"_sj;
constexpr SjLiteral kSecretJa = "内緒"_sj;

// A choice: the program's own text, as the option's value and caption.
struct Choice {
  std::string text;  // compared with the cookie value
  Html markup;
};

// The age choices for USEAGE "1" (decades) or "2" (single years).
std::vector<Choice> AgeChoices(const Request& req) {
  std::vector<Choice> choices;
  bool ja = req.japanese();
  const SjLiteral secret = ja ? kSecretJa : "???";
  choices.push_back({std::string(secret.view()), secret});
  const bool decades = req.settings.use_age == "1";
  const SjLiteral unit = ja ? (decades ? "代"_sj : "歳"_sj) : "";
  for (int age = 10; age <= (decades ? 90 : 99); age += decades ? 10 : 1) {
    choices.push_back({Itoa(age) + std::string(unit.view()), Html::Number(age) + unit});
  }
  return choices;
}

std::vector<Choice> AddressChoices() {
  std::vector<Choice> choices;
  for (SjLiteral a : kAddresses) choices.push_back({std::string(a.view()), a});
  return choices;
}

// The option lines of a select: the empty choice first with USENONE, then
// every choice, the one equal to the cookie value selected.
void WriteOptions(Request& req, const std::vector<Choice>& choices, std::string_view cookie, SjLiteral not_entered) {
  if (req.settings.use_none) {
    const Html none = cookie.empty() ? Html("<option value=\"\" selected>") : Html("<option value=\"\">");
    req.out->Line(none + not_entered);
  }
  for (const Choice& choice : choices) {
    const Html end = choice.text == cookie ? Html("\" selected>") : Html("\">");
    req.out->Line("<option value=\"" + choice.markup + end + choice.markup);
  }
}

void WriteSelectEnd(Request& req, Layout layout) {
  switch (layout) {
    case Layout::kTable:
      req.out->Line("</SELECT></TD></TR>");
      break;
    case Layout::kMobile:
      req.out->Line("</SELECT><BR>");
      break;
    case Layout::kTemplate:
      req.out->Line("</SELECT>");
      break;
  }
}

void WriteAddress(Request& req, Layout layout) {
  // The list is of Japanese prefectures: English boards never offer it.
  if (!req.settings.use_address || !req.japanese()) return;
  std::string cookie = req.cookies.Value("ADDRESS1=");
  constexpr SjLiteral kSelect = "<SELECT NAME=\"ADDRESS1\" SIZE=1>";
  switch (layout) {
    case Layout::kTable:
      req.out->Line("<TR><TD>在住地：</TD><TD>"_sj + kSelect);
      break;
    case Layout::kMobile:
      req.out->Line("在住地<BR>"_sj + kSelect);
      break;
    case Layout::kTemplate:
      req.out->Line(kSelect);
      break;
  }
  WriteOptions(req, AddressChoices(), cookie, kNotEnteredJa);
  WriteSelectEnd(req, layout);
}

void WriteAge(Request& req, Layout layout) {
  if (!req.settings.age_on()) return;
  std::string cookie = req.cookies.Value("AGE=");
  bool ja = req.japanese();
  constexpr SjLiteral kSelect = "<SELECT NAME = \"AGE\">";
  Html open;
  switch (layout) {
    case Layout::kTable:
      open = ja ? "<TR><TD>年齢：</TD><TD>"_sj : "<TR><TD>Age：</TD><TD>"_sj;
      break;
    case Layout::kMobile:
      // The English mobile label has no break before the list.
      open = ja ? "年齢<BR>"_sj : "Age";
      break;
    case Layout::kTemplate:
      break;
  }
  open += kSelect;
  req.out->Line(open);
  WriteOptions(req, AgeChoices(req), cookie, ja ? kNotEnteredJa : "None");
  WriteSelectEnd(req, layout);
}

struct SexButton {
  SjLiteral value, caption;
};

void WriteSex(Request& req, Layout layout) {
  if (!req.settings.use_sex) return;
  std::string cookie = req.cookies.Value("SEX=");
  bool ja = req.japanese();
  if (layout == Layout::kTable) req.out->Line(ja ? "<TR><TD>性別：</TD><TD>"_sj : "<TR><TD>Sex：</TD><TD>"_sj);
  if (layout == Layout::kMobile) req.out->Line(ja ? "性別<BR>"_sj : "Sex："_sj);

  std::vector<SexButton> buttons;
  // sic: "MAIL" and "FEMAIL" kept as boards have always shown and stored them.
  buttons.push_back(ja ? SexButton{"男性"_sj, "男性"_sj} : SexButton{"MAIL", "MAIL"});
  buttons.push_back(ja ? SexButton{"女性"_sj, "女性"_sj} : SexButton{"FEMAIL", "FEMAIL"});
  if (req.settings.use_none) buttons.push_back({"", ja ? kNotEnteredJa : "None"});
  buttons.push_back(ja ? SexButton{kSecretJa, kSecretJa} : SexButton{"Secret", "Secret"});

  // The first button whose value equals the cookie value is checked; the
  // last one ("secret") when none does, so exactly one always is.
  std::size_t checked = buttons.size() - 1;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].value == cookie) {
      checked = i;
      break;
    }
  }
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const Html end = i == checked ? Html("\" CHECKED> ") : Html("\"> ");
    req.out->Line("<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"" + buttons[i].value + end + buttons[i].caption);
  }

  if (layout == Layout::kTable) req.out->Line("</TD></TR>");
  if (layout == Layout::kMobile) req.out->Line("<BR>");
}

}  // namespace

void WriteAddressRow(Request& req) { WriteAddress(req, RowLayout(req)); }
void WriteAgeRow(Request& req) { WriteAge(req, RowLayout(req)); }
void WriteSexRow(Request& req) { WriteSex(req, RowLayout(req)); }

void WriteAddressField(Request& req) { WriteAddress(req, Layout::kTemplate); }
void WriteAgeField(Request& req) { WriteAge(req, Layout::kTemplate); }
void WriteSexField(Request& req) { WriteSex(req, Layout::kTemplate); }

}  // namespace kiroq
