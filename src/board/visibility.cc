#include "board/visibility.h"

namespace kiroq {

long long ViewLimitFloor(long long view_limit, long long count) {
  return view_limit != 0 ? count - view_limit - 2 : -1;
}

}  // namespace kiroq
