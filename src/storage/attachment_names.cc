#include "storage/attachment_names.h"

#include "text/sjis.h"

namespace kiroq {

std::string StripClientPath(std::string_view sent, bool sjis) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (sjis && IsLeadByte(sent[i]) && i + 1 < sent.size()) {
      ++i;  // the second byte belongs to the character
      continue;
    }
    if (sent[i] == '\\' || sent[i] == '/' || sent[i] == ':') start = i + 1;
  }
  return std::string(sent.substr(start));
}

bool IsStorableName(std::string_view name, bool sjis) {
  if (name.empty() || name[0] == '.') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (sjis && IsLeadByte(c) && i + 1 < name.size()) {
      // A second byte is never "/" or a control byte, but may be 0x5C.
      unsigned char second = static_cast<unsigned char>(name[++i]);
      if (second < 0x40 || second == 0x7F) return false;
      continue;
    }
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') return false;
  }
  return true;
}

}  // namespace kiroq
