// Members-only boards: the member file and the failed-login log.
//
// The member file has one member a line: ID, password, e-mail and name,
// separated by commas or blanks (double quotes group an item). Only lines of
// exactly four items count.
#ifndef KIROQ_CONFIG_MEMBERS_H_
#define KIROQ_CONFIG_MEMBERS_H_

#include <string>
#include <string_view>

namespace kiroq {

class Env;
struct Request;

struct Member {
  std::string id, password, email, name;
};

// The member whose ID matches id (ignoring letter case) and whose password
// is password exactly; the last such line of the file wins. False when none
// matches or the file cannot be read.
bool FindMember(Env* env, const std::string& member_file, std::string_view id, std::string_view password,
                Member* member);

// The line the failed-login log gets for one attempt: six quoted fields,
// date, time, ID, password, host and address.
std::string FailedLoginLine(Request& req, std::string_view id, std::string_view password);

// Appends that line to the log named by LOGINDAT (nothing when it is empty),
// under a lock so that simultaneous failures lose no line. When the log
// cannot be written, a notice goes to the page.
void LogFailedLogin(Request& req, std::string_view id, std::string_view password);

}  // namespace kiroq

#endif  // KIROQ_CONFIG_MEMBERS_H_
