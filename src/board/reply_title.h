// The title a reply is offered, and the parent's body quoted in its text.
//
// The reply form and a board's reply template count along a thread by the
// same pattern, "Re:nn " in front of the parent's title, but read the count
// with different care; both readings are kept, as boards rely on what each
// shows.
#ifndef KIROQ_BOARD_REPLY_TITLE_H_
#define KIROQ_BOARD_REPLY_TITLE_H_

#include <string>
#include <string_view>

namespace kiroq {

// The reply form's title for a parent titled title: "Re:01 " in front, or
// the count after "Re:" one higher ("Re:09 x" gives "Re:10 x"). The count is
// the two bytes after "Re:" read as a whole number (blanks and a sign
// allowed). A new "Re:01 " title is cut to 86 bytes; japanese: without
// splitting a double-byte character.
std::string ReplyTitle(std::string_view title, bool japanese);

// A reply template's title: "Re:" + (nn + 1), at least two digits, + " " +
// the rest, for a title whose bytes 4-5 are digits (a lone digit at the end
// counts); otherwise "Re:01 " + title. Never cut.
std::string TemplateReplyTitle(std::string_view title);

// The parent's body quoted for the reply text area: prefix before the first
// line and after every line break (CR LF, or a lone CR).
std::string QuoteBody(std::string_view body, std::string_view prefix);

}  // namespace kiroq

#endif  // KIROQ_BOARD_REPLY_TITLE_H_
