#include "text/keyword_finder.h"

#include <algorithm>
#include <cstring>

#include "text/sjis.h"

namespace kiroq {

bool StartsCharacter(std::string_view body, std::size_t offset, std::size_t known) {
  // The byte before a run of lead-range bytes ends a character, whatever it
  // is; inside the run characters pair up from there.
  std::size_t run = 0;
  while (offset - run > known && IsLeadByte(body[offset - run - 1])) ++run;
  return run % 2 == 0;
}

KeywordFinder::KeywordFinder(std::string_view keyword, bool japanese) : keyword_(keyword), japanese_(japanese) {}

void KeywordFinder::Tune(std::string_view sample) {
  anchor_ = kNoAnchor;
  if (keyword_.empty() || sample.empty()) return;
  std::size_t seen[256] = {};
  for (char c : sample) ++seen[static_cast<unsigned char>(c)];
  std::size_t rarest = 0;
  for (std::size_t i = 1; i < keyword_.size(); ++i) {
    if (seen[static_cast<unsigned char>(keyword_[i])] < seen[static_cast<unsigned char>(keyword_[rarest])]) rarest = i;
  }
  // Each place where the anchor byte turns up costs a call and a compare;
  // beyond this share of the text the block filter is faster.
  if (seen[static_cast<unsigned char>(keyword_[rarest])] <= sample.size() / kAnchorRarity) anchor_ = rarest;
}

bool KeywordFinder::FoundIn(std::string_view body) const {
  if (keyword_.empty() || body.size() < keyword_.size()) return false;
  return anchor_ == kNoAnchor ? FoundByFilter(body) : FoundByAnchor(body);
}

bool KeywordFinder::MatchesAt(std::string_view body, std::size_t i, std::size_t* known) const {
  if (std::memcmp(body.data() + i, keyword_.data(), keyword_.size()) != 0) return false;
  if (!japanese_) return true;
  // Places are checked in increasing order, so each walk back stops where
  // the one before ended: a body costs one walk at most.
  const bool starts = StartsCharacter(body, i, *known);
  *known = starts ? i : i + 1;  // a second byte is followed by a character
  return starts;
}

bool KeywordFinder::FoundByAnchor(std::string_view body) const {
  const char a = keyword_[anchor_];
  // The anchor byte can lie in body[anchor_ .. stop).
  const char* from = body.data() + anchor_;
  const char* stop = body.data() + body.size() - (keyword_.size() - 1 - anchor_);
  std::size_t known = 0;
  while (from < stop) {
    const char* at = static_cast<const char*>(std::memchr(from, a, static_cast<std::size_t>(stop - from)));
    if (at == nullptr) return false;
    if (MatchesAt(body, static_cast<std::size_t>(at - body.data()) - anchor_, &known)) return true;
    from = at + 1;
  }
  return false;
}

bool KeywordFinder::FoundByFilter(std::string_view body) const {
  const std::size_t n = keyword_.size();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(body.data());
  const unsigned char first = static_cast<unsigned char>(keyword_.front());
  const unsigned char last = static_cast<unsigned char>(keyword_.back());
  const std::size_t starts = body.size() - n + 1;  // places where the keyword fits
  std::size_t known = 0;
  std::size_t i = 0;
  while (i < starts) {
    const std::size_t stop = std::min(i + kFilterBlock, starts);
    if (stop - i == kFilterBlock) {
      // Places whose first and last byte both fit are rare; a block without
      // one is passed over whole. The compiler turns this loop into vector
      // compares.
      unsigned char any = 0;
      for (std::size_t j = i; j < stop; ++j) any |= (p[j] == first) & (p[j + n - 1] == last);
      if (!any) {
        i = stop;
        continue;
      }
    }
    for (; i < stop; ++i) {
      if (p[i] == first && p[i + n - 1] == last && MatchesAt(body, i, &known)) return true;
    }
  }
  return false;
}

}  // namespace kiroq
