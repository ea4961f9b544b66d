#include "html/request.h"

namespace kiroq {

void EndRequest() { throw RequestEnded{}; }

const std::string& Request::Word(std::size_t i) const {
  static const std::string kEmpty;
  return (i >= 1 && i <= words.size()) ? words[i - 1] : kEmpty;
}

}  // namespace kiroq
