// Test doubles for the Env: a whole request runs in-process with an
// injected environment, body, clock and sleep, and its output captured.
#ifndef KIROQ_TESTS_TEST_ENV_H_
#define KIROQ_TESTS_TEST_ENV_H_

#include <map>
#include <string>
#include <vector>

#include "platform/env.h"

namespace kiroq {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes. path() ends in "/".
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Writes a file below the folder (creating folders on the way).
  void Write(const std::string& relative, const std::string& data) const;
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;

 private:
  std::string path_;
};

// The real file system, with everything else injected: variables, standard
// input and output, a clock that only moves when told (or when slept) and a
// sleep that records its pauses instead of waiting. An open that waits for a
// held file tries once, records the whole wait as one pause (as if the
// holder kept the file throughout; a SleepMs override may let it go) and
// tries once more.
class FakeEnv : public EnvWrapper {
 public:
  // target: the file system's Env (PosixEnvRefusingLinks for the board tool).
  explicit FakeEnv(Env* target = PosixEnv());

  std::map<std::string, std::string> vars;
  std::string stdin_data;
  std::string stdout_data;
  std::string stderr_data;            // every line written to standard error
  int64_t now = 1733620000;           // 2024-12-08 01:06:40 UTC
  int utc_offset_seconds = 9 * 3600;  // local time is Japan's
  std::vector<int> sleeps;            // every pause asked for, in order
  int64_t slept_ms = 0;
  std::map<std::string, std::string> hosts;  // reverse look-ups that succeed
  int reverse_lookups = 0;                   // name look-ups asked for
  int local_time_reads = 0;                  // clock readings turned into local time

  std::string GetVar(const std::string& name) override;
  bool HasVar(const std::string& name) override;
  std::size_t ReadStdin(char* buf, std::size_t n) override;
  void WriteStdout(std::string_view data) override;
  void WriteStderr(std::string_view line) override {
    stderr_data.append(line);
    stderr_data.push_back('\n');
  }
  Status OpenWait(const std::string& path, OpenMode mode, int max_wait_ms, std::unique_ptr<File>* out) override;
  int64_t UnixTime() override { return now; }
  LocalTime ToLocal(int64_t unix_time) override;
  void SleepMs(int ms) override;
  std::string ReverseLookup(const std::string& ipv4) override;

  // Replaces the request body; the next read starts at its beginning.
  void SetStdin(std::string data) {
    stdin_data = std::move(data);
    stdin_pos_ = 0;
  }

  // Sets the clock to a local date and time.
  void SetLocalTime(int year, int month, int day, int hour, int minute, int second);

 private:
  std::size_t stdin_pos_ = 0;
};

}  // namespace kiroq

#endif  // KIROQ_TESTS_TEST_ENV_H_
