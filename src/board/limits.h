// Posting limits and password guessing: what a board remembers of the last
// hour, kept in one small file beside its index (bbsdb/<board>.lim).
//
// The file is text, one entry a line, oldest first, after a first line
// that names the format:
//
//   KIROQ LIMITS 1
//   P <time> <host> <hash>   a stored post: its title and body hashed
//                            (16 hex digits; never the text itself)
//   F <time> <host> <hash>   a wrong password, with what it tried to open
//                            hashed (the administrator, a member, an
//                            article's deletion password)
//   L <time> <host>          the wrong password that locked the host out
//
// <time> is seconds since 1970 (UTC); <host> is the client's address, for
// IPv6 its /64 ("2001:db8:1:2::/64"). Entries older than an hour are
// dropped, and so are the oldest beyond kMaxLimitEntries (wrong passwords
// first, then posts, lock-outs last, so that a flood of cheap guesses from
// many addresses cannot push a lock-out out of the file), so the file stays
// within about 210 KB (lines are at most 103 bytes), below the
// kMaxLimitsFileBytes a reader takes. A file that does not read as this format (damaged,
// cut short, too large) counts as empty and is written anew: it can never
// refuse anything by mistake.
#ifndef KIROQ_BOARD_LIMITS_H_
#define KIROQ_BOARD_LIMITS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kiroq {

class Env;

inline constexpr int64_t kLimitsKeepSeconds = 3600;
inline constexpr std::size_t kMaxLimitEntries = 2000;
inline constexpr uint64_t kMaxLimitsFileBytes = 256 * 1024;
// A second post of the same title and body from a host is refused for this
// long (REFUSEDOUBLEPOST).
inline constexpr int64_t kDoublePostSeconds = 600;
// kMaxWrongPasswords wrong passwords within kWrongPasswordSeconds lock the
// host out for kLockOutSeconds.
inline constexpr int kMaxWrongPasswords = 5;
inline constexpr int64_t kWrongPasswordSeconds = 600;
inline constexpr int64_t kLockOutSeconds = 600;

class LimitsState {
 public:
  struct Entry {
    char kind;  // 'P', 'F' or 'L'
    int64_t time;
    std::string host;
    uint64_t hash;  // 'P': the post's; 'F': what was guessed
  };

  // The state in a file's bytes, as of now: entries of the last hour only
  // (and none from more than a minute ahead, after a clock was set back).
  // Bytes that are not a state file give an empty state.
  static LimitsState Parse(std::string_view bytes, int64_t now);
  // The file's bytes; beyond kMaxLimitEntries the oldest wrong passwords
  // are left out, then the oldest posts, then the oldest lock-outs.
  std::string Serialize() const;

  // When host last posted; -1 when it did not within the hour.
  int64_t LastPost(std::string_view host) const;
  // Whether host stored a post of this hash at since or later.
  bool Posted(std::string_view host, uint64_t hash, int64_t since) const;
  void AddPost(std::string_view host, uint64_t hash, int64_t now);
  // Takes back a post entered at time that was not stored after all.
  void RemovePost(std::string_view host, uint64_t hash, int64_t time);

  // The end of host's lock-out, or 0 when it is not locked out at now.
  int64_t LockedUntil(std::string_view host, int64_t now) const;
  // Counts a wrong password for target (GuessTarget); true when it locks
  // host out. Every target counts towards the lock-out.
  bool AddWrongPassword(std::string_view host, uint64_t target, int64_t now);
  // Takes back a wrong password counted at time (counted before it was
  // compared, and right after all), and the lock-out it began when locked.
  void TakeBackWrongPassword(std::string_view host, uint64_t target, int64_t time, bool locked);
  // A right password for target: host's wrong passwords for that target
  // are gone. Those for anything else stay, so knowing one password (one's
  // own article's) never wipes the count of guesses at another.
  void ClearWrongPasswords(std::string_view host, uint64_t target);
  bool HasWrongPasswords(std::string_view host, uint64_t target) const;

  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// The client a limit counts: REMOTE_ADDR, for IPv6 its /64 (an IPv4 address
// written as IPv6 is the IPv4 address). Anything else is kept, cut to 64
// printable bytes without blanks.
std::string LimitsHost(std::string_view remote_addr);

// The hash REFUSEDOUBLEPOST compares (64-bit FNV-1a of title, a zero byte
// and body), blanks and line breaks at the end of either left out: they
// do not show, so they must not make a repeat a new post.
uint64_t PostHash(std::string_view title, std::string_view body);

// What a password tried to open, as the limits file keeps it ("admin",
// "member <id>", "article <n>"), hashed like a post.
uint64_t GuessTarget(std::string_view what);

// Opens the state file at path under its record lock (created when
// missing), runs change on the state and the time read under the lock and,
// when change returns true, writes
// the state back before the lock is let go. False, without running change,
// when the file could not be opened.
bool UpdateLimits(Env* env, const std::string& path, const std::function<bool(LimitsState&, int64_t now)>& change);

// The state as of now, read under a shared lock; empty when there is no
// file. Never creates it.
LimitsState ReadLimits(Env* env, const std::string& path);

}  // namespace kiroq

#endif  // KIROQ_BOARD_LIMITS_H_
