#include "html/request.h"

namespace kiroq {

void EndRequest() { throw RequestEnded{}; }

std::unique_ptr<File> OpenIndexOrEnd(Request& req, OpenMode mode) {
  std::unique_ptr<File> index;
  if (!OpenWithRetry(req.env, req.files.Index(), mode, kStandardRetry, &index).ok()) {
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
  return index;
}

const std::string& Request::Word(std::size_t i) const {
  static const std::string kEmpty;
  return (i >= 1 && i <= words.size()) ? words[i - 1] : kEmpty;
}

}  // namespace kiroq
