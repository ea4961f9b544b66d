// The board's Atom feed (action 40 on boards with USEFEED): the newest
// articles a visitor may see, for feed readers that follow the board.
#ifndef KIROQ_PAGES_FEED_H_
#define KIROQ_PAGES_FEED_H_

namespace kiroq {

struct Request;

// An Atom 1.0 document (RFC 4287) in UTF-8 of the 20 newest articles that
// are neither deleted nor beyond VIEWLIMIT, newest first. Titles, names and
// bodies are decoded from Shift-JIS; bodies are plain text (type="text"),
// as posted, whatever USEHTMLTAG says. Each entry's date is its post date
// with the server's offset; a date that cannot be read takes the nearest
// readable one among the entries, newer first (the Unix epoch when none
// is), and has no published element. The feed's updated is its newest
// entry's. Addresses are absolute (cgi/client.h ProgramFolderAddress): the
// feed's id is the board's address, kiroq.exe?<board>; an entry's link the
// article page with the request's page size, its id the same address with
// the default page size, so that it never changes. Reads the newest
// records only, and only the bodies it shows; writes once the files are
// closed. A busy index or log gets the index-busy page instead.
void FeedPage(Request& req);

}  // namespace kiroq

#endif  // KIROQ_PAGES_FEED_H_
