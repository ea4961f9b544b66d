// Members-only boards: the member file and the failed-login log.
//
// The member file has one member a line: ID, password, e-mail and name,
// separated by commas or blanks (double quotes group an item). Only lines of
// exactly four items count.
#ifndef KIROQ_BOARD_MEMBERS_H_
#define KIROQ_BOARD_MEMBERS_H_

#include <string>
#include <string_view>

namespace kiroq {

class Env;
struct LocalTime;

struct Member {
  std::string id, password, email, name;
};

// The member whose ID matches id (ignoring letter case) and whose password
// is password exactly; the last such line of the file wins. False when none
// matches or the file cannot be read.
bool FindMember(Env* env, const std::string& member_file, std::string_view id, std::string_view password,
                Member* member);

// What the log shows in place of the password tried: never the password
// itself, which is often a member's real one with a typing slip.
inline constexpr char kFailedPasswordMask[] = "********";

// The line the failed-login log gets for one attempt: six quoted fields,
// date, time, ID, the password mask, host and address. In the texts a
// double quote becomes a single quote and control bytes (CR, LF, ...) become
// blanks, so every attempt is one line of six fields.
std::string FailedLoginLine(const LocalTime& now, std::string_view id, std::string_view host, std::string_view address);

// Appends line (and CR LF) to the failed-login log at path, under a lock so
// that simultaneous failures lose no line. False when it cannot be written.
bool AppendFailedLogin(Env* env, const std::string& path, std::string line);

}  // namespace kiroq

#endif  // KIROQ_BOARD_MEMBERS_H_
