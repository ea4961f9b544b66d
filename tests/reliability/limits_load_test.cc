// Posting limits under concurrent posters: the limits file is read, checked
// and written in one locked turn, so concurrent posts of one host cannot
// all see it as not having posted yet.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "live_board.h"

namespace kiroq {
namespace {

constexpr int kHosts = 8, kPostersPerHost = 8;

// Host h's address for poster p: IPv4 hosts, and one IPv6 /64 whose posters
// each come from another address within it.
std::string Address(int h, int p) {
  if (h == kHosts - 1) return "2001:db8:7:7:" + std::to_string(p + 1) + "::" + std::to_string(p + 10);
  return "198.51.100." + std::to_string(h + 1);
}

TEST(Load, PostIntervalLetsExactlyOnePostPerHostThrough) {
  LiveBoard board;
  board.fixture().Settings({"POSTINTERVAL=600"});
  std::atomic<int> refused{0}, failed{0};
  std::vector<std::thread> posters;
  for (int h = 0; h < kHosts; ++h) {
    for (int p = 0; p < kPostersPerHost; ++p) {
      posters.emplace_back([&, h, p] {
        const std::string title = "h" + std::to_string(h) + " p" + std::to_string(p);
        const std::string body =
            MultipartBody(kBoundary, {{"NAME", "poster"}, {"TITLE", title}, {"CONTENT", "text of " + title}});
        EnvVars env = LiveBoard::PostEnv(body.size());
        env["REMOTE_ADDR"] = Address(h, p);
        const CgiResult r = board.Run(board.Words(10, 0, 9), env, body);
        if (!ResponseProblems(r).empty()) {
          ++failed;
        } else if (r.out.find("You posted only a moment ago.") != std::string::npos) {
          ++refused;
        }
      });
    }
  }
  for (std::thread& t : posters) t.join();
  EXPECT_EQ(failed.load(), 0);
  ASSERT_EQ(board.fixture().Count(), kHosts) << "posts stored";
  EXPECT_EQ(refused.load(), kHosts * (kPostersPerHost - 1));
  std::set<char> hosts;
  for (int k = 0; k < kHosts; ++k) hosts.insert(board.fixture().Record(k).title.at(1));
  EXPECT_EQ(hosts.size(), std::size_t{kHosts}) << "one post of every host";
  EXPECT_TRUE(BoardProblems(board).empty());
}

}  // namespace
}  // namespace kiroq
