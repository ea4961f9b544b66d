// The keyword search of article bodies.
#ifndef KIROQ_TEXT_KEYWORD_FINDER_H_
#define KIROQ_TEXT_KEYWORD_FINDER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kiroq {

// Finds a keyword in article bodies, byte for byte (no case folding). With
// japanese set, an occurrence counts only when it starts on a Shift-JIS
// character boundary of the body, so a keyword never matches from the
// second byte of a double-byte character. An empty keyword is found nowhere.
class KeywordFinder {
 public:
  KeywordFinder(std::string_view keyword, bool japanese);

  // Optional: picks the way of scanning from a sample of the text to come.
  // When one of the keyword's bytes is rare in the sample, bodies are
  // scanned for that byte alone; otherwise for places where the keyword's
  // first and last bytes both fit. Either way FoundIn gives the same answer.
  void Tune(std::string_view sample);

  bool FoundIn(std::string_view body) const;

 private:
  static constexpr std::size_t kNoAnchor = static_cast<std::size_t>(-1);
  static constexpr std::size_t kAnchorRarity = 256;  // at most one byte in this many
  static constexpr std::size_t kFilterBlock = 64;

  bool FoundByAnchor(std::string_view body) const;
  bool FoundByFilter(std::string_view body) const;
  // The keyword lies at body[i ..] and, on Japanese boards, starts a
  // character. *known is a character start at or before i, moved up to i or
  // beyond; calls for one body go in increasing i.
  bool MatchesAt(std::string_view body, std::size_t i, std::size_t* known) const;

  std::string keyword_;
  bool japanese_;
  std::size_t anchor_ = kNoAnchor;  // index in the keyword of the byte scanned for
};

// True when offset (< body.size()) starts a character of body, read as
// Shift-JIS from its first byte. known (<= offset) must itself start a
// character: the answer is worked out from there.
bool StartsCharacter(std::string_view body, std::size_t offset, std::size_t known = 0);

}  // namespace kiroq

#endif  // KIROQ_TEXT_KEYWORD_FINDER_H_
