// The gate of members-only boards that admit members only.
//
// With MEMBERSONLY naming a member file and MEMBERREADONLY 1, a request goes
// on only for a reader who holds the cookie MEMID (set at login; its value is
// not checked against the member file here) or who has just logged in. Others
// get a login page whose form posts back to the very request that was
// refused, with the hidden field DONE=FCONFMEM and the fields CONFMEMID and
// CONFMEMPASS.
#ifndef KIROQ_PAGES_LOGIN_GATE_H_
#define KIROQ_PAGES_LOGIN_GATE_H_

namespace kiroq {

struct Request;

// Runs once per request, after the form fields are read and before anything
// is written. Returns when the request may go on; a successful login has
// then written the two member cookie lines, so the page's header block
// follows them. Otherwise writes the login page, the failure page (and logs
// the attempt) or, with USECOOKIE on, the confirmation of a login, and ends
// the request.
void PassLoginGate(Request& req);

// True when the request posts a login to a board behind the gate: the gate
// will then set cookies or log the attempt.
bool LoginPosted(const Request& req);

}  // namespace kiroq

#endif  // KIROQ_PAGES_LOGIN_GATE_H_
