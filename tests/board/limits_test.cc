#include "board/limits.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kiroq {
namespace {

constexpr int64_t kNow = 1733620000;

std::string Hex(uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

TEST(LimitsHost, IPv4AsItIsIPv6ByItsSlash64) {
  const struct {
    const char* addr;
    const char* host;
  } kCases[] = {
      {"192.0.2.7", "192.0.2.7"},
      {"2001:db8:1:2::7", "2001:db8:1:2::/64"},
      {"2001:0DB8:0001:0002:aaaa:bbbb:cccc:dddd", "2001:db8:1:2::/64"},
      {"2001:db8::1", "2001:db8:0:0::/64"},
      {"::1", "0:0:0:0::/64"},
      {"fe80::1%eth0", "fe80:0:0:0::/64"},
      {"::ffff:192.0.2.9", "192.0.2.9"},
      {"1:2:3:4:5:6:1.2.3.4", "1:2:3:4::/64"},
      // Not addresses: kept, without blanks or line breaks, cut to 64 bytes.
      {"", "-"},
      {"1:2:3", "1:2:3"},
      {"a b\nc", "a_b_c"},
      {"1::2::3", "1::2::3"},
  };
  for (const auto& c : kCases) EXPECT_EQ(LimitsHost(c.addr), c.host) << c.addr;
  EXPECT_EQ(LimitsHost(std::string(100, 'x')).size(), 64u);
}

TEST(LimitsState, RoundTripsAndDropsWhatIsOld) {
  LimitsState s;
  s.AddPost("192.0.2.7", 0x0123456789abcdefull, kNow - 4000);  // over an hour old
  s.AddPost("192.0.2.7", PostHash("t", "b"), kNow - 10);
  s.AddWrongPassword("2001:db8:1:2::/64", GuessTarget("admin"), kNow - 5);
  const std::string hash = Hex(PostHash("t", "b"));
  const std::string bytes = s.Serialize();
  EXPECT_EQ(bytes,
            "KIROQ LIMITS 1\n"
            "P 1733616000 192.0.2.7 0123456789abcdef\n"
            "P 1733619990 192.0.2.7 " +
                std::string(hash) + "\nF 1733619995 2001:db8:1:2::/64 " + Hex(GuessTarget("admin")) + "\n");
  // The entry over an hour old is dropped when read.
  EXPECT_EQ(LimitsState::Parse(bytes, kNow).Serialize(), "KIROQ LIMITS 1\n" + bytes.substr(bytes.find("P 1733619990")));
  // An entry from well ahead of the clock (one set back) is dropped too.
  EXPECT_TRUE(LimitsState::Parse("KIROQ LIMITS 1\nL 1733620100 h\n", kNow).entries().empty());
  EXPECT_EQ(LimitsState::Parse("KIROQ LIMITS 1\nL 1733620030 h\n", kNow).entries().size(), 1u);
}

TEST(LimitsState, DamagedFilesReadAsEmpty) {
  const std::string good = "KIROQ LIMITS 1\nF 1733619999 h 0123456789abcdef\n";
  ASSERT_EQ(LimitsState::Parse(good, kNow).entries().size(), 1u);
  const char* kDamaged[] = {
      "",
      "KIROQ LIMITS 2\nL 1733619999 h\n",
      "KIROQ LIMITS 1\nL 1733619999 h",  // cut short
      "KIROQ LIMITS 1\nL 1733619999 h\nX 1733619999 h\n",
      "KIROQ LIMITS 1\nL 17336x9999 h\n",
      "KIROQ LIMITS 1\nL 1733619999 h extra\n",
      "KIROQ LIMITS 1\nF 1733619999 h\n",  // a wrong password without its target
      "KIROQ LIMITS 1\nP 1733619999 h 0123\n",
      "KIROQ LIMITS 1\nL 1733619999 h\r\n",
      "KIROQ LIMITS 1\nL  1733619999 h\n",
      "\x00\x01\x02garbage",
  };
  for (const char* bytes : kDamaged) EXPECT_TRUE(LimitsState::Parse(bytes, kNow).entries().empty()) << bytes;
  std::string oversized = "KIROQ LIMITS 1\n";
  while (oversized.size() <= kMaxLimitsFileBytes) oversized += "L 1733619999 h\n";
  EXPECT_TRUE(LimitsState::Parse(oversized, kNow).entries().empty());
}

TEST(LimitsState, KeepsTheNewestEntriesUnderTheCap) {
  LimitsState s;
  for (std::size_t i = 0; i < kMaxLimitEntries + 50; ++i) {
    s.AddPost("2001:db8:ffff:ffff::/64", i, kNow - 3000 + static_cast<int64_t>(i));
  }
  const std::string bytes = s.Serialize();
  EXPECT_LT(bytes.size(), 200u * 1024);
  const LimitsState read = LimitsState::Parse(bytes, kNow);
  ASSERT_EQ(read.entries().size(), kMaxLimitEntries);
  EXPECT_EQ(read.entries().front().hash, 50u);
  EXPECT_EQ(read.entries().back().hash, kMaxLimitEntries + 49);
}

// A flood of wrong passwords from many addresses pushes out other wrong
// passwords, then posts, never a lock-out while anything else is left.
TEST(LimitsState, OverTheCapWrongPasswordsGoFirstAndLockOutsLast) {
  LimitsState s;
  s.AddPost("poster", 1, kNow - 100);
  for (int i = 0; i < kMaxWrongPasswords; ++i) s.AddWrongPassword("guesser", GuessTarget("admin"), kNow - 90);
  ASSERT_NE(s.LockedUntil("guesser", kNow), 0);
  for (std::size_t i = 0; i < kMaxLimitEntries + 10; ++i) {
    s.AddWrongPassword("2001:db8:" + std::to_string(i) + ":0::/64", GuessTarget("admin"), kNow - 10);
  }
  const LimitsState read = LimitsState::Parse(s.Serialize(), kNow);
  EXPECT_EQ(read.entries().size(), kMaxLimitEntries);
  EXPECT_NE(read.LockedUntil("guesser", kNow), 0);
  EXPECT_EQ(read.LastPost("poster"), kNow - 100);
}

TEST(LimitsState, WrongPasswordsCountForTenMinutes) {
  LimitsState s;
  const uint64_t admin = GuessTarget("admin");
  // Four exactly ten minutes back no longer count; five within do.
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(s.AddWrongPassword("h", admin, kNow - kWrongPasswordSeconds));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(s.AddWrongPassword("h", admin, kNow));
  // A right password for something else takes back only its own guesses.
  EXPECT_FALSE(s.AddWrongPassword("h", GuessTarget("article 3"), kNow));
  s.ClearWrongPasswords("h", GuessTarget("article 3"));
  s.ClearWrongPasswords("h", GuessTarget("member guest"));
  EXPECT_FALSE(s.AddWrongPassword("h", admin, kNow));
  EXPECT_TRUE(s.AddWrongPassword("h", admin, kNow));
  EXPECT_EQ(s.LockedUntil("h", kNow + kLockOutSeconds - 1), kNow + kLockOutSeconds);
  EXPECT_EQ(s.LockedUntil("h", kNow + kLockOutSeconds), 0);
  EXPECT_EQ(s.LockedUntil("other", kNow), 0);
}

TEST(PostHash, BlanksAndLineBreaksAtTheEndMakeNoNewPost) {
  const uint64_t h = PostHash("title", "same body");
  for (const char* body : {"same body ", "same body\r\n", "same body \t\r\n\r\n"})
    EXPECT_EQ(PostHash("title ", body), h);
  EXPECT_NE(PostHash("title", " same body"), h);
  EXPECT_NE(PostHash("title", "same  body"), h);
  EXPECT_NE(PostHash("titl", "esame body"), h);
}

}  // namespace
}  // namespace kiroq
