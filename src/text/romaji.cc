// Romaji to hiragana: four tables tried longest key first.
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

struct Kana {
  std::string_view romaji;
  std::string_view kana;  // Shift-JIS
};

constexpr Kana kFourLetters[] = {
    {"ssya", "っしゃ"_sj}, {"ssyi", "っしぃ"_sj}, {"ssyu", "っしゅ"_sj}, {"ssye", "っしぇ"_sj}, {"ssyo", "っしょ"_sj},
    {"ccha", "っちゃ"_sj}, {"cchi", "っち"_sj},   {"cchu", "っちゅ"_sj}, {"cche", "っちぇ"_sj}, {"ccho", "っちょ"_sj},
};

constexpr Kana kThreeLetters[] = {
    {"kya", "きゃ"_sj}, {"kyi", "きぃ"_sj}, {"kyu", "きゅ"_sj}, {"kye", "きぇ"_sj}, {"kyo", "きょ"_sj},
    {"gya", "ぎゃ"_sj}, {"gyi", "ぎぃ"_sj}, {"gyu", "ぎゅ"_sj}, {"gye", "ぎぇ"_sj}, {"gyo", "ぎょ"_sj},
    {"sha", "しゃ"_sj}, {"shi", "し"_sj},   {"shu", "しゅ"_sj}, {"she", "しぇ"_sj}, {"sho", "しょ"_sj},
    {"sya", "しゃ"_sj}, {"syi", "し"_sj},   {"syu", "しゅ"_sj}, {"sye", "しぇ"_sj}, {"syo", "しょ"_sj},
    {"dha", "でゃ"_sj}, {"dhi", "でぃ"_sj}, {"dhu", "でゅ"_sj}, {"dhe", "でぇ"_sj}, {"dho", "でょ"_sj},
    {"dya", "ぢゃ"_sj}, {"dyi", "ぢぃ"_sj}, {"dyu", "ぢゅ"_sj}, {"dye", "ぢぇ"_sj}, {"dyo", "ぢょ"_sj},
    {"tya", "ちゃ"_sj}, {"tyi", "ちぃ"_sj}, {"tyu", "ちゅ"_sj}, {"tye", "ちぇ"_sj}, {"tyo", "ちょ"_sj},
    {"tha", "てゃ"_sj}, {"thi", "てぃ"_sj}, {"thu", "てゅ"_sj}, {"the", "てぇ"_sj}, {"tho", "てょ"_sj},
    {"cya", "ちゃ"_sj}, {"cyi", "ちぃ"_sj}, {"cyu", "ちゅ"_sj}, {"cye", "ちぇ"_sj}, {"cyo", "ちょ"_sj},
    {"cha", "ちゃ"_sj}, {"chi", "ち"_sj},   {"chu", "ちゅ"_sj}, {"che", "ちぇ"_sj}, {"cho", "ちょ"_sj},
    {"nya", "にゃ"_sj}, {"nyi", "にぃ"_sj}, {"nyu", "にゅ"_sj}, {"nye", "にぇ"_sj}, {"nyo", "にょ"_sj},
    {"hya", "ひゃ"_sj}, {"hyi", "ひぃ"_sj}, {"hyu", "ひゅ"_sj}, {"hye", "ひぇ"_sj}, {"hyo", "ひょ"_sj},
    {"pya", "ぴゃ"_sj}, {"pyi", "ぴぃ"_sj}, {"pyu", "ぴゅ"_sj}, {"pye", "ぴぇ"_sj}, {"pyo", "ぴょ"_sj},
    {"bya", "びゃ"_sj}, {"byi", "びぃ"_sj}, {"byu", "びゅ"_sj}, {"bye", "びぇ"_sj}, {"byo", "びょ"_sj},
    {"mya", "みゃ"_sj}, {"myi", "みぃ"_sj}, {"myu", "みゅ"_sj}, {"mye", "みぇ"_sj}, {"myo", "みょ"_sj},
    {"rya", "りゃ"_sj}, {"ryi", "りぃ"_sj}, {"ryu", "りゅ"_sj}, {"rye", "りぇ"_sj}, {"ryo", "りょ"_sj},
    {"nna", "んな"_sj}, {"nni", "んに"_sj}, {"nnu", "んぬ"_sj}, {"nne", "んね"_sj}, {"nno", "んの"_sj},
    {"kka", "っか"_sj}, {"kki", "っき"_sj}, {"kku", "っく"_sj}, {"kke", "っけ"_sj}, {"kko", "っこ"_sj},
    {"tta", "った"_sj}, {"tti", "っち"_sj}, {"ttu", "っつ"_sj}, {"tte", "って"_sj}, {"tto", "っと"_sj},
    {"ppa", "っぱ"_sj}, {"ppi", "っぴ"_sj}, {"ppu", "っぷ"_sj}, {"ppe", "っぺ"_sj}, {"ppo", "っぽ"_sj},
    {"ssa", "っさ"_sj}, {"ssi", "っし"_sj}, {"ssu", "っす"_sj}, {"sse", "っせ"_sj}, {"sso", "っそ"_sj},
    {"gga", "っが"_sj}, {"ggi", "っぎ"_sj}, {"ggu", "っぐ"_sj}, {"gge", "っげ"_sj}, {"ggo", "っご"_sj},
    {"tsu", "つ"_sj},   {"xya", "ゃ"_sj},   {"xyu", "ゅ"_sj},   {"xyo", "ょ"_sj},
};

constexpr Kana kTwoLetters[] = {
    {"ka", "か"_sj},   {"ki", "き"_sj},   {"ku", "く"_sj},   {"ke", "け"_sj},   {"ko", "こ"_sj},   {"ca", "か"_sj},
    {"ci", "き"_sj},   {"cu", "く"_sj},   {"ce", "け"_sj},   {"co", "こ"_sj},   {"ga", "が"_sj},   {"gi", "ぎ"_sj},
    {"gu", "ぐ"_sj},   {"ge", "げ"_sj},   {"go", "ご"_sj},   {"sa", "さ"_sj},   {"si", "し"_sj},   {"su", "す"_sj},
    {"se", "せ"_sj},   {"so", "そ"_sj},   {"ja", "じゃ"_sj}, {"ji", "じ"_sj},   {"ju", "じゅ"_sj}, {"je", "じぇ"_sj},
    {"jo", "じょ"_sj}, {"za", "ざ"_sj},   {"zi", "じ"_sj},   {"zu", "ず"_sj},   {"ze", "ぜ"_sj},   {"zo", "ぞ"_sj},
    {"ta", "た"_sj},   {"ti", "ち"_sj},   {"tu", "つ"_sj},   {"te", "て"_sj},   {"to", "と"_sj},   {"da", "だ"_sj},
    {"di", "ぢ"_sj},   {"du", "づ"_sj},   {"de", "で"_sj},   {"do", "ど"_sj},   {"na", "な"_sj},   {"ni", "に"_sj},
    {"nu", "ぬ"_sj},   {"ne", "ね"_sj},   {"no", "の"_sj},   {"ha", "は"_sj},   {"hi", "ひ"_sj},   {"hu", "ふ"_sj},
    {"he", "へ"_sj},   {"ho", "ほ"_sj},   {"pa", "ぱ"_sj},   {"pi", "ぴ"_sj},   {"pu", "ぷ"_sj},   {"pe", "ぺ"_sj},
    {"po", "ぽ"_sj},   {"fa", "ふぁ"_sj}, {"fi", "ふぃ"_sj}, {"fu", "ふ"_sj},   {"fe", "ふぇ"_sj}, {"fo", "ふぉ"_sj},
    {"ba", "ば"_sj},   {"bi", "び"_sj},   {"bu", "ぶ"_sj},   {"be", "べ"_sj},   {"bo", "ぼ"_sj},   {"ma", "ま"_sj},
    {"mi", "み"_sj},   {"mu", "む"_sj},   {"me", "め"_sj},   {"mo", "も"_sj},   {"ya", "や"_sj},   {"yi", "い"_sj},
    {"yu", "ゆ"_sj},   {"ye", "え"_sj},   {"yo", "よ"_sj},   {"ra", "ら"_sj},   {"ri", "り"_sj},   {"ru", "る"_sj},
    {"re", "れ"_sj},   {"ro", "ろ"_sj},   {"wa", "わ"_sj},   {"wi", "うぃ"_sj}, {"wu", "う"_sj},   {"we", "うぇ"_sj},
    {"wo", "を"_sj},   {"la", "ぁ"_sj},   {"li", "ぃ"_sj},   {"lu", "ぅ"_sj},   {"le", "ぇ"_sj},   {"lo", "ぉ"_sj},
    {"xa", "ぁ"_sj},   {"xi", "ぃ"_sj},   {"xu", "ぅ"_sj},   {"xe", "ぇ"_sj},   {"xo", "ぉ"_sj},   {"nn", "ん"_sj},
};

constexpr Kana kOneLetter[] = {
    {"a", "あ"_sj}, {"i", "い"_sj}, {"u", "う"_sj}, {"e", "え"_sj}, {"o", "お"_sj}, {"n", "ん"_sj},
};

static_assert(std::size(kFourLetters) == 10);
static_assert(std::size(kThreeLetters) == 114);
static_assert(std::size(kTwoLetters) == 96);
static_assert(std::size(kOneLetter) == 6);

// The kana of the first row whose key is the next key_length bytes of text
// at pos, or nullptr.
template <std::size_t N>
const Kana* Match(const Kana (&table)[N], std::string_view text, std::size_t pos, std::size_t key_length) {
  if (text.size() - pos < key_length) return nullptr;
  const std::string_view piece = text.substr(pos, key_length);
  for (const Kana& row : table) {
    if (row.romaji == piece) return &row;
  }
  return nullptr;
}

}  // namespace

std::string RomajiToHiragana(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    // Every key is lower-case ASCII: anything else cannot start a match.
    if (c >= 'a' && c <= 'z') {
      const Kana* row = Match(kFourLetters, text, pos, 4);
      if (row == nullptr) row = Match(kThreeLetters, text, pos, 3);
      if (row == nullptr) row = Match(kTwoLetters, text, pos, 2);
      if (row == nullptr) row = Match(kOneLetter, text, pos, 1);
      if (row != nullptr) {
        out += row->kana;
        pos += row->romaji.size();
        continue;
      }
    }
    // A double-byte character goes whole, so its second byte (which may be
    // an ASCII letter) is never read as romaji.
    const std::size_t width = IsLeadByte(c) ? 2 : 1;
    out += text.substr(pos, width);
    pos += width;
  }
  return out;
}

}  // namespace kiroq
