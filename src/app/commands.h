// The action table: which page or operation answers each action code.
//
// Adding an action means one row here and one function in its own file.
#ifndef KIROQ_APP_COMMANDS_H_
#define KIROQ_APP_COMMANDS_H_

#include "board/actions.h"

namespace kiroq {

struct Request;
struct PageContext;
struct Settings;
using Handler = void (*)(Request&);
using FramedHandler = void (*)(Request&, const PageContext&);

// Actions that answer the whole response themselves, CGI header included.
// Early ones run before the board's data files are made sure of (they must
// never create a board); the others after, before the posted form is
// decoded. Each group is tested in table order.
// A row with a switch exists only on boards where that setting is on;
// elsewhere its code is an action without a name.
struct WholeCommand {
  Action action;
  Handler handler;
  bool Settings::*needs = nullptr;
};

// Actions whose body goes inside the page frame: after the CGI header and
// the page head, before the page tail. The page shows as shows_as: its
// templates, article blocks and tail take that action's values.
struct FramedCommand {
  Action action;
  FramedHandler handler;
  Action shows_as;
};

struct CommandTable {
  const WholeCommand* early;
  int early_count;
  const WholeCommand* whole;
  int whole_count;
  const FramedCommand* framed;
  int framed_count;
};

const CommandTable& Commands();

}  // namespace kiroq

#endif  // KIROQ_APP_COMMANDS_H_
