// Result of an operation that can fail, as a value (no exceptions, no errno
// left lying around). The page layer decides which page a failure gives.
#ifndef KIROQ_PLATFORM_STATUS_H_
#define KIROQ_PLATFORM_STATUS_H_

#include <string>
#include <utility>

namespace kiroq {

class Status {
 public:
  enum class Code { kOk, kNotFound, kBusy, kIOError, kExists, kRefused };

  Status() = default;
  static Status OK() { return Status(); }
  static Status NotFound(std::string msg) { return Status(Code::kNotFound, std::move(msg)); }
  // Another process holds a conflicting lock on the file.
  static Status Busy(std::string msg) { return Status(Code::kBusy, std::move(msg)); }
  static Status IOError(std::string msg) { return Status(Code::kIOError, std::move(msg)); }
  // A file that was to be created new is there already (as any kind of
  // name, a symbolic link included).
  static Status Exists(std::string msg) { return Status(Code::kExists, std::move(msg)); }
  // A name that is not a regular file reached without a symbolic link, where
  // only such a file is accepted.
  static Status Refused(std::string msg) { return Status(Code::kRefused, std::move(msg)); }

  bool ok() const { return code_ == Code::kOk; }
  bool IsNotFound() const { return code_ == Code::kNotFound; }
  bool IsBusy() const { return code_ == Code::kBusy; }
  bool IsExists() const { return code_ == Code::kExists; }
  bool IsRefused() const { return code_ == Code::kRefused; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  std::string ToString() const;

 private:
  Status(Code code, std::string msg) : code_(code), message_(std::move(msg)) {}
  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace kiroq

#endif  // KIROQ_PLATFORM_STATUS_H_
