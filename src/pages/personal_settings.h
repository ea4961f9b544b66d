// The personal settings pages: a reader's own page size and tree display,
// kept in the cookies BROWSCOUNT, TREET and TREET2 that the start-up reads
// on every request.
#ifndef KIROQ_PAGES_PERSONAL_SETTINGS_H_
#define KIROQ_PAGES_PERSONAL_SETTINGS_H_

namespace kiroq {

struct Request;

// Action 30: the settings form, filled with the reader's cookies or, without
// them, the board's settings. The fifth query word (the action of the page
// to return to) rides along in the hidden field TT. Writes the whole
// response.
void PersonalSettingsForm(Request& req);

// Action 32: stores the posted BROWSCOUNT, TREET and TREET2 as persistent
// cookies, unchecked, and links back to query words 1 to 3 with the posted
// TT as action. Writes the whole response.
void StorePersonalSettings(Request& req);

// Action 31: clears the board's reader cookies (the poster's entries, the
// member login, the deletion password, BROWSCOUNT and TREET; TREET2 stays)
// with temporary cookies of empty value. Writes the whole response.
void ClearPersonalSettings(Request& req);

}  // namespace kiroq

#endif  // KIROQ_PAGES_PERSONAL_SETTINGS_H_
