// The administrator's pages: the menu (action 99) and the actions it posts
// (action 98), which delete, restore and inspect articles by number with
// the board's control password. Deleting and restoring only set or clear
// the deleted mark of the index record; the log is never touched.
#ifndef KIROQ_PAGES_ADMIN_PAGES_H_
#define KIROQ_PAGES_ADMIN_PAGES_H_

namespace kiroq {

struct Request;

// Action 99: the form asking for the password (PASSWORD2) and the number
// lists of articles to delete (DELPOS) and restore (UNDELPOS), and the
// number of one article to inspect (LOOKPOS). Writes the whole response.
void AdminMenuPage(Request& req);

// Action 98: refuses unless the board has a control password and PASSWORD2
// equals it. Then, holding the index write-exclusive, deletes each article
// of DELPOS, restores each of UNDELPOS and shows the stored fields of
// LOOKPOS, in that order. A list is worked through in its written order
// ("2-4" is 2, 3, 4; a reversed range is nothing); the first item that is
// not a number, or not an article, ends the page, and the changes made
// before it stay. Writes the whole response.
void AdminActionPage(Request& req);

}  // namespace kiroq

#endif  // KIROQ_PAGES_ADMIN_PAGES_H_
