// The failed-login log: one line of six quoted fields per attempt, whatever
// a visitor types as the ID.
#include "board/members.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/env.h"

namespace kiroq {
namespace {

const LocalTime kWhen{2026, 12, 8, 10, 30, 15};

TEST(FailedLoginLine, VisitorTextCannotAddFieldsOrLines) {
  struct Case {
    std::string id, logged;
  };
  const Case cases[] = {
      {"alice", "alice"},
      {"a\",\"b", "a','b"},                                                                // would add a field
      {"x\"\r\n\"2026/01/01\",\"00:00:00\",\"root", "x'  '2026/01/01','00:00:00','root"},  // a forged line
      {std::string("n\0ul\x7F", 5), "n ul "},
      {"\t\x1b[31m", "  [31m"},
  };
  for (const Case& c : cases) {
    const std::string line = FailedLoginLine(kWhen, c.id, "host\"\n", "192.0.2.1");
    EXPECT_EQ(line, "\"2026/12/08\",\"10:30:15\",\"" + c.logged + "\",\"********\",\"host' \",\"192.0.2.1\"");
    EXPECT_EQ(std::count(line.begin(), line.end(), '"'), 12) << line;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace kiroq
