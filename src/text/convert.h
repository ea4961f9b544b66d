// Text conversions shared by the pages: romaji to hiragana, linking web
// addresses, cutting titles, removing line breaks, number lists.
// All work on Shift-JIS byte strings and never split a double-byte character.
#ifndef KIROQ_TEXT_CONVERT_H_
#define KIROQ_TEXT_CONVERT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kiroq {

// Lower-case romaji turned into hiragana (Shift-JIS), longest key first
// (4, 3, 2, then 1 letters); double-byte characters and everything else
// are copied unchanged.
std::string RomajiToHiragana(std::string_view text);

// Every address beginning "www." or "http" (any case) outside an existing
// <A ...>...</A> element becomes a link opening in a new window; the address
// runs to the first blank, line break or double-byte character. "www." addresses get
// "http://" in front in the link target only. The address is copied into the
// link as it stands: give this text that is already HTML-escaped.
std::string AutoLinkAddresses(std::string_view text);
// The same for a piece of a longer text cut by LineCut: *inside_link says
// whether the pieces before left an element open, and is updated.
std::string AutoLinkAddresses(std::string_view text, bool* inside_link);

// A long line of message text is converted a piece at a time (romaji view,
// escaping or allowed markup, address links), so that memory holds a piece
// and not a whole line grown by its conversions. Returns the end of the
// piece that starts at from (0, or an end given before): the first point at
// least min_piece bytes on, or the end of the text, where the conversions of
// the pieces, each carrying its state over to the next, give the bytes of
// the whole line's. With links (addresses are linked), that is a character
// boundary that is not inside an address, a "<A" or a "</A>"; with romaji
// (the romaji view), a character boundary that is not between two
// lower-case letters unless the first is a vowel (no romaji key has a vowel
// but at its end); with neither, any point.
std::size_t LineCut(std::string_view text, std::size_t from, std::size_t min_piece, bool romaji, bool links);

// The web addresses in text, found as AutoLinkAddresses finds them, that
// begin "http://", "https://" or "www." (any case). Addresses inside an
// <A ...>...</A> element count too, and a line break ends an address.
// With markup (a board that shows posts' markup), every HREF= or SRC=
// attribute whose value is not such an address counts as well: a browser
// follows "//host", "&#104;ttp://host" and the like just the same.
int CountWebAddresses(std::string_view text, bool markup = false);

// A text shorter than limit bytes comes back unchanged; otherwise it is cut
// to limit bytes (limit - 1 when that would split a double-byte character)
// and suffix is appended.
std::string CutToLength(std::string_view text, std::size_t limit, std::string_view suffix);

// The text without any CR or LF byte.
std::string RemoveLineBreaks(std::string_view text);

// Items separated by commas or blanks; double quotes group an item
// (quotes doubled inside stand for one). Blank items between commas count.
std::vector<std::string> SplitCommaText(std::string_view text);

// "3-5,9" gives "3", "4", "5", "9". A range whose ends are not both whole
// numbers, or whose end is below its start, gives nothing; an item without
// "-" is kept as it is. The list stops after kMaxNumberListItems numbers, so
// a range such as "1-2000000000" cannot exhaust memory.
constexpr std::size_t kMaxNumberListItems = 100000;
std::vector<std::string> ExpandNumberList(std::string_view list);

}  // namespace kiroq

#endif  // KIROQ_TEXT_CONVERT_H_
