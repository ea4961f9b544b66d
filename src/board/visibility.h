// Which articles a visitor may see.
//
// VIEWLIMIT = n keeps only the newest articles in view: of a board of count
// articles, the positions (0-based) at or below count - n - 2 are too old
// for any page to show, quote or find. 0 means no limit.
#ifndef KIROQ_BOARD_VISIBILITY_H_
#define KIROQ_BOARD_VISIBILITY_H_

namespace kiroq {

struct Settings;

// The highest position VIEWLIMIT hides on a board of count articles; -1
// when nothing is hidden.
long long ViewLimitFloor(long long view_limit, long long count);

// True when the article at position is too old to show.
inline bool BeyondViewLimit(long long view_limit, long long count, long long position) {
  return position <= ViewLimitFloor(view_limit, count);
}

// True when the article's body may be shown, quoted in a reply or found by
// a search: it is not deleted and not too old. Every page that shows, quotes
// or finds bodies asks this.
inline bool MayShowBody(long long view_limit, long long count, long long position, bool deleted) {
  return !deleted && !BeyondViewLimit(view_limit, count, position);
}

}  // namespace kiroq

#endif  // KIROQ_BOARD_VISIBILITY_H_
