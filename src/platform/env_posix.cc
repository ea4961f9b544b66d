// The POSIX Env.
//
// Sharing modes are advisory record locks taken with fcntl on two lock bytes
// far beyond any data (locks do not stop reads or writes; every opener of a
// data file goes through Open, so they only need to agree with each other):
//
//   byte W: held for writing by every open that may write (kWriteShared and
//           the exclusive modes), so writers exclude each other;
//   byte R: held for reading by kReadShared, for writing by the exclusive
//           modes. kWriteShared only tests it (a shared reader keeps a
//           writer out) and does not keep it, so readers may join a writer.
//
// Open file description locks (F_OFD_SETLK) are used where the kernel has
// them: they belong to the open file, not to the process, so two opens in one
// process exclude each other like two processes do, and closing one
// descriptor does not drop the locks of another (the classic POSIX lock trap).
// Where they are missing, classic POSIX record locks (F_SETLK) are used; they
// work on network file systems too. Each operation holds one descriptor per
// data file, so the trap does not arise.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/env.h"

namespace kiroq {
namespace {

constexpr off_t kWriterByte = off_t{1} << 40;
constexpr off_t kReaderByte = kWriterByte + 1;

Status PosixError(const std::string& context, int err) {
  if (err == ENOENT) return Status::NotFound(context);
  return Status::IOError(context + ": " + std::strerror(err));
}

// One lock request; true on success, false with errno set otherwise.
bool SetLock(int fd, short type, off_t start, off_t len) {
  struct flock fl;
  std::memset(&fl, 0, sizeof(fl));
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
#ifdef F_OFD_SETLK
  static bool ofd_works = true;
  if (ofd_works) {
    if (fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINVAL) return false;
    ofd_works = false;  // kernel without open file description locks
  }
#endif
  while (fcntl(fd, F_SETLK, &fl) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

bool IsConflict(int err) { return err == EAGAIN || err == EACCES; }

class PosixFile : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override {
    Unmap();
    close(fd_);
  }

  Status Size(uint64_t* size) override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return PosixError(path_, errno);
    *size = static_cast<uint64_t>(st.st_size);
    return Status::OK();
  }

  Status ReadAt(uint64_t offset, std::size_t n, std::string* out) override {
    out->resize(n);
    std::size_t done = 0;
    while (done < n) {
      ssize_t r = pread(fd_, out->data() + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        out->clear();
        return PosixError(path_, errno);
      }
      if (r == 0) break;
      done += static_cast<std::size_t>(r);
    }
    out->resize(done);
    return Status::OK();
  }

  Status WriteAt(uint64_t offset, std::string_view data) override {
    std::size_t done = 0;
    while (done < data.size()) {
      ssize_t r = pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return PosixError(path_, errno);
      }
      done += static_cast<std::size_t>(r);
    }
    return Status::OK();
  }

  Status Truncate(uint64_t size) override {
    if (ftruncate(fd_, static_cast<off_t>(size)) != 0) return PosixError(path_, errno);
    return Status::OK();
  }

  // A shared read-only map: pages come from the page cache as they are
  // touched. Nothing that holds the lock we hold ever shortens the file, so
  // the mapped bytes stay backed.
  Status View(uint64_t size, std::string_view* bytes) override {
    Unmap();
    *bytes = std::string_view();
    uint64_t file_size = 0;
    Status s = Size(&file_size);
    if (!s.ok()) return s;
    if (size > file_size) size = file_size;
    if (size == 0) return Status::OK();
    if (size > static_cast<uint64_t>(SIZE_MAX)) return Status::IOError(path_ + ": too large to map");
    void* p = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd_, 0);
    if (p == MAP_FAILED) return PosixError(path_, errno);
    map_ = p;
    map_size_ = static_cast<std::size_t>(size);
    *bytes = std::string_view(static_cast<const char*>(p), map_size_);
    return Status::OK();
  }

 private:
  void Unmap() {
    if (map_) munmap(map_, map_size_);
    map_ = nullptr;
    map_size_ = 0;
  }

  int fd_;
  std::string path_;
  void* map_ = nullptr;
  std::size_t map_size_ = 0;
};

// Takes the locks of mode on fd. Busy on a conflict.
Status LockForMode(int fd, OpenMode mode, bool writable, const std::string& path) {
  bool ok = true;
  switch (mode) {
    case OpenMode::kReadShared:
      ok = SetLock(fd, F_RDLCK, kReaderByte, 1);
      break;
    case OpenMode::kWriteShared:
      ok = SetLock(fd, F_WRLCK, kWriterByte, 1);
      if (ok) {
        // A shared reader keeps writers out; test for one without keeping
        // the byte, so that readers can still come in after us.
        ok = SetLock(fd, F_WRLCK, kReaderByte, 1);
        if (ok) SetLock(fd, F_UNLCK, kReaderByte, 1);
      }
      break;
    case OpenMode::kReadExclusive:
    case OpenMode::kWriteExclusive:
    case OpenMode::kCreate:
      // A file we may not write can only be locked for reading; such an
      // open still keeps every writer out.
      ok = SetLock(fd, writable ? F_WRLCK : F_RDLCK, kWriterByte, 2);
      break;
  }
  if (ok) return Status::OK();
  if (IsConflict(errno)) return Status::Busy(path);
  return PosixError(path, errno);
}

class PosixEnvImpl : public Env {
 public:
  std::string GetVar(const std::string& name) override {
    const char* v = std::getenv(name.c_str());
    return v ? std::string(v) : std::string();
  }
  bool HasVar(const std::string& name) override { return std::getenv(name.c_str()) != nullptr; }

  std::size_t ReadStdin(char* buf, std::size_t n) override {
    for (;;) {
      ssize_t r = read(0, buf, n);
      if (r >= 0) return static_cast<std::size_t>(r);
      if (errno != EINTR) return 0;
    }
  }

  void WriteStdout(std::string_view data) override {
    std::size_t done = 0;
    while (done < data.size()) {
      ssize_t r = write(1, data.data() + done, data.size() - done);
      if (r < 0) {
        if (errno == EINTR) continue;
        return;  // the client went away; nothing more can be said
      }
      done += static_cast<std::size_t>(r);
    }
  }

  Status Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* out) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::kReadShared:
        flags |= O_RDONLY;
        break;
      case OpenMode::kWriteShared:
      case OpenMode::kWriteExclusive:
        flags |= O_RDWR;
        break;
      case OpenMode::kReadExclusive:
        flags |= O_RDWR;  // an exclusive lock needs a descriptor open for writing
        break;
      case OpenMode::kCreate:
        flags |= O_RDWR | O_CREAT;
        break;
    }
    bool writable = true;
    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0 && mode == OpenMode::kReadExclusive && (errno == EACCES || errno == EROFS)) {
      fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      writable = false;
    }
    if (fd < 0) return PosixError(path, errno);
    if (mode == OpenMode::kReadShared) writable = false;
    Status s = LockForMode(fd, mode, writable, path);
    if (!s.ok()) {
      close(fd);
      return s;
    }
    out->reset(new PosixFile(fd, path));
    return Status::OK();
  }

  bool FileExists(const std::string& path) override {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  Status GetFileSize(const std::string& path, uint64_t* size) override {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return PosixError(path, errno);
    *size = static_cast<uint64_t>(st.st_size);
    return Status::OK();
  }

  Status ReadFile(const std::string& path, std::string* data) override {
    data->clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return PosixError(path, errno);
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_size > 0) data->reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
      ssize_t r = read(fd, buf, sizeof(buf));
      if (r < 0) {
        if (errno == EINTR) continue;
        int err = errno;
        close(fd);
        return PosixError(path, err);
      }
      if (r == 0) break;
      data->append(buf, static_cast<std::size_t>(r));
    }
    close(fd);
    return Status::OK();
  }

  Status WriteFile(const std::string& path, std::string_view data) override {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return PosixError(path, errno);
    std::size_t done = 0;
    while (done < data.size()) {
      ssize_t r = write(fd, data.data() + done, data.size() - done);
      if (r < 0) {
        if (errno == EINTR) continue;
        int err = errno;
        close(fd);
        return PosixError(path, err);
      }
      done += static_cast<std::size_t>(r);
    }
    if (close(fd) != 0) return PosixError(path, errno);
    return Status::OK();
  }

  Status CreateDir(const std::string& path) override {
    if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) return Status::OK();
    return PosixError(path, errno);
  }

  Status RenameFile(const std::string& from, const std::string& to) override {
    if (rename(from.c_str(), to.c_str()) == 0) return Status::OK();
    return PosixError(from, errno);
  }

  int64_t UnixTime() override { return static_cast<int64_t>(time(nullptr)); }

  LocalTime ToLocal(int64_t unix_time) override {
    time_t t = static_cast<time_t>(unix_time);
    struct tm tm;
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    return lt;
  }

  void SleepMs(int ms) override {
    if (ms <= 0) return;
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  }

  std::string ReverseLookup(const std::string& ipv4) override {
    struct sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    sa.sin_family = AF_INET;
    if (inet_pton(AF_INET, ipv4.c_str(), &sa.sin_addr) != 1) return std::string();
    char host[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<struct sockaddr*>(&sa), sizeof(sa), host, sizeof(host), nullptr, 0,
                    NI_NAMEREQD) != 0) {
      return std::string();
    }
    return std::string(host);
  }
};

}  // namespace

Status File::View(uint64_t size, std::string_view* bytes) {
  *bytes = std::string_view();
  uint64_t file_size = 0;
  Status s = Size(&file_size);
  if (!s.ok()) return s;
  if (size > file_size) size = file_size;
  if (size > static_cast<uint64_t>(SIZE_MAX)) return Status::IOError("too large to read whole");
  s = ReadAt(0, static_cast<std::size_t>(size), &view_copy_);
  if (!s.ok()) return s;
  *bytes = view_copy_;
  return Status::OK();
}

Env* PosixEnv() {
  static Env* env = new PosixEnvImpl;
  return env;
}

std::string ProgramFolder(const char* argv0, Env* env) {
  std::string path = argv0 ? argv0 : "";
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    path = env->GetVar("SCRIPT_FILENAME");
    slash = path.rfind('/');
  }
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

}  // namespace kiroq
