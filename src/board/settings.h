// Board settings: the file <program folder>/<board>.ini.
//
// One setting a line, KEY=value. Keys ignore letter case and must start the
// line; the first line of a key wins; other lines are ignored (free text and
// the refused-host and refused-word sections live in the same file).
#ifndef KIROQ_BOARD_SETTINGS_H_
#define KIROQ_BOARD_SETTINGS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kiroq {

// The parsed lines of a settings file.
class SettingsFile {
 public:
  explicit SettingsFile(std::string_view text);

  // The value of KEY (given without "="), "" when absent.
  std::string Text(std::string_view key) const;
  bool Has(std::string_view key) const;
  // On exactly when the value reads as the number 1.
  bool Switch(std::string_view key) const;
  // The value as a whole decimal number (leading blanks and a sign allowed);
  // 0 when absent or not a whole number.
  int Number(std::string_view key) const;
  // The text, or dflt when the key is absent or its value empty.
  std::string TextOr(std::string_view key, std::string_view dflt) const;

  // The lines strictly between the first line beginning (ignoring case)
  // with start_marker and the next line beginning with end_marker.
  std::vector<std::string> Section(std::string_view start_marker, std::string_view end_marker) const;

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  // A key's value in lines_; found is false when the key is absent.
  std::string_view Find(std::string_view key, bool* found) const;

  struct Entry {
    std::string key;  // upper case
    std::size_t line;
    std::size_t value_at;  // after the "="
  };
  std::vector<std::string> lines_;
  std::vector<Entry> entries_;  // by key, the first line of each key only
  // One bit per (length, first, middle and last letter) of the keys
  // present: most keys a page asks for are absent and are told so by one
  // bit.
  uint64_t present_[4] = {};
};

struct Settings {
  int subject_length = 40;  // SUBJECTLENGTH, 40 for 0 or less
  bool cookie_delete = false;
  bool roma = false;
  bool post_button = false;
  bool bbs_man = false;
  int view_select = 0;
  bool use_mail = false;
  bool use_url = false;
  bool use_date = false;
  bool use_cookie = false;
  std::string un_name;
  std::string un_title;
  std::string add_head;
  bool use_delete = false;
  bool delete_visible = false;
  bool use_comment_number = false;
  bool use_cookie_setting = false;
  bool use_search_log = false;
  bool num_click = false;
  bool title_click = false;
  std::string use_age;  // "1" or "2" turn the age field on
  bool use_sex = false;
  bool use_address = false;
  bool use_border = false;
  bool use_host_name = false;
  bool use_image_url = false;
  bool use_none = false;
  int use_default = 0;
  bool crlf_cut = false;
  bool japanese = false;
  std::string name_size = "60";
  std::string email_size = "60";
  std::string url_size = "60";
  std::string title_size = "60";
  std::string rows_size = "10";
  std::string cols_size = "60";
  bool read_only = false;
  std::string password;  // drive letter of the administrator password file
  bool url_link_convert = false;
  bool file_upload = false;
  bool image_button = false;
  std::string members_only;  // member file path
  std::string cell_padding;
  int time_color = 0;
  std::string time_colors[5] = {"WHITE", "WHITE", "WHITE", "WHITE", "WHITE"};
  std::string login_dat;
  int member_read_only = 0;
  int imode = 0;  // after the user-agent test: 1 mobile, otherwise not
  int view_limit = 0;
  bool use_delete_pass = false;
  bool new_post_sort = false;
  int time_type = 0;
  bool tree_close = false;
  bool convert_remote_host = false;
  bool use_html_tag = false;  // bodies are written as posted, markup and all
  bool smartphone = false;    // pages carry the phone layout (not i-mode pages)
  int post_interval = 0;      // POSTINTERVAL: seconds between two posts of a host (0 none)
  bool refuse_double_post = false;
  int max_links = -1;  // MAXLINKS: web addresses a body may hold (-1 any number)
  bool trap_field = false;
  bool use_feed = false;   // action 40 answers with the Atom feed; pages link it
  std::string feed_title;  // FEEDTITLE; "" means the board's name

  std::string no_head_color = "#33AACC";
  std::string date_head_color = "#AAEEAA";
  std::string title_head_color = "#33CCAA";
  std::string writer_head_color = "#AACCAA";
  std::string no_color;
  std::string date_color;
  std::string title_color;
  std::string writer_color;
  std::string url_head_color = "#AAEE00";
  std::string tree_head_color = "#33CC44";
  std::string no_str_color = "BLACK";
  std::string date_str_color = "BLACK";
  std::string title_str_color = "BLACK";
  std::string writer_str_color = "BLACK";
  std::string url_str_color = "BLACK";
  std::string grph_str_color = "BLACK";
  int border_line = 0;
  std::string border_color;

  // Derived.
  bool members_only_board() const { return !members_only.empty(); }
  bool mobile() const { return imode == 1; }
  bool phone_layout() const { return smartphone && !mobile(); }
  bool age_on() const { return use_age == "1" || use_age == "2"; }
  // Posts are counted in the board's limits file.
  bool limits_posts() const { return post_interval > 0 || refuse_double_post; }
  // Put at the end of every posting form's opening tag.
  std::string form_enctype;
};

// Fills settings from a settings file. user_agent decides mobile mode when
// IMODE is 2.
Settings ReadSettings(const SettingsFile& file, std::string_view user_agent);

// True when user_agent, upper-cased, names a mobile telephone browser.
bool IsMobileAgent(std::string_view user_agent);

}  // namespace kiroq

#endif  // KIROQ_BOARD_SETTINGS_H_
