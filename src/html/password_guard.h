// Password guessing: kMaxWrongPasswords wrong passwords from one host within
// ten minutes lock it out for ten minutes (board/limits.h keeps the count in
// the board's limits file). Every check of the administrator password, a
// member's password or a deletion password goes through here:
//
//   PasswordGuess guess{PasswordKind::kDeletion, "article 12"};
//   if (!StartPasswordCheck(req, guess)) { ...the lock-out notice... }
//   bool right = ...the comparison...;
//   FinishPasswordCheck(req, guess, right);
//
// The attempt is counted as wrong before the comparison and taken back
// when it was right, in two short locked turns: concurrent guesses can
// never get more than the limit through, and the file is not held while a
// page reads the index or the member file.
#ifndef KIROQ_HTML_PASSWORD_GUARD_H_
#define KIROQ_HTML_PASSWORD_GUARD_H_

#include <cstdint>
#include <functional>
#include <string>

namespace kiroq {

struct Request;

enum class PasswordKind { kAdministrator, kMember, kDeletion };

// One password tried: its kind, and what it tries to open ("admin",
// "member <id>", "article <n>"). A right password takes back only the
// client's wrong guesses at the same thing.
struct PasswordGuess {
  PasswordKind kind;
  std::string target;
  // Set by StartPasswordCheck: when the attempt was counted, and whether
  // that began a lock-out (taken back if the password was right).
  int64_t counted_at = 0;
  bool locked_by_it = false;
};

// False when the client is locked out (req.locked_until says until when;
// nothing is counted). Otherwise the attempt counts as wrong until
// FinishPasswordCheck says it was right. A limits file that cannot be
// opened locks nobody out.
bool StartPasswordCheck(Request& req, PasswordGuess& guess);
// A right password clears the client's count for the guess's target; a
// wrong administrator password is written to standard error (the address,
// never the password).
void FinishPasswordCheck(Request& req, const PasswordGuess& guess, bool right);

// For a password that comes with every request (the member cookies), so
// that reading pages does not write the file while the password is right:
// right() compares first; a wrong one is then counted under the file's
// lock, and answered kLockedOut when the client was locked out meanwhile
// (so guesses sent at once learn nothing past the limit); a right one is
// answered kLockedOut too when the client is locked out.
enum class PasswordResult { kRight, kWrong, kLockedOut };
PasswordResult CheckRepeatedPassword(Request& req, const PasswordGuess& guess, const std::function<bool()>& right);

// The notice lines of a lock-out, into an open page.
void WriteLockedOutLines(Request& req);
// A whole page with the notice (its header block unless one was written),
// then the request ends.
[[noreturn]] void RefuseLockedOut(Request& req);

}  // namespace kiroq

#endif  // KIROQ_HTML_PASSWORD_GUARD_H_
