// Links inside a board: "kiroq.exe?" + board + "+" + page size + "+" +
// number + "+" + action. Link texts are Html: visitor text is escaped on its
// way in.
#ifndef KIROQ_HTML_LINKS_H_
#define KIROQ_HTML_LINKS_H_

#include "board/actions.h"
#include "board/mail_link.h"
#include "cgi/html.h"

namespace kiroq {

struct Request;
struct IndexRecord;

// The address alone: kiroq.exe?board+size+number+action
Html BoardHref(const Request& req, long long number, Action action);
// The address with a page size other than the request's.
Html BoardHrefSized(const Request& req, long long page_size, long long number, Action action);
// <A HREF="kiroq.exe?board+size+number+action">text</A>
Html BoardLink(const Request& req, long long number, Action action, const Html& text);
// The same with a page size other than the request's.
Html BoardLinkSized(const Request& req, long long page_size, long long number, Action action, const Html& text);
// With a fourth number after the action (the personal settings link).
Html BoardLink4(const Request& req, long long number, Action action, long long fourth, const Html& text);
// Opening in a new window (TARGET="_blink"): attachment downloads.
Html BoardLinkNewWindow(const Request& req, long long number, Action action, const Html& text);
// The personal settings link: number 0, action 30, and the request's action
// code (1 when the query had none) as fourth number.
Html PersonalSettingsLink(const Request& req, const Html& text);
// <FORM ACTION="kiroq.exe?board+size+number+action" METHOD="POST" + the
// board's form encoding + ">". With TRAPFIELD, a posting form (actions 6
// and 9) but on i-mode pages goes on with the trap field: a text field a
// style moves out of sight, which people never fill in and posting
// programs do.
Html BoardForm(const Request& req, long long number, Action action);
inline constexpr char kTrapFieldName[] = "HOMEPAGE";

// With NUMCLICK: a link to article n (action 3) whose text is n; without it
// the plain number.
Html NumberLink(const Request& req, long long n);
// With NUMCLICK: "▼" linked to the thread view of n (action 12); without it
// the plain number.
Html ThreadMark(const Request& req, long long n);

// The poster's name, escaped; as <A HREF="mailto:address">name</A> when
// the rule links it (board/mail_link.h).
Html PosterName(const Request& req, const IndexRecord& rec, MailLinkRule rule = MailLinkRule::kShownAddress);

// "[" + inner + "]"
Html Bracketed(const Html& inner);

}  // namespace kiroq

#endif  // KIROQ_HTML_LINKS_H_
