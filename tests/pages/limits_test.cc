// Posting limits and password guessing, whole requests: each setting on and
// off, and the lock-out through every kind of password.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "board_fixture.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

const char kTrap[] =
    "<DIV aria-hidden=\"true\" STYLE=\"position:absolute;left:-10000px;width:1px;height:1px;overflow:hidden\">"
    "<INPUT TYPE=\"TEXT\" NAME=\"HOMEPAGE\" VALUE=\"\" autocomplete=\"off\" tabindex=\"-1\"></DIV>";

class LimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.env().SetLocalTime(2026, 12, 8, 10, 30, 15);
    From("192.0.2.10");
    board_.env().vars["HTTP_REFERER"] = "https://bbs.example.jp/cgi-bin/kiroq.exe?test+10+0+0";
    board_.env().vars["KIROQ_DRIVE_X"] = board_.dir().path() + "drive-x";
    board_.dir().Write("drive-x/KIRPASS/test.PWD", "secret\r\n");
    board_.dir().Write("members.txt", "alice,secret,alice@example.jp,Alice\r\n");
  }
  void From(const std::string& addr) { board_.env().vars["REMOTE_ADDR"] = addr; }
  void Later(int seconds) { board_.env().now += seconds; }
  std::string Post(const std::string& title, const std::string& content, Fields more = {}) {
    more.push_back({"NAME", "poster"});
    more.push_back({"TITLE", title});
    more.push_back({"CONTENT", content});
    return board_.Post({"test", "10", "0", "9"}, more);
  }
  bool LimitsFileExists() { return board_.env().FileExists(board_.dir().path() + "bbsdb/test.lim"); }
  BoardFixture board_;
};

TEST_F(LimitsTest, WithoutTheSettingsPostsAreTodaysAndTheFileIsNotMade) {
  board_.Settings({"JAPANESE=0"});
  const std::string links = "http://a.jp https://b.jp www.c.jp http://d.jp";
  Post("same", links, {{"HOMEPAGE", "http://spam.example/"}});
  Post("same", links, {{"HOMEPAGE", "http://spam.example/"}});
  EXPECT_EQ(board_.Count(), 2);
  EXPECT_FALSE(LimitsFileExists());
  for (int action : {0, 4, 11}) EXPECT_EQ(board_.Get(10, 1, action).find("HOMEPAGE"), std::string::npos) << action;
}

TEST_F(LimitsTest, PostIntervalRefusesAHostThatPostedJustNow) {
  for (const bool ja : {false, true}) {
    SCOPED_TRACE(ja);
    BoardFixture& b = board_;
    b.Settings({ja ? "JAPANESE=1" : "JAPANESE=0", "POSTINTERVAL=30"});
    const int before = b.Count();
    Post("one", "first");
    Later(10);
    const std::string out = Post("two", "zweite");
    EXPECT_EQ(b.Count(), before + 1);
    EXPECT_NE(out.find(ja ? std::string("あと 20 秒待ってから投稿して下さい。"_sj) : "Please wait 20 seconds"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("zweite"), std::string::npos);
    // Another host posts; the first one may again once the interval is over.
    From("192.0.2.11");
    Post("three", "third");
    EXPECT_EQ(b.Count(), before + 2);
    From("192.0.2.10");
    Later(20);
    Post("four", "fourth");
    EXPECT_EQ(b.Count(), before + 3);
    Later(100);
  }
}

TEST_F(LimitsTest, PostIntervalCountsAnIPv6SlashSixtyFourAsOneHost) {
  board_.Settings({"POSTINTERVAL=60"});
  From("2001:db8:1:2::a");
  Post("one", "first");
  From("2001:db8:1:2:ffff::b");
  EXPECT_NE(Post("two", "second").find("You posted only a moment ago."), std::string::npos);
  From("2001:db8:1:3::a");
  Post("three", "third");
  EXPECT_EQ(board_.Count(), 2);
}

TEST_F(LimitsTest, RefuseDoublePostForTenMinutes) {
  board_.Settings({"JAPANESE=0", "REFUSEDOUBLEPOST=1"});
  Post("title", "body");
  Later(60);
  EXPECT_NE(Post("title", "body").find("The same title and message were posted already."), std::string::npos);
  Post("title", "other body");
  Post("other title", "body");
  EXPECT_EQ(board_.Count(), 3);
  From("192.0.2.11");
  Post("title", "body");  // another host's post is its own
  EXPECT_EQ(board_.Count(), 4);
  From("192.0.2.10");
  Later(600);
  Post("title", "body");
  EXPECT_EQ(board_.Count(), 5);
  // Only a hash of what was posted is kept.
  EXPECT_EQ(board_.dir().Read("bbsdb/test.lim").find("body"), std::string::npos);
}

TEST_F(LimitsTest, MaxLinksCountsEveryFormOfAddress) {
  const struct {
    const char* setting;
    const char* body;
    bool stored;
  } kCases[] = {
      {"MAXLINKS=2", "see http://a.jp and www.b.jp", true},
      {"MAXLINKS=2", "see http://a.jp\r\nHTTPS://b.jp\r\nwww.c.jp", false},
      {"MAXLINKS=0", "http://a.jp", false},
      {"MAXLINKS=", "http://a.jp https://b.jp www.c.jp", true},
  };
  for (const auto& c : kCases) {
    board_.Settings({"JAPANESE=1", c.setting});
    const int before = board_.Count();
    const std::string out = Post("t", c.body);
    EXPECT_EQ(board_.Count(), before + (c.stored ? 1 : 0)) << c.setting << " " << c.body;
    EXPECT_EQ(out.find("本文中のアドレスが多すぎます"_sj) != std::string::npos, !c.stored) << c.body;
  }
  EXPECT_FALSE(LimitsFileExists());
}

TEST_F(LimitsTest, TrapFieldOnEveryPostingFormRefusesAFilledIn) {
  board_.Settings({"JAPANESE=0", "TRAPFIELD=1"});
  board_.AddArticle(SampleRecord("first"), "body\r\n");
  for (int action : {0, 4, 11}) {
    const std::string page = board_.Get(10, 1, action);
    EXPECT_NE(page.find(kTrap), std::string::npos) << action;
    EXPECT_EQ(page.find("HOMEPAGE", page.find("HOMEPAGE") + 1), std::string::npos) << action;
  }
  EXPECT_NE(Post("t", "b", {{"HOMEPAGE", "x"}}).find("This post was not accepted."), std::string::npos);
  EXPECT_EQ(board_.Count(), 1);
  Post("t", "b", {{"HOMEPAGE", ""}});
  EXPECT_EQ(board_.Count(), 2);
  // i-mode pages have no styles to hide it with.
  board_.Settings({"JAPANESE=0", "TRAPFIELD=1", "IMODE=1"});
  EXPECT_EQ(board_.Get(10, 1, 0).find("HOMEPAGE"), std::string::npos);
}

// One kind of password: a request with it, and what shows it was taken: a
// text on the page, or else a change of the index (a post, a deletion).
struct PasswordCase {
  const char* name;
  std::vector<std::string> settings;
  std::function<std::string(BoardFixture&, const std::string& password)> send;
  std::string success;
  bool logged;
};

std::vector<PasswordCase> PasswordCases(const std::string& folder) {
  const std::string members = "MEMBERSONLY=" + folder + "members.txt";
  auto post = [](const Fields& fields) {
    return [fields](BoardFixture& b, const std::string& pw) {
      Fields f = fields;
      for (auto& [name, value] : f) {
        if (value == "$PW") value = pw;
      }
      return b.Post({"test", "10", "1", f.front().first == "DELPASSWORD" ? "14" : "9"}, f);
    };
  };
  return {
      {"administrator",
       {"PASSWORD=X"},
       [](BoardFixture& b, const std::string& pw) {
         return b.Post({"test", "10", "0", "98"}, {{"PASSWORD2", pw}});
       },
       std::string("処理が終了しました"_sj),
       true},
      {"read-only post",
       {"PASSWORD=X", "READONLY=1"},
       post({{"PASSWORD2", "$PW"}, {"TITLE", "t"}, {"CONTENT", "c"}}),
       "",
       true},
      {"deletion", {"USEDELETE=1"}, post({{"DELPASSWORD", "$PW"}}), "", false},
      {"deletion by cookie",
       {"USEDELETE=1"},
       [](BoardFixture& b, const std::string& pw) {
         b.env().vars["HTTP_COOKIE"] = "PWD=" + pw;
         std::string out = b.Get(10, 1, 8);
         b.env().vars.erase("HTTP_COOKIE");
         return out;
       },
       "",
       false},
      {"member login",
       {members, "MEMBERREADONLY=1"},
       [](BoardFixture& b, const std::string& pw) {
         return b.Post({"test", "10", "0", "1"}, {{"DONE", "FCONFMEM"}, {"CONFMEMID", "alice"}, {"CONFMEMPASS", pw}});
       },
       "Set-Cookie: MEMID=alice",
       false},
      {"member cookies",
       {members, "MEMBERREADONLY=1"},
       [](BoardFixture& b, const std::string& pw) {
         b.env().vars["HTTP_COOKIE"] = "MEMID=alice; MEMPASS=" + pw;
         std::string out = b.Get(10, 1, 3);
         b.env().vars.erase("HTTP_COOKIE");
         return out;
       },
       "first",
       false},
      {"member post",
       {members},
       post({{"MEMID", "alice"}, {"MEMPASS", "$PW"}, {"TITLE", "t"}, {"CONTENT", "c"}}),
       "",
       false},
  };
}

TEST_F(LimitsTest, FiveWrongPasswordsLockAnAddressOutForTenMinutes) {
  for (const PasswordCase& c : PasswordCases(board_.dir().path())) {
    SCOPED_TRACE(c.name);
    BoardFixture b;
    b.env().SetLocalTime(2026, 12, 8, 10, 30, 15);
    b.env().vars = board_.env().vars;
    b.env().vars["KIROQ_DRIVE_X"] = b.dir().path() + "drive-x";
    b.dir().Write("drive-x/KIRPASS/test.PWD", "secret\r\n");
    b.dir().Write("members.txt", "alice,secret,alice@example.jp,Alice\r\n");
    std::vector<std::string> settings = c.settings;
    for (std::string& s : settings) {
      const std::string old = board_.dir().path();
      if (s.find(old) != std::string::npos) s.replace(s.find(old), old.size(), b.dir().path());
    }
    settings.push_back("JAPANESE=0");
    b.Settings(settings);
    IndexRecord rec = SampleRecord("first");
    rec.password = "secret";
    b.AddArticle(rec, "body\r\n");
    std::string out;
    auto taken = [&](const std::string& password) {
      const std::string before = b.IndexBytes();
      out = c.send(b, password);
      return c.success.empty() ? b.IndexBytes() != before : out.find(c.success) != std::string::npos;
    };
    // Four mistakes and the right password: taken, and the count starts again.
    for (int round = 0; round < 2; ++round) {
      for (int i = 0; i < 4; ++i) EXPECT_FALSE(taken("guess" + std::to_string(i)));
      EXPECT_TRUE(taken("secret")) << "round " << round;
    }
    // The fifth mistake in ten minutes locks the address out, even for the
    // right password; another address is not.
    for (int i = 0; i < 5; ++i) taken("guess" + std::to_string(i));
    b.env().now += 599;
    EXPECT_FALSE(taken("secret"));
    EXPECT_NE(out.find("Please try again after 2026/12/08 10:40:15."), std::string::npos) << out;
    b.env().vars["REMOTE_ADDR"] = "192.0.2.99";
    EXPECT_TRUE(taken("secret"));
    b.env().vars["REMOTE_ADDR"] = "192.0.2.10";
    b.env().now += 1;
    EXPECT_TRUE(taken("secret"));
    // Wrong administrator passwords reach the error log, the password never.
    EXPECT_EQ(b.env().stderr_data.find("guess"), std::string::npos);
    if (c.logged) {
      EXPECT_NE(b.env().stderr_data.find("kiroq: wrong administrator password for board test from 192.0.2.10\n"),
                std::string::npos)
          << b.env().stderr_data;
      EXPECT_NE(b.env().stderr_data.find("from 192.0.2.10; locked out for 10 minutes\n"), std::string::npos);
    } else {
      EXPECT_EQ(b.env().stderr_data.find("administrator"), std::string::npos);
    }
  }
}

// Knowing one password (one's own article's, one's own member account's)
// must not wipe the count of guesses at another.
TEST_F(LimitsTest, ARightPasswordTakesBackOnlyGuessesAtTheSameThing) {
  board_.Settings({"JAPANESE=0", "PASSWORD=X", "USEDELETE=1"});
  IndexRecord own = SampleRecord("mine");
  own.password = "mine";
  board_.AddArticle(own, "body\r\n");
  auto admin = [&](const std::string& pw) { return board_.Post({"test", "10", "0", "98"}, {{"PASSWORD2", pw}}); };
  auto toggle_own = [&] { return board_.Post({"test", "10", "1", "14"}, {{"DELPASSWORD", "mine"}}); };
  for (int i = 0; i < 4; ++i) admin("guess");
  const std::string before = board_.IndexBytes();
  toggle_own();  // right, and the fifth attempt: no lock-out
  EXPECT_NE(board_.IndexBytes(), before);
  EXPECT_EQ(admin("guess").find("try again after"), std::string::npos);
  EXPECT_NE(admin("secret").find("try again after"), std::string::npos);
}

// A post that could not be stored does not hold its host back.
TEST_F(LimitsTest, APostThatFailsToStoreIsTakenBack) {
  board_.Settings({"JAPANESE=0", "POSTINTERVAL=600"});
  board_.AddArticle(SampleRecord("first"), "body\r\n");
  std::unique_ptr<File> held;
  ASSERT_TRUE(board_.env().Open(board_.dir().path() + "bbsdb/test.idx", OpenMode::kReadExclusive, &held).ok());
  const int before = board_.Count();
  Post("one", "first");
  held.reset();
  EXPECT_EQ(board_.Count(), before);
  Post("one", "first");
  EXPECT_EQ(board_.Count(), before + 1);
}

TEST_F(LimitsTest, ADamagedLimitsFileNeverRefuses) {
  board_.Settings({"POSTINTERVAL=600", "REFUSEDOUBLEPOST=1", "PASSWORD=X"});
  for (const std::string& damaged :
       {std::string("KIROQ LIMITS 1\nP 99999999999 192.0.2.10 0000000000000000\n"),
        std::string("KIROQ LIMITS 1\nL 1733620000 192.0.2.10"), std::string(300 * 1024, '\n')}) {
    board_.dir().Write("bbsdb/test.lim", damaged);
    const int before = board_.Count();
    Post("t", "b" + std::to_string(before));
    EXPECT_EQ(board_.Count(), before + 1);
    EXPECT_EQ(board_.dir().Read("bbsdb/test.lim").rfind("KIROQ LIMITS 1\nP ", 0), 0u);
    board_.dir().Write("bbsdb/test.lim", damaged);
    EXPECT_NE(board_.Post({"test", "10", "0", "98"}, {{"PASSWORD2", "secret"}}).find("処理が終了しました"_sj),
              std::string::npos);
    Later(700);
  }
}

}  // namespace
}  // namespace kiroq
