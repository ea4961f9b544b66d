// Password guessing: kMaxWrongPasswords wrong passwords from one host within
// ten minutes lock it out for ten minutes (board/limits.h keeps the count in
// the board's limits file). Every check of the administrator password, a
// member's password or a deletion password goes through here:
//
//   if (!StartPasswordCheck(req)) { ...the lock-out notice... }
//   bool right = ...the comparison...;
//   FinishPasswordCheck(req, PasswordKind::kDeletion, right);
//
// The attempt is counted as wrong before the comparison and taken back
// when it was right, in two short locked turns: concurrent guesses can
// never get more than the limit through, and the file is not held while a
// page reads the index or the member file.
#ifndef KIROQ_HTML_PASSWORD_GUARD_H_
#define KIROQ_HTML_PASSWORD_GUARD_H_

#include <functional>

namespace kiroq {

struct Request;

enum class PasswordKind { kAdministrator, kMember, kDeletion };

// False when the client is locked out (req.locked_until says until when;
// nothing is counted). Otherwise the attempt counts as wrong until
// FinishPasswordCheck says it was right. A limits file that cannot be
// opened locks nobody out.
bool StartPasswordCheck(Request& req);
// A right password clears the client's count; a wrong administrator
// password is written to standard error (the address, never the password).
void FinishPasswordCheck(Request& req, PasswordKind kind, bool right);

// For a password that comes with every request (the member cookies), so
// that reading pages does not write the file: the lock-out is only read,
// right() compares, and the file is written only to count a wrong password
// or to clear a count. kLockedOut leaves right() uncalled.
enum class PasswordResult { kRight, kWrong, kLockedOut };
PasswordResult CheckRepeatedPassword(Request& req, PasswordKind kind, const std::function<bool()>& right);

// The notice lines of a lock-out, into an open page.
void WriteLockedOutLines(Request& req);
// A whole page with the notice (its header block unless one was written),
// then the request ends.
[[noreturn]] void RefuseLockedOut(Request& req);

}  // namespace kiroq

#endif  // KIROQ_HTML_PASSWORD_GUARD_H_
