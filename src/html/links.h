// Links inside a board: "kiroq.exe?" + board + "+" + page size + "+" +
// number + "+" + action. The text is markup: escape visitor text before
// passing it.
#ifndef KIROQ_HTML_LINKS_H_
#define KIROQ_HTML_LINKS_H_

#include <string>
#include <string_view>

namespace kiroq {

struct Request;

// The address alone: kiroq.exe?board+size+number+action
std::string BoardHref(const Request& req, long long number, int action);
// <A HREF="kiroq.exe?board+size+number+action">text</A>
std::string BoardLink(const Request& req, long long number, int action, std::string_view text);
// The same with a page size other than the request's.
std::string BoardLinkSized(const Request& req, long long page_size, long long number, int action,
                           std::string_view text);
// With a fourth number after the action (the personal settings link).
std::string BoardLink4(const Request& req, long long number, int action, long long fourth, std::string_view text);
// Opening in a new window (TARGET="_blink"): attachment downloads.
std::string BoardLinkNewWindow(const Request& req, long long number, int action, std::string_view text);
// The personal settings link: number 0, action 30, and the request's action
// code (1 when the query had none) as fourth number.
std::string PersonalSettingsLink(const Request& req, std::string_view text);

// With NUMCLICK: a link to article n (action 3) whose text is n; without it
// the plain number.
std::string NumberLink(const Request& req, long long n);
// With NUMCLICK: "▼" linked to the thread view of n (action 12); without it
// the plain number.
std::string ThreadMark(const Request& req, long long n);

}  // namespace kiroq

#endif  // KIROQ_HTML_LINKS_H_
