#include "board/limits.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_env.h"

namespace kiroq {
namespace {

constexpr int64_t kNow = 1733620000;

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
  s.AddWrongPassword("2001:db8:1:2::/64", kNow - 5);
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(PostHash("t", "b")));
  const std::string bytes = s.Serialize();
  EXPECT_EQ(bytes,
            "KIROQ LIMITS 1\n"
            "P 1733616000 192.0.2.7 0123456789abcdef\n"
            "P 1733619990 192.0.2.7 " +
                std::string(hash) + "\nF 1733619995 2001:db8:1:2::/64\n");
  const LimitsState read = LimitsState::Parse(bytes, kNow);
  ASSERT_EQ(read.entries().size(), 2u);
  EXPECT_EQ(read.LastPost("192.0.2.7"), kNow - 10);
  EXPECT_TRUE(read.Posted("192.0.2.7", PostHash("t", "b"), kNow - 600));
  EXPECT_FALSE(read.Posted("192.0.2.7", PostHash("t", "b2"), kNow - 600));
  EXPECT_FALSE(read.Posted("192.0.2.8", PostHash("t", "b"), kNow - 600));
  EXPECT_EQ(read.LastPost("192.0.2.8"), -1);
  // An entry from well ahead of the clock (one set back) is dropped too.
  EXPECT_TRUE(LimitsState::Parse("KIROQ LIMITS 1\nF 1733620100 h\n", kNow).entries().empty());
  EXPECT_EQ(LimitsState::Parse("KIROQ LIMITS 1\nF 1733620030 h\n", kNow).entries().size(), 1u);
}

TEST(LimitsState, DamagedFilesReadAsEmpty) {
  const std::string good = "KIROQ LIMITS 1\nF 1733619999 h\n";
  ASSERT_EQ(LimitsState::Parse(good, kNow).entries().size(), 1u);
  const char* kDamaged[] = {
      "",
      "KIROQ LIMITS 2\nF 1733619999 h\n",
      "KIROQ LIMITS 1\nF 1733619999 h",  // cut short
      "KIROQ LIMITS 1\nF 1733619999 h\nX 1733619999 h\n",
      "KIROQ LIMITS 1\nF 17336x9999 h\n",
      "KIROQ LIMITS 1\nF 1733619999 h extra\n",
      "KIROQ LIMITS 1\nP 1733619999 h 0123\n",
      "KIROQ LIMITS 1\nF 1733619999 h\r\n",
      "KIROQ LIMITS 1\nF  1733619999 h\n",
      "\x00\x01\x02garbage",
  };
  for (const char* bytes : kDamaged) EXPECT_TRUE(LimitsState::Parse(bytes, kNow).entries().empty()) << bytes;
  std::string oversized = "KIROQ LIMITS 1\n";
  while (oversized.size() <= kMaxLimitsFileBytes) oversized += "F 1733619999 h\n";
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

TEST(LimitsState, FiveWrongPasswordsInTenMinutesLockOutForTenMinutes) {
  LimitsState s;
  // Four in the window do not lock; one older than ten minutes does not count.
  EXPECT_FALSE(s.AddWrongPassword("h", kNow - 1200));
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(s.AddWrongPassword("h", kNow - 500 + i));
  EXPECT_EQ(s.LockedUntil("h", kNow), 0);
  // The fifth does, for that host only.
  EXPECT_TRUE(s.AddWrongPassword("h", kNow));
  EXPECT_EQ(s.LockedUntil("h", kNow), kNow + kLockOutSeconds);
  EXPECT_EQ(s.LockedUntil("h", kNow + kLockOutSeconds - 1), kNow + kLockOutSeconds);
  EXPECT_EQ(s.LockedUntil("h", kNow + kLockOutSeconds), 0);
  EXPECT_EQ(s.LockedUntil("other", kNow), 0);
  // After the lock-out the count starts again.
  EXPECT_FALSE(s.AddWrongPassword("h", kNow + kLockOutSeconds));
  // A right password clears the count.
  LimitsState t;
  for (int i = 0; i < 4; ++i) t.AddWrongPassword("h", kNow + i);
  t.ClearWrongPasswords("h");
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(t.AddWrongPassword("h", kNow + 10 + i));
}

TEST(UpdateLimits, WritesUnderTheLockAndRebuildsADamagedFile) {
  TempDir dir;
  FakeEnv env;
  env.now = kNow;
  const std::string path = dir.path() + "x.lim";
  // Missing: created; a change that returns false writes nothing.
  ASSERT_TRUE(UpdateLimits(&env, path, [](LimitsState&, int64_t) { return false; }));
  EXPECT_EQ(dir.Read("x.lim"), "");
  EXPECT_TRUE(ReadLimits(&env, path).entries().empty());
  dir.Write("x.lim", std::string(kMaxLimitsFileBytes + 10, 'z'));
  ASSERT_TRUE(UpdateLimits(&env, path, [](LimitsState& s, int64_t now) {
    EXPECT_TRUE(s.entries().empty());
    s.AddWrongPassword("h", now);
    return true;
  }));
  EXPECT_EQ(dir.Read("x.lim"), "KIROQ LIMITS 1\nF 1733620000 h\n");
  EXPECT_EQ(ReadLimits(&env, path).entries().size(), 1u);
  // No file: nothing read, nothing created.
  EXPECT_TRUE(ReadLimits(&env, dir.path() + "none.lim").entries().empty());
  EXPECT_FALSE(env.FileExists(dir.path() + "none.lim"));
}

}  // namespace
}  // namespace kiroq
