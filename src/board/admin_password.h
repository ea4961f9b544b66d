// The board's administrator password, kept outside the board's folder.
//
// The PASSWORD setting names a drive letter, as boards did on the Windows
// servers they came from. Here a letter X (any case) names a folder:
//
//   the value of the environment variable KIROQ_DRIVE_X (X upper case),
//   e.g. KIROQ_DRIVE_C=/srv/kiroq/drive-c, set in the web server's
//   configuration for the CGI program; when it is unset or empty,
//   /var/lib/kiroq/drive-x (x lower case).
//
// Choose a folder that the web server does not serve. In that folder the
// password is the first line of
//   kirpass<board>pwd          (older boards: no separator, no dot)
//   KIRPASS/<board>.PWD        (replaces the first when it exists; the
//                               folder may also be "kirpass" and the
//                               extension ".pwd")
// A PASSWORD value that is not a single letter means there is no file.
#ifndef KIROQ_BOARD_ADMIN_PASSWORD_H_
#define KIROQ_BOARD_ADMIN_PASSWORD_H_

#include <string>
#include <string_view>

namespace kiroq {

class Env;

// The folder of drive letter drive, without a trailing "/"; "" when drive
// is not a single letter A-Z or a-z.
std::string DriveFolder(Env* env, std::string_view drive);

// The administrator password of board: the first line, without its line
// break, of the later of the two files above that exists; "" when neither
// does. board must already be a safe file name.
std::string ReadAdminPassword(Env* env, std::string_view drive, std::string_view board);

}  // namespace kiroq

#endif  // KIROQ_BOARD_ADMIN_PASSWORD_H_
