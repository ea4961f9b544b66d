// A poster deletes or restores their own article (actions 8 and 14).
#ifndef KIROQ_MAIN_DELETE_TOGGLE_H_
#define KIROQ_MAIN_DELETE_TOGGLE_H_

namespace kiroq {

struct Request;

// Action 8: flips the deleted mark of the current article when the PWD
// cookie is its deletion password (silently nothing otherwise), then shows
// it as action 3 does.
void ToggleWithCookiePage(Request& req);
// Action 14: the same with the posted DELPASSWORD; a wrong password gets a
// line saying so.
void ToggleWithPasswordPage(Request& req);

}  // namespace kiroq

#endif  // KIROQ_MAIN_DELETE_TOGGLE_H_
