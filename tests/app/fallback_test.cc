// An unexpected failure anywhere in a request still answers with a page
// that has exactly one CGI header block.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/run.h"
#include "test_env.h"

namespace kiroq {
namespace {

// Fails the first call that reads the variable or the file whose name ends
// in the given text.
class FailingEnv : public FakeEnv {
 public:
  std::string fail_var, fail_file_suffix;

  std::string GetVar(const std::string& name) override {
    if (name == fail_var) throw std::runtime_error("injected");
    return FakeEnv::GetVar(name);
  }
  Status ReadFile(const std::string& path, std::string* data) override {
    if (!fail_file_suffix.empty() && path.size() >= fail_file_suffix.size() &&
        path.compare(path.size() - fail_file_suffix.size(), fail_file_suffix.size(), fail_file_suffix) == 0) {
      throw std::runtime_error("injected");
    }
    return FakeEnv::ReadFile(path, data);
  }
};

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(Fallback, ServerBusyPageHasOneHeaderBlock) {
  const std::string header =
      "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
      "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";
  struct Case {
    const char* name;
    const char* var;   // failing variable
    const char* file;  // failing file suffix
    const char* action;
    bool whole;  // the failure comes before anything is written
  } cases[] = {
      {"before the header", "HTTP_COOKIE", "", "1", true},
      {"inside the page head", "", ".HED", "1", false},
      {"inside the framed page", "", ".HED", "3", false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    dir.Write("test.ini", "JAPANESE=0\r\n");
    dir.Write("test.HED", "<HTML><BODY>\r\n");
    FailingEnv env;
    env.fail_var = c.var;
    env.fail_file_suffix = c.file;
    RunRequest(&env, {"test", "10", "0", c.action}, dir.path());
    const std::string& out = env.stdout_data;
    EXPECT_EQ(Count(out, "Content-Type: Text/html\r\n"), 1) << c.name << "\n" << out;
    EXPECT_EQ(Count(out, "\r\n\r\n"), 1) << c.name << "\n" << out;
    EXPECT_EQ(out.rfind(header, 0), 0u) << c.name;
    if (c.whole) {
      EXPECT_EQ(out, header + "Server Busy!\r\n") << c.name;
    }
    EXPECT_TRUE(out.size() >= 14 && out.compare(out.size() - 14, 14, "Server Busy!\r\n") == 0) << c.name << "\n" << out;
  }
}

}  // namespace
}  // namespace kiroq
