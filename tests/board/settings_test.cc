#include "board/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace kiroq {
namespace {

Settings Load(const std::string& text, const std::string& agent = "") {
  return ReadSettings(SettingsFile(text), agent);
}

TEST(SettingsKeys, IgnoreCaseButMustStartTheLine) {
  EXPECT_TRUE(Load("usemail=1\r\n").use_mail);
  EXPECT_TRUE(Load("UseMail=1").use_mail);
  EXPECT_FALSE(Load(" USEMAIL=1\r\n").use_mail);
  EXPECT_FALSE(Load("XUSEMAIL=1\r\n").use_mail);
}

TEST(SettingsKeys, FirstLineWins) {
  Settings s = Load("TITLECOLOR=#111111\r\nTITLECOLOR=#222222\r\n");
  EXPECT_EQ(s.title_color, "#111111");
  // An empty first value still wins over a later one.
  EXPECT_EQ(Load("UNNAME=\nUNNAME=nobody\n").un_name, "");
}

TEST(SettingsKeys, AllLineEndsSplitLines) {
  Settings s = Load("USEMAIL=1\rUSEURL=1\nUSEDATE=1\r\nJAPANESE=1");
  EXPECT_TRUE(s.use_mail);
  EXPECT_TRUE(s.use_url);
  EXPECT_TRUE(s.use_date);
  EXPECT_TRUE(s.japanese);
}

TEST(SettingsSwitches, OnlyOneIsOn) {
  EXPECT_FALSE(Load("USEMAIL=2").use_mail);
  EXPECT_FALSE(Load("USEMAIL=yes").use_mail);
  EXPECT_FALSE(Load("USEMAIL=").use_mail);
  EXPECT_FALSE(Load("USEMAIL=1 ").use_mail);  // not a whole number
  EXPECT_TRUE(Load("USEMAIL= 1").use_mail);   // leading blanks are allowed
  EXPECT_TRUE(Load("USEMAIL=+1").use_mail);
}

TEST(SettingsNumbers, SignsAndJunk) {
  EXPECT_EQ(Load("VIEWLIMIT=-5").view_limit, -5);
  EXPECT_EQ(Load("VIEWLIMIT=12abc").view_limit, 0);
  EXPECT_EQ(Load("VIEWLIMIT=99999999999").view_limit, 0);
  EXPECT_EQ(Load("").view_limit, 0);
}

TEST(SettingsNumbers, SubjectLengthDefaultsToForty) {
  EXPECT_EQ(Load("SUBJECTLENGTH=0").subject_length, 40);
  EXPECT_EQ(Load("SUBJECTLENGTH=-3").subject_length, 40);
  EXPECT_EQ(Load("SUBJECTLENGTH=abc").subject_length, 40);
  EXPECT_EQ(Load("").subject_length, 40);
  EXPECT_EQ(Load("SUBJECTLENGTH=12").subject_length, 12);
}

TEST(SettingsSizes, DefaultsAndTwentyByteCut) {
  Settings s = Load("NAMESIZE=123456789012345678901234\r\nEMAILSIZE=\r\n");
  EXPECT_EQ(s.name_size, "12345678901234567890");
  EXPECT_EQ(s.email_size, "60");  // empty keeps the default
  EXPECT_EQ(s.rows_size, "10");
  EXPECT_EQ(s.cols_size, "60");
}

TEST(SettingsSizes, MobileSizesReplaceTheOrdinaryOnes) {
  Settings s = Load("IMODE=1\nNAMESIZE=30\nINAMESIZE=8\nROWSSIZE=5\n");
  EXPECT_EQ(s.name_size, "8");
  EXPECT_EQ(s.rows_size, "5");  // no IROWSSIZE: the ordinary value stays
  EXPECT_EQ(s.form_enctype, "");
  Settings pc = Load("IMODE=0\nNAMESIZE=30\nINAMESIZE=8\n");
  EXPECT_EQ(pc.name_size, "30");
  EXPECT_EQ(pc.form_enctype, " ENCTYPE=\"multipart/form-data\"");
}

TEST(SettingsMobile, AgentDecidesWhenImodeIsTwo) {
  EXPECT_TRUE(Load("IMODE=2", "docomo/2.0 P903i").mobile());
  EXPECT_TRUE(Load("IMODE=2", "KDDI-HI31 UP.Browser/6.2").mobile());
  EXPECT_FALSE(Load("IMODE=2", "Mozilla/5.0 (X11; Linux x86_64) Chrome/131").mobile());
  EXPECT_FALSE(Load("IMODE=0", "docomo/2.0").mobile());
  EXPECT_TRUE(Load("IMODE=1", "Mozilla/5.0").mobile());
}

TEST(SettingsColours, HeadingColoursDefaultWhenEmptyCellColoursDoNot) {
  Settings s = Load("NOHEADCOLOR=\r\nNOCOLOR=\r\n");
  EXPECT_EQ(s.no_head_color, "#33AACC");
  EXPECT_EQ(s.no_color, "");
  EXPECT_EQ(s.tree_head_color, "#33CC44");
  EXPECT_EQ(s.grph_str_color, "BLACK");
  EXPECT_EQ(Load("URLHEADCOLOR=red").url_head_color, "red");
}

TEST(SettingsColours, TimeColoursDefaultOnlyWhenMissing) {
  Settings s = Load("TIMECOLOR2=\r\nTIMECOLOR3=#FF0000\r\n");
  EXPECT_EQ(s.time_colors[0], "WHITE");
  EXPECT_EQ(s.time_colors[1], "");
  EXPECT_EQ(s.time_colors[2], "#FF0000");
}

TEST(SettingsFileSections, LinesBetweenMarkers) {
  SettingsFile f(
      "JAPANESE=1\r\ncanceldomainliststart here\r\n.example.com\r\n\r\nspam.net\r\nCANCELDOMAINLISTEND\r\n"
      "CHECKSTRINGSTART\r\nbad word\r\nCHECKSTRINGEND\r\n");
  std::vector<std::string> hosts = f.Section("CANCELDOMAINLISTSTART", "CANCELDOMAINLISTEND");
  ASSERT_EQ(hosts.size(), 3u);
  EXPECT_EQ(hosts[0], ".example.com");
  EXPECT_EQ(hosts[1], "");
  EXPECT_EQ(hosts[2], "spam.net");
  std::vector<std::string> words = f.Section("CHECKSTRINGSTART", "CHECKSTRINGEND");
  ASSERT_EQ(words.size(), 1u);
  EXPECT_EQ(words[0], "bad word");
  EXPECT_TRUE(f.Section("NOSUCHSTART", "NOSUCHEND").empty());
}

TEST(SettingsValues, TakenUnchanged) {
  Settings s = Load("UNNAME= 名無し =x\r\nUSEAGE=2\r\n");
  EXPECT_EQ(s.un_name, " 名無し =x");
  EXPECT_TRUE(s.age_on());
  EXPECT_FALSE(Load("USEAGE=3").age_on());
}

// Random files of keys that differ in case, length, first or last letter
// only, with repeats, blanks and Shift-JIS bytes: every key asked for,
// present or not and in any case, gives what the first line of that key
// says, as a plain map built from the lines says it.
TEST(SettingsKeys, LookupAgreesWithTheFirstLineOfEachKey) {
  std::mt19937 rng(7);
  const std::string letters = "AaBbEeLlXx_1\x83\x8e";
  auto random_key = [&] {
    std::string key;
    const int n = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) key += letters[rng() % letters.size()];
    return key;
  };
  auto upper = [](std::string k) {
    for (char& c : k) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return k;
  };
  for (int round = 0; round < 200; ++round) {
    std::string text;
    std::map<std::string, std::string> first;  // upper-case key -> first value
    std::vector<std::string> keys;
    const int lines = static_cast<int>(rng() % 40);
    for (int i = 0; i < lines; ++i) {
      const std::string key = random_key(), value = rng() % 4 == 0 ? "" : "v" + std::to_string(i);
      keys.push_back(key);
      const bool indented = rng() % 8 == 0;  // not a key: keys start the line
      text += (indented ? " " : "") + key + "=" + value + "\r\n";
      if (!indented) first.emplace(upper(key), value);
    }
    const SettingsFile f(text);
    for (int ask = 0; ask < 60; ++ask) {
      std::string key =
          ask < static_cast<int>(keys.size()) && ask % 2 == 0 ? keys[static_cast<std::size_t>(ask)] : random_key();
      if (ask % 3 == 0) key = upper(key);
      const auto it = first.find(upper(key));
      EXPECT_EQ(f.Has(key), it != first.end()) << key << " in\n" << text;
      EXPECT_EQ(f.Text(key), it == first.end() ? "" : it->second) << key << " in\n" << text;
    }
    EXPECT_FALSE(f.Has(""));
  }
}

}  // namespace
}  // namespace kiroq
