// Names of attached files: what a browser sends, and what may be stored.
#ifndef KIROQ_STORAGE_ATTACHMENT_NAMES_H_
#define KIROQ_STORAGE_ATTACHMENT_NAMES_H_

#include <string>
#include <string_view>

namespace kiroq {

// The file name in a name the browser sent: the text after the last "\", "/"
// or ":". sjis: a 0x5C that is the second byte of a double-byte character
// (as in 表) is part of the name, not a separator.
std::string StripClientPath(std::string_view sent, bool sjis);

// True when name can be stored as a file inside an article's folder: not
// empty, not starting with "." (".", "..", server control files such as
// .htaccess), no control character and no path separator (read as sjis
// says). The length is not checked here.
bool IsStorableName(std::string_view name, bool sjis);

}  // namespace kiroq

#endif  // KIROQ_STORAGE_ATTACHMENT_NAMES_H_
