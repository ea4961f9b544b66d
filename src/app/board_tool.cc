#include "app/board_tool.h"

#include <memory>

#include "app/run.h"
#include "board/export.h"
#include "board/integrity.h"
#include "board/settings.h"
#include "platform/env.h"
#include "storage/board_files.h"
#include "text/ascii.h"

namespace kiroq {

namespace {

constexpr char kUsage[] =
    "usage: kiroq-board check PROGRAM-FOLDER BOARD\n"
    "       kiroq-board repair PROGRAM-FOLDER BOARD\n"
    "       kiroq-board export PROGRAM-FOLDER BOARD [--since N]";

struct Command {
  std::string name, folder, board;
  int since = 0;
};

bool ParseArgs(const std::vector<std::string>& args, Command* c) {
  std::vector<std::string> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--since" && i + 1 < args.size()) {
      if (!ParseWholeNumber(args[++i], &c->since) || c->since < 0) return false;
    } else if (args[i].rfind("--since=", 0) == 0) {
      if (!ParseWholeNumber(args[i].substr(8), &c->since) || c->since < 0) return false;
    } else {
      words.push_back(args[i]);
    }
  }
  if (words.size() != 3) return false;
  c->name = words[0];
  c->folder = words[1];
  c->board = words[2];
  if (!c->folder.empty() && c->folder.back() != '/') c->folder += '/';
  if (c->folder.empty()) c->folder = "./";
  return c->name == "check" || c->name == "repair" || c->name == "export";
}

int CannotRead(Env* env, const Command& c, const std::string& what) {
  env->WriteStderr("kiroq-board " + c.name + ": " + c.board + ": " + what);
  return kToolCannotRead;
}

void PrintFaults(Env* env, const std::vector<IndexFault>& faults, const char* prefix) {
  std::string text;
  for (const IndexFault& f : faults) text += prefix + f.text + "\n";
  env->WriteStdout(text);
}

int Check(Env* env, const Command& c, const BoardFiles& files, bool sjis) {
  std::vector<IndexFault> faults;
  Status s = CheckBoardFiles(env, files, sjis, &faults);
  if (!s.ok()) return CannotRead(env, c, s.ToString());
  PrintFaults(env, faults, "");
  int mendable = 0;
  for (const IndexFault& f : faults) mendable += RepairMends(f.kind) ? 1 : 0;
  env->WriteStderr("kiroq-board check: " + c.board + ": " + Itoa(static_cast<long long>(faults.size())) +
                   " problems, " + Itoa(mendable) + " of them mended by repair");
  return faults.empty() ? kToolSound : kToolProblems;
}

int Repair(Env* env, const Command& c, const BoardFiles& files, bool sjis) {
  // Both files first: one refused (a link, a missing log) stops the repair
  // before it changes anything.
  std::vector<IndexFault> faults;
  Status s = CheckBoardFiles(env, files, sjis, &faults);
  if (!s.ok()) return CannotRead(env, c, s.ToString());
  std::vector<std::string> changes;
  s = RepairBoardFiles(env, files, UtcStamp(env->UnixTime()), &changes);
  std::string text;
  for (const std::string& line : changes) text += line + "\n";
  if (changes.empty() && s.ok()) text = "nothing changed\n";
  env->WriteStdout(text);
  if (!s.ok()) return CannotRead(env, c, s.ToString());
  // What is left is what repair leaves alone: bodies, parent numbers,
  // dates and attachment names.
  s = CheckBoardFiles(env, files, sjis, &faults);
  if (!s.ok()) return CannotRead(env, c, s.ToString());
  for (const IndexFault& f : faults) env->WriteStderr("not mended: " + f.text);
  return faults.empty() ? kToolSound : kToolProblems;
}

int Export(Env* env, const Command& c, const BoardFiles& files) {
  ExportTotals totals;
  Status s = ExportBoard(
      env, files, c.since, [env](std::string_view piece) { env->WriteStdout(piece); }, &totals);
  if (!s.ok()) return CannotRead(env, c, s.ToString());
  env->WriteStderr("kiroq-board export: " + c.board + ": " + Itoa(totals.articles) + " articles, " +
                   Itoa(static_cast<long long>(totals.replaced)) + " bytes that were no character written as U+FFFD");
  return kToolSound;
}

}  // namespace

int RunBoardTool(Env* env, const std::vector<std::string>& args) {
  Command c;
  if (!ParseArgs(args, &c) || (c.since != 0 && c.name != "export")) {
    env->WriteStderr(kUsage);
    return kToolCannotRead;
  }
  if (!IsValidBoardName(c.board)) return CannotRead(env, c, "not a board name (letters, digits, _ and - only)");
  const BoardFiles files(c.folder, c.board);
  std::string text;
  const Status read = ReadAdministratorFile(env, files.FindBesideProgram(env, ".ini"), &text);
  if (!read.ok()) {
    return CannotRead(env, c, read.IsNotFound() ? "no settings file " + files.BesideProgram(".ini") : read.ToString());
  }
  const bool sjis = ReadSettings(SettingsFile(text), "").japanese;
  if (c.name == "check") return Check(env, c, files, sjis);
  if (c.name == "repair") return Repair(env, c, files, sjis);
  return Export(env, c, files);
}

}  // namespace kiroq
