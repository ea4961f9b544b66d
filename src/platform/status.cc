#include "platform/status.h"

namespace kiroq {

std::string Status::ToString() const {
  switch (code_) {
    case Code::kOk:
      return "OK";
    case Code::kNotFound:
      return "not found: " + message_;
    case Code::kBusy:
      return "busy: " + message_;
    case Code::kIOError:
      return "I/O error: " + message_;
    case Code::kExists:
      return "exists: " + message_;
    case Code::kRefused:
      return "refused: " + message_;
  }
  return message_;
}

}  // namespace kiroq
