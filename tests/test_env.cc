#include "test_env.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kiroq {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "kiroq-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = std::string(buf.data()) + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void TempDir::Write(const std::string& relative, const std::string& data) const {
  fs::path p = fs::path(path_) / relative;
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string TempDir::Read(const std::string& relative) const {
  std::ifstream f(fs::path(path_) / relative, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool TempDir::Exists(const std::string& relative) const { return fs::exists(fs::path(path_) / relative); }

FakeEnv::FakeEnv(Env* target) : EnvWrapper(target) {}

std::string FakeEnv::GetVar(const std::string& name) {
  auto it = vars.find(name);
  return it == vars.end() ? std::string() : it->second;
}

bool FakeEnv::HasVar(const std::string& name) { return vars.count(name) != 0; }

std::size_t FakeEnv::ReadStdin(char* buf, std::size_t n) {
  std::size_t left = stdin_data.size() - stdin_pos_;
  if (n > left) n = left;
  std::memcpy(buf, stdin_data.data() + stdin_pos_, n);
  stdin_pos_ += n;
  return n;
}

void FakeEnv::WriteStdout(std::string_view data) { stdout_data.append(data); }

LocalTime FakeEnv::ToLocal(int64_t unix_time) {
  ++local_time_reads;
  time_t t = static_cast<time_t>(unix_time + utc_offset_seconds);
  struct tm tm;
  gmtime_r(&t, &tm);
  LocalTime lt;
  lt.year = tm.tm_year + 1900;
  lt.month = tm.tm_mon + 1;
  lt.day = tm.tm_mday;
  lt.hour = tm.tm_hour;
  lt.minute = tm.tm_min;
  lt.second = tm.tm_sec;
  return lt;
}

void FakeEnv::SleepMs(int ms) {
  sleeps.push_back(ms);
  slept_ms += ms;
}

Status FakeEnv::OpenWait(const std::string& path, OpenMode mode, int max_wait_ms, std::unique_ptr<File>* out) {
  Status s = Open(path, mode, out);
  if (!s.IsBusy() || max_wait_ms <= 0) return s;
  SleepMs(max_wait_ms);
  return Open(path, mode, out);
}

std::string FakeEnv::ReverseLookup(const std::string& ipv4) {
  ++reverse_lookups;
  auto it = hosts.find(ipv4);
  return it == hosts.end() ? std::string() : it->second;
}

void FakeEnv::SetLocalTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm tm;
  std::memset(&tm, 0, sizeof(tm));
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  now = static_cast<int64_t>(timegm(&tm)) - utc_offset_seconds;
}

}  // namespace kiroq
