#include "board/settings.h"

#include <algorithm>
#include <cstring>

#include "text/ascii.h"

namespace kiroq {

namespace {

constexpr std::size_t kSizeLimit = 20;

std::string CutSize(std::string v) {
  if (v.size() > kSizeLimit) v.resize(kSizeLimit);
  return v;
}

unsigned char Upper(char c) { return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); }

// Orders an upper-case key against a key of any case: shorter first, then
// as unsigned bytes, so that most steps of a search compare two lengths.
int CompareKey(std::string_view upper, std::string_view key) {
  if (upper.size() != key.size()) return upper.size() < key.size() ? -1 : 1;
  // The program asks in upper case: a key found is the same bytes.
  if (std::memcmp(upper.data(), key.data(), key.size()) == 0) return 0;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const unsigned char a = static_cast<unsigned char>(upper[i]), b = Upper(key[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return 0;
}

// The bit of a key in SettingsFile::present_ (key not empty): its length,
// first, middle and last letters (many keys begin alike, "USE...").
std::size_t KeyBit(std::string_view key) {
  return (key.size() * 7 + std::size_t{Upper(key.front())} * 3 + std::size_t{Upper(key[key.size() / 2])} * 5 +
          Upper(key.back())) &
         255;
}

}  // namespace

// A board reads a hundred settings on every request: the keys are sorted
// once and each is found by halving, without a copy of the key.
SettingsFile::SettingsFile(std::string_view text) {
  lines_ = SplitLines(text);
  entries_.reserve(lines_.size());
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    std::size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    // "KEY=" at the start of the line, compared without case: the text
    // before the first "=" is the key.
    entries_.push_back({ToUpperAscii(std::string_view(line).substr(0, eq)), i, eq + 1});
    const std::size_t bit = KeyBit(entries_.back().key);
    present_[bit / 64] |= uint64_t{1} << (bit % 64);
  }
  // Of equal keys the first line comes first and stays.
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    const int c = CompareKey(a.key, b.key);
    return c != 0 ? c < 0 : a.line < b.line;
  });
  entries_.erase(
      std::unique(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.key == b.key; }),
      entries_.end());
}

std::string_view SettingsFile::Find(std::string_view key, bool* found) const {
  *found = false;
  if (key.empty()) return {};
  const std::size_t bit = KeyBit(key);
  if ((present_[bit / 64] >> (bit % 64) & 1) == 0) return {};
  auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                             [](const Entry& e, std::string_view k) { return CompareKey(e.key, k) < 0; });
  *found = it != entries_.end() && CompareKey(it->key, key) == 0;
  if (!*found) return {};
  return std::string_view(lines_[it->line]).substr(it->value_at);
}

bool SettingsFile::Has(std::string_view key) const {
  bool found = false;
  Find(key, &found);
  return found;
}

std::string SettingsFile::Text(std::string_view key) const {
  bool found = false;
  return std::string(Find(key, &found));
}

bool SettingsFile::Switch(std::string_view key) const { return Number(key) == 1; }

int SettingsFile::Number(std::string_view key) const {
  bool found = false;
  int v = 0;
  if (!ParseWholeNumber(Find(key, &found), &v)) return 0;
  return v;
}

std::string SettingsFile::TextOr(std::string_view key, std::string_view dflt) const {
  bool found = false;
  const std::string_view v = Find(key, &found);
  return std::string(v.empty() ? dflt : v);
}

std::vector<std::string> SettingsFile::Section(std::string_view start_marker, std::string_view end_marker) const {
  std::vector<std::string> out;
  bool inside = false;
  for (const std::string& line : lines_) {
    if (!inside) {
      if (StartsWithIgnoreCase(line, start_marker)) inside = true;
      continue;
    }
    if (StartsWithIgnoreCase(line, end_marker)) break;
    out.push_back(line);
  }
  return out;
}

bool IsMobileAgent(std::string_view user_agent) {
  std::string upper = ToUpperAscii(user_agent);
  return upper.find("DOCOMO") != std::string::npos || upper.find("UP.BROWSER") != std::string::npos;
}

Settings ReadSettings(const SettingsFile& f, std::string_view user_agent) {
  Settings s;
  s.subject_length = f.Number("SUBJECTLENGTH");
  if (s.subject_length <= 0) s.subject_length = 40;
  s.cookie_delete = f.Switch("COOKIEDELETE");
  s.roma = f.Switch("ROMA");
  s.post_button = f.Switch("POSTBUTTON");
  s.bbs_man = f.Switch("BBSMAN");
  s.view_select = f.Number("VIEWSELECT");
  s.use_mail = f.Switch("USEMAIL");
  s.use_url = f.Switch("USEURL");
  s.use_date = f.Switch("USEDATE");
  s.use_cookie = f.Switch("USECOOKIE");
  s.un_name = f.Text("UNNAME");
  s.un_title = f.Text("UNTITLE");
  s.add_head = f.Text("ADDHEAD");
  s.use_delete = f.Switch("USEDELETE");
  s.delete_visible = f.Switch("DELETEVISIBLE");
  s.use_comment_number = f.Switch("USECOMMENTNUMBER");
  s.use_cookie_setting = f.Switch("USECOOKIESETTING");
  s.use_search_log = f.Switch("USESEARCHLOG");
  s.num_click = f.Switch("NUMCLICK");
  s.title_click = f.Switch("TITLECLICK");
  s.use_age = f.Text("USEAGE");
  s.use_sex = f.Switch("USESEX");
  s.use_address = f.Switch("USEADDRESS");
  s.use_border = f.Switch("USEBORDER");
  s.use_host_name = f.Switch("USEHOSTNAME");
  s.use_image_url = f.Switch("USEIMAGEURL");
  s.use_none = f.Switch("USENONE");
  s.use_default = f.Number("USEDEFAULT");
  s.crlf_cut = f.Switch("CRLFCUT");
  s.japanese = f.Switch("JAPANESE");
  s.name_size = CutSize(f.TextOr("NAMESIZE", s.name_size));
  s.email_size = CutSize(f.TextOr("EMAILSIZE", s.email_size));
  s.url_size = CutSize(f.TextOr("URLSIZE", s.url_size));
  s.title_size = CutSize(f.TextOr("TITLESIZE", s.title_size));
  s.rows_size = CutSize(f.TextOr("ROWSSIZE", s.rows_size));
  s.cols_size = CutSize(f.TextOr("COLSSIZE", s.cols_size));
  s.read_only = f.Switch("READONLY");
  s.password = f.Text("PASSWORD");
  s.url_link_convert = f.Switch("URLLINKCONVERT");
  s.file_upload = f.Switch("FILEUPLOAD");
  s.image_button = f.Switch("IMAGEBUTTON");
  s.members_only = f.Text("MEMBERSONLY");
  s.cell_padding = f.Text("CELLPADDING");
  s.time_color = f.Number("TIMECOLOR");
  for (int i = 0; i < 5; ++i) {
    // Only a missing key gives the default; an empty value stays empty.
    std::string key = "TIMECOLOR" + std::to_string(i + 1);
    s.time_colors[i] = f.Has(key) ? f.Text(key) : "WHITE";
  }
  s.login_dat = f.Text("LOGINDAT");
  s.member_read_only = f.Number("MEMBERREADONLY");
  s.imode = f.Number("IMODE");
  s.view_limit = f.Number("VIEWLIMIT");
  s.use_delete_pass = f.Switch("USEDELETEPASS");
  s.new_post_sort = f.Switch("NEWPOSTSORT");
  s.time_type = f.Number("TIMETYPE");
  s.tree_close = f.Switch("TREECLOSE");
  s.convert_remote_host = f.Switch("CONVERTREMOTEHOST");
  s.use_html_tag = f.Switch("USEHTMLTAG");
  s.smartphone = f.Switch("SMARTPHONE");
  s.post_interval = f.Number("POSTINTERVAL");
  s.refuse_double_post = f.Switch("REFUSEDOUBLEPOST");
  // Only a number limits (blanks around it allowed): a missing, empty,
  // unreadable or negative value is no limit (0 is: no address at all).
  std::string max_links = f.Text("MAXLINKS");
  while (!max_links.empty() && (max_links.back() == ' ' || max_links.back() == '\t')) max_links.pop_back();
  if (!ParseWholeNumber(max_links, &s.max_links) || s.max_links < 0) s.max_links = -1;
  s.trap_field = f.Switch("TRAPFIELD");
  s.use_feed = f.Switch("USEFEED");
  s.feed_title = f.Text("FEEDTITLE");

  if (s.imode == 2) s.imode = IsMobileAgent(user_agent) ? 1 : 0;
  if (s.mobile()) {
    s.form_enctype.clear();
    s.name_size = CutSize(f.TextOr("INAMESIZE", s.name_size));
    s.email_size = CutSize(f.TextOr("IEMAILSIZE", s.email_size));
    s.url_size = CutSize(f.TextOr("IURLSIZE", s.url_size));
    s.title_size = CutSize(f.TextOr("ITITLESIZE", s.title_size));
    s.rows_size = CutSize(f.TextOr("IROWSSIZE", s.rows_size));
    s.cols_size = CutSize(f.TextOr("ICOLSSIZE", s.cols_size));
  } else {
    s.form_enctype = " ENCTYPE=\"multipart/form-data\"";
  }

  s.no_head_color = f.TextOr("NOHEADCOLOR", "#33AACC");
  s.date_head_color = f.TextOr("DATEHEADCOLOR", "#AAEEAA");
  s.title_head_color = f.TextOr("TITLEHEADCOLOR", "#33CCAA");
  s.writer_head_color = f.TextOr("WRITERHEADCOLOR", "#AACCAA");
  s.no_color = f.Text("NOCOLOR");
  s.date_color = f.Text("DATECOLOR");
  s.title_color = f.Text("TITLECOLOR");
  s.writer_color = f.Text("WRITERCOLOR");
  s.url_head_color = f.TextOr("URLHEADCOLOR", "#AAEE00");
  s.tree_head_color = f.TextOr("TREEHEADCOLOR", "#33CC44");
  s.no_str_color = f.TextOr("NOSTRCOLOR", "BLACK");
  s.date_str_color = f.TextOr("DATESTRCOLOR", "BLACK");
  s.title_str_color = f.TextOr("TITLESTRCOLOR", "BLACK");
  s.writer_str_color = f.TextOr("WRITERSTRCOLOR", "BLACK");
  s.url_str_color = f.TextOr("URLSTRCOLOR", "BLACK");
  s.grph_str_color = f.TextOr("GRPHSTRCOLOR", "BLACK");
  s.border_line = f.Number("BORDERLINE");
  s.border_color = f.Text("BORDERCOLOR");
  return s;
}

}  // namespace kiroq
