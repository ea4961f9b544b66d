// The operating system, behind one interface.
//
// Everything the program needs from the system goes through an Env: the CGI
// environment, standard input and output, files with sharing modes, folders,
// the clock, sleeping and the reverse host look-up. The POSIX version lives
// in env_posix.cc; tests wrap it (EnvWrapper) to inject a clock, a sleep, an
// environment, a request body and to capture the response.
#ifndef KIROQ_PLATFORM_ENV_H_
#define KIROQ_PLATFORM_ENV_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace kiroq {

// How a data file is opened, and what it allows other opens to do while it
// is held. An open that conflicts with one held elsewhere (another process,
// or another open in this process) fails with Status::Busy: at once (Open),
// or once a wait for the holder to let go has run out (OpenWait).
//
//   mode             access              others may, while it is held
//   kReadExclusive   read                nothing
//   kWriteExclusive  read and write      nothing
//   kReadShared      read                open kReadShared only
//   kWriteShared     read and write      open kReadShared only
//   kCreate          create, read, write nothing (the file is created when
//                                        missing; an existing file is kept)
//   kCreateNew       create, read, write nothing (the file must not exist:
//                                        any name there, a symbolic link
//                                        whose target is missing included,
//                                        fails with Status::Exists; the new
//                                        file is its owner's only, 0600)
enum class OpenMode { kReadExclusive, kWriteExclusive, kReadShared, kWriteShared, kCreate, kCreateNew };

// An open file and the lock that comes with it. Destroying it closes the
// file and drops the lock.
class File {
 public:
  File() { ++open_count_; }
  virtual ~File() { --open_count_; }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Files open in this process right now. Output keeps what a page writes in
  // memory while any is open: a client that stops reading must not leave a
  // board's file locked.
  static int OpenCount() { return open_count_.load(std::memory_order_relaxed); }

  virtual Status Size(uint64_t* size) = 0;
  // Reads up to n bytes from offset into *out (replacing it); fewer at the
  // end of the file.
  virtual Status ReadAt(uint64_t offset, std::size_t n, std::string* out) = 0;
  // Writes all of data at offset.
  virtual Status WriteAt(uint64_t offset, std::string_view data) = 0;
  // Cuts or extends the file to size bytes.
  virtual Status Truncate(uint64_t size) = 0;
  // The first size bytes of the file (fewer when it is shorter), read only,
  // valid while this File stays open: its lock keeps writers away from them.
  // The POSIX file maps them, so only the pages a caller touches are read
  // and nothing is copied; this default reads them into memory. One view
  // per File: a second call replaces the first.
  virtual Status View(uint64_t size, std::string_view* bytes);

 private:
  static inline std::atomic<int> open_count_{0};
  std::string view_copy_;  // the default View's bytes
};

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Env {
 public:
  virtual ~Env() = default;

  // --- process ---
  // An environment variable; "" when it is not set.
  virtual std::string GetVar(const std::string& name) = 0;
  virtual bool HasVar(const std::string& name) = 0;
  // Reads at most n bytes of the request body; 0 at its end.
  virtual std::size_t ReadStdin(char* buf, std::size_t n) = 0;
  // The same, but waits at most max_wait_ms for bytes to come: 0 also when
  // none came in time. This default is ReadStdin, which waits as long as it
  // takes; wrappers (EnvWrapper) keep it, so that it reads through their
  // ReadStdin.
  virtual std::size_t ReadStdinWait(char* buf, std::size_t n, int max_wait_ms);
  virtual void WriteStdout(std::string_view data) = 0;
  // One line for the web server's error log (a line break is added).
  virtual void WriteStderr(std::string_view line) = 0;

  // --- files and folders (paths use "/") ---
  // Opens path in mode, or fails at once (Busy) when a conflicting lock is
  // held.
  virtual Status Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* out) = 0;
  // The same, but while a conflicting lock is held, waits up to max_wait_ms
  // for it to be let go, and opens the moment it is. Busy when it is still
  // held at the end; 0 ms is Open. A writer that waits keeps readers that
  // come after it waiting behind it, so that a stream of readers cannot
  // shut writers out. This default tries Open again after short, growing
  // pauses (SleepMs); the POSIX Env sleeps in the lock request itself.
  // Wrappers that replace Open should replace this too.
  virtual Status OpenWait(const std::string& path, OpenMode mode, int max_wait_ms, std::unique_ptr<File>* out);
  // Up to attempts further attempts of OpenWait, each waiting up to
  // interval_ms; *made receives how many were made (all of them when the
  // result is Busy). This default calls OpenWait once per attempt. The POSIX
  // Env waits once, for the whole budget, on one descriptor: a writer keeps
  // its place in the turnstile from the start of its wait to its open, and
  // *made counts the intervals begun. EnvWrapper does not forward it, so a
  // wrapper's OpenWait is what its attempts call.
  virtual Status OpenWaitAttempts(const std::string& path, OpenMode mode, int attempts, int interval_ms,
                                  std::unique_ptr<File>* out, int* made);
  virtual bool FileExists(const std::string& path) = 0;
  virtual Status GetFileSize(const std::string& path, uint64_t* size) = 0;
  // The whole file, without any lock (settings, templates, member files).
  virtual Status ReadFile(const std::string& path, std::string* data) = 0;
  // Creates or truncates path and writes data.
  virtual Status WriteFile(const std::string& path, std::string_view data) = 0;
  // Creates one folder; an existing folder is not an error.
  virtual Status CreateDir(const std::string& path) = 0;
  virtual Status RenameFile(const std::string& from, const std::string& to) = 0;
  // Removes one file; a file that is not there is not an error.
  virtual Status RemoveFile(const std::string& path) = 0;

  // --- time ---
  // Seconds since 1970-01-01 00:00:00 UTC.
  virtual int64_t UnixTime() = 0;
  // The local date and time of a UnixTime value.
  virtual LocalTime ToLocal(int64_t unix_time) = 0;
  LocalTime Now() { return ToLocal(UnixTime()); }
  virtual void SleepMs(int ms) = 0;

  // --- network ---
  // The host name of a dotted IPv4 address, or "" when the look-up fails.
  virtual std::string ReverseLookup(const std::string& ipv4) = 0;
};

// The real operating system. Never destroyed.
Env* PosixEnv();

// The same, for programs an administrator may run as root on folders others
// can write (the board tool): a file it opens, reads or measures must be a
// regular file whose own name is no symbolic link. Anything else fails with
// Status::Refused and is left as it is; nothing is written through a link.
// Links in the folders on the way are followed.
Env* PosixEnvRefusingLinks();

// Forwards every call to a target; tests override the calls they replace.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  std::string GetVar(const std::string& name) override { return target_->GetVar(name); }
  bool HasVar(const std::string& name) override { return target_->HasVar(name); }
  std::size_t ReadStdin(char* buf, std::size_t n) override { return target_->ReadStdin(buf, n); }
  void WriteStdout(std::string_view data) override { target_->WriteStdout(data); }
  void WriteStderr(std::string_view line) override { target_->WriteStderr(line); }
  Status Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* out) override {
    return target_->Open(path, mode, out);
  }
  Status OpenWait(const std::string& path, OpenMode mode, int max_wait_ms, std::unique_ptr<File>* out) override {
    return target_->OpenWait(path, mode, max_wait_ms, out);
  }
  bool FileExists(const std::string& path) override { return target_->FileExists(path); }
  Status GetFileSize(const std::string& path, uint64_t* size) override { return target_->GetFileSize(path, size); }
  Status ReadFile(const std::string& path, std::string* data) override { return target_->ReadFile(path, data); }
  Status WriteFile(const std::string& path, std::string_view data) override { return target_->WriteFile(path, data); }
  Status CreateDir(const std::string& path) override { return target_->CreateDir(path); }
  Status RenameFile(const std::string& from, const std::string& to) override { return target_->RenameFile(from, to); }
  Status RemoveFile(const std::string& path) override { return target_->RemoveFile(path); }
  int64_t UnixTime() override { return target_->UnixTime(); }
  LocalTime ToLocal(int64_t unix_time) override { return target_->ToLocal(unix_time); }
  void SleepMs(int ms) override { target_->SleepMs(ms); }
  std::string ReverseLookup(const std::string& ipv4) override { return target_->ReverseLookup(ipv4); }

 private:
  Env* target_;
};

// Files the administrator keeps (settings, templates, header and footer,
// member lists) are read only up to this size: a huge one would take the
// memory and the time of every request.
inline constexpr uint64_t kMaxAdministratorFileBytes = uint64_t{1} << 20;  // 1 MB

// ReadFile for such a file. One over kMaxAdministratorFileBytes is not read:
// it counts as missing (NotFound), and a line on standard error says so.
Status ReadAdministratorFile(Env* env, const std::string& path, std::string* data);

// The folder of the program as it was invoked (argv[0], not the target of a
// symbolic link), ending in "/". Falls back to SCRIPT_FILENAME, then to the
// working folder ("./"), where CGI servers start their programs.
std::string ProgramFolder(const char* argv0, Env* env);

}  // namespace kiroq

#endif  // KIROQ_PLATFORM_ENV_H_
