// Drive letters mapped to folders, and the administrator password read from
// the two places a board may keep it.
#include "board/admin_password.h"

#include <gtest/gtest.h>

#include "test_env.h"

namespace kiroq {
namespace {

TEST(DriveFolder, VariableOrDefaultForASingleLetter) {
  FakeEnv env;
  env.vars["KIROQ_DRIVE_C"] = "/srv/kiroq/drive-c/";
  EXPECT_EQ(DriveFolder(&env, "C"), "/srv/kiroq/drive-c");
  EXPECT_EQ(DriveFolder(&env, "c"), "/srv/kiroq/drive-c");
  EXPECT_EQ(DriveFolder(&env, "D"), "/var/lib/kiroq/drive-d");  // unset
  env.vars["KIROQ_DRIVE_E"] = "";
  EXPECT_EQ(DriveFolder(&env, "e"), "/var/lib/kiroq/drive-e");  // empty
  for (const char* bad : {"", "CD", "C:", "1", "/", "\x82\xa0", "@", "["}) {
    env.vars[std::string("KIROQ_DRIVE_") + bad] = "/tmp";
    EXPECT_EQ(DriveFolder(&env, bad), "") << bad;
  }
}

TEST(AdminPassword, SecondPlaceReplacesTheFirst) {
  TempDir dir;
  FakeEnv env;
  env.vars["KIROQ_DRIVE_Q"] = dir.path() + "q";
  auto read = [&](const char* drive) { return ReadAdminPassword(&env, drive, "bbs1"); };
  EXPECT_EQ(read("Q"), "");
  dir.Write("q/KIRPASS/other.PWD", "x\r\n");
  EXPECT_EQ(read("Q"), "");
  dir.Write("q/kirpassbbs1pwd", "first\r\nsecond\r\n");
  EXPECT_EQ(read("q"), "first");
  EXPECT_EQ(read("R"), "");  // another drive
  EXPECT_EQ(read(""), "");
  dir.Write("q/kirpass/bbs1.pwd", "lower\rrest");
  EXPECT_EQ(read("Q"), "lower");
  dir.Write("q/KIRPASS/bbs1.PWD", "upper");  // no line break at all
  EXPECT_EQ(read("Q"), "upper");
  dir.Write("q/KIRPASS/bbs1.PWD", "");  // even an empty first line replaces it
  EXPECT_EQ(read("Q"), "");
}

}  // namespace
}  // namespace kiroq
