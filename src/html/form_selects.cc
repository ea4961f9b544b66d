// The choice fields of the post forms: address and age selects and the sex
// radio buttons, as form rows and as template fields. Each writes several
// lines; the choices are the program's own texts, so they need no escaping,
// and the cookie value only selects among them.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "html/request.h"
#include "html/form_fields.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

enum class Layout { kTable, kMobile, kTemplate };

Layout RowLayout(const Request& req) { return req.mobile() ? Layout::kMobile : Layout::kTable; }

constexpr std::array<std::string_view, 49> kAddresses = {
    "内緒"_sj,     "北海道"_sj, "青森県"_sj,   "岩手県"_sj, "秋田県"_sj,   "宮城県"_sj, "山形県"_sj,
    "福島県"_sj,   "茨城県"_sj, "栃木県"_sj,   "群馬県"_sj, "埼玉県"_sj,   "千葉県"_sj, "東京都"_sj,
    "神奈川県"_sj, "新潟県"_sj, "富山県"_sj,   "石川県"_sj, "福井県"_sj,   "山梨県"_sj, "長野県"_sj,
    "岐阜県"_sj,   "静岡県"_sj, "愛知県"_sj,   "三重県"_sj, "滋賀県"_sj,   "京都府"_sj, "大阪府"_sj,
    "兵庫県"_sj,   "奈良県"_sj, "和歌山県"_sj, "鳥取県"_sj, "島根県"_sj,   "岡山県"_sj, "広島県"_sj,
    "山口県"_sj,   "徳島県"_sj, "香川県"_sj,   "愛媛県"_sj, "高知県"_sj,   "福岡県"_sj, "佐賀県"_sj,
    "長崎県"_sj,   "熊本県"_sj, "大分県"_sj,   "宮崎県"_sj, "鹿児島県"_sj, "沖縄県"_sj, "海外"_sj,
};

constexpr std::string_view kNotEnteredJa = "未記入"_sj;
constexpr std::string_view kSecretJa = "内緒"_sj;

// The age choices for USEAGE "1" (decades) or "2" (single years).
std::vector<std::string> AgeChoices(const Request& req) {
  std::vector<std::string> choices;
  bool ja = req.japanese();
  choices.emplace_back(ja ? kSecretJa : "???");
  if (req.settings.use_age == "1") {
    for (int decade = 10; decade <= 90; decade += 10) {
      std::string c = Itoa(decade);
      if (ja) c.append("代"_sj);
      choices.push_back(c);
    }
  } else {
    for (int age = 10; age <= 99; ++age) {
      std::string c = Itoa(age);
      if (ja) c.append("歳"_sj);
      choices.push_back(c);
    }
  }
  return choices;
}

// The option lines of a select: the empty choice first with USENONE, then
// every choice, the one equal to the cookie value selected.
template <typename Choices>
void WriteOptions(Request& req, const Choices& choices, std::string_view cookie, std::string_view not_entered) {
  if (req.settings.use_none) {
    std::string none = cookie.empty() ? "<option value=\"\" selected>" : "<option value=\"\">";
    none.append(not_entered);
    req.out->Line(none);
  }
  for (const auto& choice : choices) {
    std::string line = "<option value=\"";
    line.append(choice);
    line.append(choice == cookie ? "\" selected>" : "\">");
    line.append(choice);
    req.out->Line(line);
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
  constexpr std::string_view kSelect = "<SELECT NAME=\"ADDRESS1\" SIZE=1>";
  switch (layout) {
    case Layout::kTable:
      req.out->Line(std::string("<TR><TD>在住地：</TD><TD>"_sj) + std::string(kSelect));
      break;
    case Layout::kMobile:
      req.out->Line(std::string("在住地<BR>"_sj) + std::string(kSelect));
      break;
    case Layout::kTemplate:
      req.out->Line(kSelect);
      break;
  }
  WriteOptions(req, kAddresses, cookie, kNotEnteredJa);
  WriteSelectEnd(req, layout);
}

void WriteAge(Request& req, Layout layout) {
  if (!req.settings.age_on()) return;
  std::string cookie = req.cookies.Value("AGE=");
  bool ja = req.japanese();
  constexpr std::string_view kSelect = "<SELECT NAME = \"AGE\">";
  std::string open;
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
  open.append(kSelect);
  req.out->Line(open);
  WriteOptions(req, AgeChoices(req), cookie, ja ? kNotEnteredJa : "None");
  WriteSelectEnd(req, layout);
}

struct SexButton {
  std::string_view value, caption;
};

void WriteSex(Request& req, Layout layout) {
  if (!req.settings.use_sex) return;
  std::string cookie = req.cookies.Value("SEX=");
  bool ja = req.japanese();
  if (layout == Layout::kTable) req.out->Line(ja ? "<TR><TD>性別：</TD><TD>"_sj : "<TR><TD>Sex：</TD><TD>"_sj);
  if (layout == Layout::kMobile) req.out->Line(ja ? "性別<BR>"_sj : "Sex："_sj);

  std::vector<SexButton> buttons;
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
    std::string line = "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"";
    line.append(buttons[i].value);
    line.append(i == checked ? "\" CHECKED> " : "\"> ");
    line.append(buttons[i].caption);
    req.out->Line(line);
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
