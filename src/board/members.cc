#include "board/members.h"

#include <cstdio>
#include <memory>

#include "platform/env.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/convert.h"

namespace kiroq {

bool FindMember(Env* env, const std::string& member_file, std::string_view id, std::string_view password,
                Member* member) {
  std::string text;
  if (member_file.empty() || !ReadAdministratorFile(env, member_file, &text).ok()) return false;
  bool found = false;
  for (const std::string& line : SplitLines(text)) {
    std::vector<std::string> items = SplitCommaText(line);
    if (items.size() != 4) continue;
    if (!EqualsIgnoreCase(items[0], id) || items[1] != password) continue;
    *member = {items[0], items[1], items[2], items[3]};
    found = true;
  }
  return found;
}

namespace {

// A field's text as the log keeps it: a double quote becomes a single one
// and a control byte a blank, so that a visitor's text can neither close its
// field nor start another line.
void AppendField(std::string_view text, std::string* line) {
  for (char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (c == '"') {
      line->push_back('\'');
    } else if (b < 0x20 || b == 0x7F) {
      line->push_back(' ');
    } else {
      line->push_back(c);
    }
  }
}

}  // namespace

std::string FailedLoginLine(const LocalTime& now, std::string_view id, std::string_view host,
                            std::string_view address) {
  char date[32], time[32];
  std::snprintf(date, sizeof(date), "%04d/%02d/%02d", now.year, now.month, now.day);
  std::snprintf(time, sizeof(time), "%02d:%02d:%02d", now.hour, now.minute, now.second);
  std::string line = "\"";
  line += date;
  line += "\",\"";
  line += time;
  line += "\",\"";
  AppendField(id, &line);
  line += "\",\"";
  line += kFailedPasswordMask;
  line += "\",\"";
  AppendField(host, &line);
  line += "\",\"";
  AppendField(address, &line);
  line += "\"";
  return line;
}

bool AppendFailedLogin(Env* env, const std::string& path, std::string line) {
  line += "\r\n";
  std::unique_ptr<File> log;
  uint64_t size = 0;
  bool ok = OpenWithRetry(env, path, OpenMode::kCreate, kStandardRetry, &log).ok() && log->Size(&size).ok();
  if (ok && size > 0) {
    // A log that does not end its last line gets one first.
    std::string last;
    ok = log->ReadAt(size - 1, 1, &last).ok();
    if (ok && last != "\n" && last != "\r") line = "\r\n" + line;
  }
  return ok && log->WriteAt(size, line).ok();
}

}  // namespace kiroq
