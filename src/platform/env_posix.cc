// The POSIX Env.
//
// Sharing modes are advisory record locks taken with fcntl on three lock
// bytes far beyond any data (locks do not stop reads or writes; every opener
// of a data file goes through Open, so they only need to agree with each
// other):
//
//   byte W: held for writing by every open that may write (kWriteShared and
//           the exclusive modes), so writers exclude each other;
//   byte R: held for reading by kReadShared, for writing by the exclusive
//           modes. kWriteShared only tests it (a shared reader keeps a
//           writer out) and does not keep it, so readers may join a writer.
//   byte T: the turnstile. A writer that has to wait holds it for writing
//           until it has its locks. Every open first passes through it (it
//           is locked with the other bytes in one request and let go at
//           once), so readers that come while a writer waits queue behind
//           it instead of keeping byte R held for ever, one after another.
//
// Open file description locks (F_OFD_SETLK) are used where the kernel has
// them: they belong to the open file, not to the process, so two opens in one
// process exclude each other like two processes do, and closing one
// descriptor does not drop the locks of another (the classic POSIX lock trap).
// Where they are missing, classic POSIX record locks (F_SETLK) are used; they
// work on network file systems too. Each operation holds one descriptor per
// data file, so the trap does not arise.
//
// A wait (OpenWait) is a lock request that sleeps in the kernel
// (F_OFD_SETLKW, F_SETLKW) and returns the moment the holder lets go. A
// timer of the waiting thread ends it: its signal has a handler that does
// nothing and no SA_RESTART, so the request returns EINTR. Waits take the
// bytes in one order, T before W before R, and hold nothing while they wait
// for T, so two waiters never hold what the other waits for.
//
// KIROQ_LOCK_LOG=FILE (for benchmarks) appends a line to FILE each time a
// data file is closed: its path, the mode, the microseconds its open waited
// for the lock and the microseconds it was held.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/env.h"

namespace kiroq {
namespace {

constexpr off_t kWriterByte = off_t{1} << 40;
constexpr off_t kReaderByte = kWriterByte + 1;
constexpr off_t kTurnstileByte = kWriterByte + 2;

Status PosixError(const std::string& context, int err) {
  if (err == ENOENT) return Status::NotFound(context);
  return Status::IOError(context + ": " + std::strerror(err));
}

int64_t MonotonicNs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

#ifdef F_OFD_SETLK
std::atomic<bool> ofd_works{true};
#endif

// One lock request; true on success, false with errno set otherwise. A
// request that waits returns false with EINTR when a signal ends its wait.
bool SetLock(int fd, short type, off_t start, off_t len, bool wait = false) {
  struct flock fl;
  std::memset(&fl, 0, sizeof(fl));
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
#ifdef F_OFD_SETLK
  if (ofd_works.load(std::memory_order_relaxed)) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINVAL) return false;
    ofd_works = false;  // kernel without open file description locks
  }
#endif
  while (fcntl(fd, wait ? F_SETLKW : F_SETLK, &fl) != 0) {
    if (errno != EINTR || wait) return false;
  }
  return true;
}

bool IsConflict(int err) { return err == EAGAIN || err == EACCES; }

// Ends lock requests that wait once max_wait_ms have passed (see the top of
// the file). The timer repeats every millisecond after that, in case its
// signal comes between the last look at the clock and a request that starts
// to wait. Threads that wait at the same time share the handler, which is
// put back as it was when the last one is done.
class LockDeadline {
 public:
  explicit LockDeadline(int max_wait_ms) : deadline_ns_(MonotonicNs() + int64_t{max_wait_ms} * 1000000) {
#ifdef SIGEV_THREAD_ID
    AddUser();
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, kSignal);
    pthread_sigmask(SIG_UNBLOCK, &wake, &old_mask_);
    struct sigevent ev;
    std::memset(&ev, 0, sizeof(ev));
    ev.sigev_notify = SIGEV_THREAD_ID;
    ev.sigev_signo = kSignal;
#ifdef sigev_notify_thread_id
    ev.sigev_notify_thread_id = gettid();
#else
    ev._sigev_un._tid = gettid();
#endif
    if (timer_create(CLOCK_MONOTONIC, &ev, &timer_) != 0) return;
    struct itimerspec when;
    when.it_value.tv_sec = max_wait_ms / 1000;
    when.it_value.tv_nsec = static_cast<long>(max_wait_ms % 1000) * 1000000L;
    when.it_interval.tv_sec = 0;
    when.it_interval.tv_nsec = 1000000L;
    if (timer_settime(timer_, 0, &when, nullptr) != 0) {
      timer_delete(timer_);
      return;
    }
    armed_ = true;
#endif
  }

  ~LockDeadline() {
#ifdef SIGEV_THREAD_ID
    if (armed_) timer_delete(timer_);
    pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
    RemoveUser();
#endif
  }

  LockDeadline(const LockDeadline&) = delete;
  LockDeadline& operator=(const LockDeadline&) = delete;

  // False when no timer could be set: the caller must not wait in the
  // kernel then.
  bool armed() const { return armed_; }

  // Takes a lock, waiting until the deadline; false with errno set (EAGAIN
  // when the time ran out).
  bool Lock(int fd, short type, off_t start, off_t len) {
    for (;;) {
      if (SetLock(fd, type, start, len, true)) return true;
      if (errno != EINTR) return false;
      if (MonotonicNs() >= deadline_ns_) {
        errno = EAGAIN;
        return false;
      }
    }
  }

 private:
#ifdef SIGEV_THREAD_ID
  static constexpr int kSignal = SIGALRM;
  static void Nothing(int) {}

  static std::mutex& Mu() {
    static std::mutex mu;
    return mu;
  }
  static inline int users_ = 0;
  static inline struct sigaction saved_;

  static void AddUser() {
    std::lock_guard<std::mutex> lock(Mu());
    if (users_++ > 0) return;
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = Nothing;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the lock request must return
    sigaction(kSignal, &action, &saved_);
  }
  static void RemoveUser() {
    std::lock_guard<std::mutex> lock(Mu());
    if (--users_ == 0) sigaction(kSignal, &saved_, nullptr);
  }

  timer_t timer_{};
  sigset_t old_mask_;
#endif
  int64_t deadline_ns_;
  bool armed_ = false;
};

// Opens that cannot write (kReadShared, and an exclusive open of a file we
// may not write) lock for reading and do not wait in the turnstile.
bool LocksForReading(OpenMode mode, bool writable) { return mode == OpenMode::kReadShared || !writable; }

// The locks of mode without waiting, each taken with the turnstile in one
// request. False with errno set when they are held elsewhere (nothing is
// kept then).
bool TryLocks(int fd, OpenMode mode, bool writable) {
  if (mode == OpenMode::kReadShared) {
    if (!SetLock(fd, F_RDLCK, kReaderByte, 2)) return false;
    SetLock(fd, F_UNLCK, kTurnstileByte, 1);
    return true;
  }
  if (!writable) {
    // Read-only exclusive: such an open still keeps every writer out.
    if (!SetLock(fd, F_RDLCK, kWriterByte, 3)) return false;
    SetLock(fd, F_UNLCK, kTurnstileByte, 1);
    return true;
  }
  if (!SetLock(fd, F_WRLCK, kWriterByte, 3)) return false;
  // kWriteShared keeps only W: having R too proved that no shared reader
  // is in; readers may join it now.
  if (mode == OpenMode::kWriteShared) {
    SetLock(fd, F_UNLCK, kReaderByte, 2);
  } else {
    SetLock(fd, F_UNLCK, kTurnstileByte, 1);
  }
  return true;
}

// The locks of mode, waiting until the deadline. A writer takes the
// turnstile first and keeps it while it waits for W and R.
bool WaitLocks(int fd, OpenMode mode, bool writable, LockDeadline* deadline) {
  if (LocksForReading(mode, writable)) {
    const off_t start = mode == OpenMode::kReadShared ? kReaderByte : kWriterByte;
    if (!deadline->Lock(fd, F_RDLCK, start, kTurnstileByte + 1 - start)) return false;
    SetLock(fd, F_UNLCK, kTurnstileByte, 1);
    return true;
  }
  bool ok = deadline->Lock(fd, F_WRLCK, kTurnstileByte, 1);
  if (ok && mode == OpenMode::kWriteShared) {
    ok = deadline->Lock(fd, F_WRLCK, kWriterByte, 1) && deadline->Lock(fd, F_WRLCK, kReaderByte, 1);
    if (ok) SetLock(fd, F_UNLCK, kReaderByte, 2);
  } else if (ok) {
    ok = deadline->Lock(fd, F_WRLCK, kWriterByte, 2);
    if (ok) SetLock(fd, F_UNLCK, kTurnstileByte, 1);
  }
  if (!ok) {
    const int err = errno;
    SetLock(fd, F_UNLCK, kWriterByte, 3);
    errno = err;
  }
  return ok;
}

// Where KIROQ_LOCK_LOG points, opened once; -1 when it is not set.
int LockLogFd() {
  static const int fd = [] {
    const char* path = std::getenv("KIROQ_LOCK_LOG");
    if (!path || !*path) return -1;
    return open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  }();
  return fd;
}

class PosixFile : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override {
    Unmap();
    close(fd_);
    if (locked_ns_ != 0) LogHold();
  }

  // For KIROQ_LOCK_LOG: the mode, when the open began and when it had its
  // lock.
  void NoteLock(OpenMode mode, int64_t asked_ns, int64_t locked_ns) {
    mode_ = mode;
    asked_ns_ = asked_ns;
    locked_ns_ = locked_ns;
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

  void LogHold() const {
    char line[64];
    const int n = std::snprintf(line, sizeof(line), " %d %lld %lld\n", static_cast<int>(mode_),
                                static_cast<long long>((locked_ns_ - asked_ns_) / 1000),
                                static_cast<long long>((MonotonicNs() - locked_ns_) / 1000));
    std::string entry = path_ + std::string(line, static_cast<std::size_t>(std::max(n, 0)));
    (void)!write(LockLogFd(), entry.data(), entry.size());  // one append: lines never mix
  }

  int fd_;
  std::string path_;
  void* map_ = nullptr;
  std::size_t map_size_ = 0;
  OpenMode mode_ = OpenMode::kReadShared;
  int64_t asked_ns_ = 0, locked_ns_ = 0;
};

enum class LockResult { kLocked, kBusy, kNoTimer, kError };

// Takes the locks of mode on fd, waiting up to max_wait_ms for them.
LockResult LockForMode(int fd, OpenMode mode, bool writable, int max_wait_ms) {
  if (TryLocks(fd, mode, writable)) return LockResult::kLocked;
  if (!IsConflict(errno)) return LockResult::kError;
  if (max_wait_ms <= 0) return LockResult::kBusy;
  LockDeadline deadline(max_wait_ms);
  if (!deadline.armed()) return LockResult::kNoTimer;
  if (WaitLocks(fd, mode, writable, &deadline)) return LockResult::kLocked;
  // EDEADLK: classic locks between processes that wait for each other
  // (over two files); giving up this attempt frees the other.
  return IsConflict(errno) || errno == EDEADLK ? LockResult::kBusy : LockResult::kError;
}

class PosixEnvImpl : public Env {
 public:
  explicit PosixEnvImpl(bool refuse_links) : refuse_links_(refuse_links) {}

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

  std::size_t ReadStdinWait(char* buf, std::size_t n, int max_wait_ms) override {
    struct pollfd p;
    p.fd = 0;
    p.events = POLLIN;
    p.revents = 0;
    for (;;) {
      int r = poll(&p, 1, max_wait_ms < 0 ? 0 : max_wait_ms);
      if (r > 0) return ReadStdin(buf, n);
      if (r == 0 || errno != EINTR) return 0;
    }
  }

  void WriteStderr(std::string_view line) override {
    std::string text(line);
    text.push_back('\n');
    std::size_t done = 0;
    while (done < text.size()) {
      ssize_t r = write(2, text.data() + done, text.size() - done);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return;
      done += static_cast<std::size_t>(r);
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
    return OpenWait(path, mode, 0, out);
  }

  Status OpenWait(const std::string& path, OpenMode mode, int max_wait_ms, std::unique_ptr<File>* out) override {
    const bool log = LockLogFd() >= 0;
    const int64_t asked = log ? MonotonicNs() : 0;
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
      case OpenMode::kCreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
        break;
    }
    bool writable = true;
    int fd = -1, open_err = 0;
    Status opened = OpenFile(path, flags, mode == OpenMode::kCreateNew ? 0600 : 0666, &fd, &open_err);
    if (!opened.ok() && mode == OpenMode::kReadExclusive && (open_err == EACCES || open_err == EROFS)) {
      opened = OpenFile(path, O_RDONLY | O_CLOEXEC, 0, &fd, &open_err);
      writable = false;
    }
    if (!opened.ok()) return opened;
    if (mode == OpenMode::kReadShared) writable = false;
    const LockResult locked = LockForMode(fd, mode, writable, max_wait_ms);
    if (locked != LockResult::kLocked) {
      const int err = errno;
      close(fd);
      if (locked == LockResult::kBusy) return Status::Busy(path);
      if (locked == LockResult::kNoTimer) return Env::OpenWait(path, mode, max_wait_ms, out);
      return PosixError(path, err);
    }
    auto file = std::make_unique<PosixFile>(fd, path);
    if (log) file->NoteLock(mode, asked, MonotonicNs());
    *out = std::move(file);
    return Status::OK();
  }

  // One wait for the whole budget: closing the descriptor after each
  // interval would give up a writer's place in the turnstile, and readers
  // waiting behind it would pass it every time.
  Status OpenWaitAttempts(const std::string& path, OpenMode mode, int attempts, int interval_ms,
                          std::unique_ptr<File>* out, int* made) override {
    *made = 0;
    if (attempts <= 0) return Status::Busy(path);
    const int64_t start = MonotonicNs();
    Status s = OpenWait(path, mode, attempts * std::max(interval_ms, 0), out);
    if (s.IsBusy() || interval_ms <= 0) {
      *made = attempts;
    } else {
      const int64_t intervals = (MonotonicNs() - start) / (int64_t{interval_ms} * 1000000) + 1;
      *made = static_cast<int>(std::min<int64_t>(intervals, attempts));
    }
    return s;
  }

  bool FileExists(const std::string& path) override {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  Status GetFileSize(const std::string& path, uint64_t* size) override {
    struct stat st;
    if ((refuse_links_ ? lstat(path.c_str(), &st) : stat(path.c_str(), &st)) != 0) return PosixError(path, errno);
    if (refuse_links_ && !S_ISREG(st.st_mode)) return NotRegular(path, st);
    *size = static_cast<uint64_t>(st.st_size);
    return Status::OK();
  }

  Status ReadFile(const std::string& path, std::string* data) override {
    data->clear();
    int fd = -1, open_err = 0;
    Status opened = OpenFile(path, O_RDONLY | O_CLOEXEC, 0, &fd, &open_err);
    if (!opened.ok()) return opened;
    // Read straight into the string, sized a byte over the file's size: a
    // file that did not grow is read by one call and its end seen by the
    // next; one that grew doubles the room.
    struct stat st;
    std::size_t room = 4096;
    if (fstat(fd, &st) == 0 && st.st_size > 0) room = static_cast<std::size_t>(st.st_size) + 1;
    data->resize(room);
    std::size_t used = 0;
    for (;;) {
      if (used == data->size()) data->resize(2 * used);
      ssize_t r = read(fd, data->data() + used, data->size() - used);
      if (r < 0) {
        if (errno == EINTR) continue;
        int err = errno;
        close(fd);
        data->clear();
        return PosixError(path, err);
      }
      if (r == 0) break;
      used += static_cast<std::size_t>(r);
    }
    data->resize(used);
    close(fd);
    return Status::OK();
  }

  Status WriteFile(const std::string& path, std::string_view data) override {
    // While links are refused, the file is cut only once it is known to be
    // regular: a file refused keeps its bytes.
    int fd = -1, open_err = 0;
    Status opened =
        OpenFile(path, O_WRONLY | O_CREAT | O_CLOEXEC | (refuse_links_ ? 0 : O_TRUNC), 0666, &fd, &open_err);
    if (opened.ok() && refuse_links_ && ftruncate(fd, 0) != 0) {
      opened = PosixError(path, errno);
      close(fd);
    }
    if (!opened.ok()) return opened;
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

  Status RemoveFile(const std::string& path) override {
    if (unlink(path.c_str()) == 0 || errno == ENOENT) return Status::OK();
    return PosixError(path, errno);
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
    if (getnameinfo(reinterpret_cast<struct sockaddr*>(&sa), sizeof(sa), host, sizeof(host), nullptr, 0, NI_NAMEREQD) !=
        0) {
      return std::string();
    }
    return std::string(host);
  }

 private:
  static Status NotRegular(const std::string& path, const struct stat& st) {
    return Status::Refused(path + (S_ISLNK(st.st_mode) ? " is a symbolic link" : " is not a regular file"));
  }

  // open(), and while links are refused, not through a symbolic link at the
  // last name and only a regular file: O_NONBLOCK keeps a FIFO from holding
  // the open up, and is dropped again once the file is known to be regular.
  // On failure *err is the open's errno (0 for a refusal).
  Status OpenFile(const std::string& path, int flags, mode_t perm, int* fd, int* err) const {
    *err = 0;
    *fd = open(path.c_str(), refuse_links_ ? flags | O_NOFOLLOW | O_NONBLOCK : flags, perm);
    if (*fd < 0) {
      *err = errno;
      if ((flags & O_EXCL) && *err == EEXIST) return Status::Exists(path);
      if (refuse_links_ && (*err == ELOOP || *err == EMLINK)) return Status::Refused(path + " is a symbolic link");
      return PosixError(path, *err);
    }
    if (!refuse_links_) return Status::OK();
    struct stat st;
    Status s;
    if (fstat(*fd, &st) != 0) {
      s = PosixError(path, errno);
    } else if (!S_ISREG(st.st_mode)) {
      s = NotRegular(path, st);
    } else {
      const int status_flags = fcntl(*fd, F_GETFL);
      if (status_flags == -1 || fcntl(*fd, F_SETFL, status_flags & ~O_NONBLOCK) != 0) s = PosixError(path, errno);
    }
    if (!s.ok()) {
      close(*fd);
      *fd = -1;
    }
    return s;
  }

  const bool refuse_links_;
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

Status Env::OpenWait(const std::string& path, OpenMode mode, int max_wait_ms, std::unique_ptr<File>* out) {
  Status s = Open(path, mode, out);
  int waited = 0, pause = 1;
  while (s.IsBusy() && waited < max_wait_ms) {
    const int ms = std::min(pause, max_wait_ms - waited);
    SleepMs(ms);
    waited += ms;
    pause = std::min(pause * 2, 16);
    s = Open(path, mode, out);
  }
  return s;
}

Status Env::OpenWaitAttempts(const std::string& path, OpenMode mode, int attempts, int interval_ms,
                             std::unique_ptr<File>* out, int* made) {
  Status s = Status::Busy(path);
  *made = 0;
  while (s.IsBusy() && *made < attempts) {
    ++*made;
    s = OpenWait(path, mode, interval_ms, out);
  }
  return s;
}

Env* PosixEnv() {
  static Env* env = new PosixEnvImpl(false);
  return env;
}

Env* PosixEnvRefusingLinks() {
  static Env* env = new PosixEnvImpl(true);
  return env;
}

std::size_t Env::ReadStdinWait(char* buf, std::size_t n, int) { return ReadStdin(buf, n); }

Status ReadAdministratorFile(Env* env, const std::string& path, std::string* data) {
  data->clear();
  uint64_t size = 0;
  Status s = env->GetFileSize(path, &size);
  if (s.ok() && size > kMaxAdministratorFileBytes) {
    env->WriteStderr("kiroq: " + path + " has " + std::to_string(size) + " bytes, over 1 MB: not read");
    return Status::NotFound(path);
  }
  s = env->ReadFile(path, data);
  if (s.ok() && data->size() > kMaxAdministratorFileBytes) {  // it grew while being read
    data->clear();
    env->WriteStderr("kiroq: " + path + " grew over 1 MB: not read");
    return Status::NotFound(path);
  }
  return s;
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
