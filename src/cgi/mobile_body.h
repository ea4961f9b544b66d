// URL-encoded bodies, as mobile telephones post them.
#ifndef KIROQ_CGI_MOBILE_BODY_H_
#define KIROQ_CGI_MOBILE_BODY_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kiroq {

// What a decoded "&" is stored as, so that it cannot end a field.
inline constexpr char kDecodedAmpersand = '\x01';

// Decodes the body in place: "+" becomes a space and "%" with two hex
// digits (either case) the byte they encode, a decoded "&" becoming
// kDecodedAmpersand. A "%" without two hex digits after it is kept as it
// is. A zero byte in the body ends it. No character set conversion: the
// bytes stay Shift-JIS as sent.
void DecodeMobileBody(std::string* body);

// The value of the first "NAME=" in a decoded body that starts the body or
// follows an "&" (byte for byte, letter case counts), up to the next "&" or
// the end:
// returns its offset and sets *length, or npos when the key is missing.
std::size_t FindMobileValue(std::string_view body, std::string_view name, std::size_t* length);

}  // namespace kiroq

#endif  // KIROQ_CGI_MOBILE_BODY_H_
