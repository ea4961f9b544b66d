// Whole-file views of an open file: the mapped POSIX one and the default
// that reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>

#include "board/thread_tree.h"
#include "platform/env.h"
#include "storage/record.h"
#include "test_env.h"

namespace kiroq {
namespace {

// Only the calls every File must have; View is the default one.
class MemoryFile : public File {
 public:
  explicit MemoryFile(std::string data) : data_(std::move(data)) {}
  Status Size(uint64_t* size) override {
    *size = data_.size();
    return Status::OK();
  }
  Status ReadAt(uint64_t offset, std::size_t n, std::string* out) override {
    ++reads;
    *out = offset < data_.size() ? data_.substr(offset, n) : std::string();
    return Status::OK();
  }
  Status WriteAt(uint64_t, std::string_view) override { return Status::IOError("read only"); }
  Status Truncate(uint64_t) override { return Status::IOError("read only"); }
  int reads = 0;

 private:
  std::string data_;
};

TEST(FileView, MapsTheFileAndFollowsWritesThroughIt) {
  TempDir dir;
  dir.Write("f.bin", "0123456789");
  std::unique_ptr<File> f;
  ASSERT_TRUE(PosixEnv()->Open(dir.path() + "/f.bin", OpenMode::kWriteExclusive, &f).ok());
  std::string_view v;
  ASSERT_TRUE(f->View(4, &v).ok());
  EXPECT_EQ(v, "0123");
  // Longer than the file: what there is.
  ASSERT_TRUE(f->View(100, &v).ok());
  EXPECT_EQ(v, "0123456789");
  // The view is the file, not a copy of it.
  ASSERT_TRUE(f->WriteAt(2, "ab").ok());
  EXPECT_EQ(v, "01ab456789");
  ASSERT_TRUE(f->View(0, &v).ok());
  EXPECT_TRUE(v.empty());
}

// Whole files read into a string, sized a byte over the file's size: sizes
// around that first read and the empty file come back byte for byte; a
// file whose size says nothing (a pipe) grows its room until its end; a
// missing file is an error that leaves nothing behind.
TEST(ReadWholeFile, EverySizeComesBackWhole) {
  TempDir dir;
  Env* env = PosixEnv();
  auto pattern = [](std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
  };
  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096}, std::size_t{4097}, std::size_t{200000}}) {
    const std::string path = dir.path() + "/w" + std::to_string(size);
    ASSERT_TRUE(env->WriteFile(path, pattern(size)).ok());
    std::string got = "left over";
    ASSERT_TRUE(env->ReadFile(path, &got).ok());
    EXPECT_EQ(got, pattern(size)) << size;
  }

  const std::string pipe = dir.path() + "/pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = open(pipe.c_str(), O_WRONLY);
    const std::string bytes = pattern(20000);
    for (std::size_t at = 0; fd >= 0 && at < bytes.size(); at += 1000) {
      if (write(fd, bytes.data() + at, 1000) != 1000) break;
    }
    if (fd >= 0) close(fd);
  });
  std::string got;
  const bool read = env->ReadFile(pipe, &got).ok();
  writer.join();
  ASSERT_TRUE(read);
  EXPECT_EQ(got, pattern(20000));

  got = "left over";
  EXPECT_FALSE(env->ReadFile(dir.path() + "/missing", &got).ok());
  EXPECT_EQ(got, "");
}

TEST(FileView, EmptyFileGivesAnEmptyView) {
  TempDir dir;
  dir.Write("e.bin", "");
  std::unique_ptr<File> f;
  ASSERT_TRUE(PosixEnv()->Open(dir.path() + "/e.bin", OpenMode::kReadExclusive, &f).ok());
  std::string_view v = "stale";
  ASSERT_TRUE(f->View(1000, &v).ok());
  EXPECT_TRUE(v.empty());
}

TEST(FileView, DefaultReadsTheBytesOnce) {
  MemoryFile f("abcdefgh");
  std::string_view v;
  ASSERT_TRUE(f.View(5, &v).ok());
  EXPECT_EQ(v, "abcde");
  EXPECT_EQ(f.reads, 1);
  ASSERT_TRUE(f.View(50, &v).ok());
  EXPECT_EQ(v, "abcdefgh");
}

TEST(FileView, WholeRecordsLeaveAPartialRecordOut) {
  MemoryFile f(std::string(kRecordSize * 2 + 100, 'r'));
  std::string_view v;
  ASSERT_TRUE(MapWholeRecords(&f, &v).ok());
  EXPECT_EQ(v.size(), kRecordSize * 2);
  MemoryFile small(std::string(kRecordSize - 1, 'r'));
  ASSERT_TRUE(MapWholeRecords(&small, &v).ok());
  EXPECT_TRUE(v.empty());
}

}  // namespace
}  // namespace kiroq
