#include "html/password_guard.h"

#include <string>

#include "board/limits.h"
#include "cgi/headers.h"
#include "html/frame.h"
#include "html/request.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

std::string Host(const Request& req) { return LimitsHost(req.client.remote_addr); }

// The client's whole address for the error log: printable bytes only, so
// that whatever the variable holds stays one line.
std::string LoggedAddress(const Request& req) {
  std::string addr;
  for (char c : req.client.remote_addr) {
    if (addr.size() == 64) break;
    addr.push_back(c > ' ' && c < 0x7f ? c : '?');
  }
  return addr.empty() ? std::string("-") : addr;
}

void LogWrong(Request& req, PasswordKind kind, bool locked) {
  if (kind != PasswordKind::kAdministrator) return;
  std::string line = "kiroq: wrong administrator password for board " + req.board + " from " + LoggedAddress(req);
  if (locked) line += "; locked out for 10 minutes";
  req.env->WriteStderr(line);
}

Html TwoDigits(int v) { return (v < 10 ? Html("0") : Html()) + Html::Number(v); }

}  // namespace

bool StartPasswordCheck(Request& req, PasswordGuess& guess) {
  const std::string host = Host(req);
  const uint64_t target = GuessTarget(guess.target);
  UpdateLimits(req.env, req.files.Limits(), [&](LimitsState& state, int64_t now) {
    req.locked_until = state.LockedUntil(host, now);
    if (req.locked_until != 0) return false;
    guess.counted_at = now;
    guess.locked_by_it = state.AddWrongPassword(host, target, now);
    return true;
  });
  return req.locked_until == 0;
}

void FinishPasswordCheck(Request& req, const PasswordGuess& guess, bool right) {
  if (!right) {
    // Counted already, and StartPasswordCheck knows whether that locked the
    // client out.
    LogWrong(req, guess.kind, guess.locked_by_it);
    return;
  }
  const std::string host = Host(req);
  const uint64_t target = GuessTarget(guess.target);
  UpdateLimits(req.env, req.files.Limits(), [&](LimitsState& state, int64_t) {
    if (guess.counted_at != 0) state.TakeBackWrongPassword(host, target, guess.counted_at, guess.locked_by_it);
    state.ClearWrongPasswords(host, target);
    return true;
  });
}

PasswordResult CheckRepeatedPassword(Request& req, const PasswordGuess& guess, const std::function<bool()>& right) {
  const std::string host = Host(req);
  const uint64_t target = GuessTarget(guess.target);
  if (right()) {
    LimitsState seen;
    if (req.env->FileExists(req.files.Limits())) seen = ReadLimits(req.env, req.files.Limits());
    req.locked_until = seen.LockedUntil(host, req.env->UnixTime());
    if (req.locked_until != 0) return PasswordResult::kLockedOut;
    if (seen.HasWrongPasswords(host, target)) {
      UpdateLimits(req.env, req.files.Limits(), [&](LimitsState& state, int64_t) {
        state.ClearWrongPasswords(host, target);
        return true;
      });
    }
    return PasswordResult::kRight;
  }
  bool locked = false;
  UpdateLimits(req.env, req.files.Limits(), [&](LimitsState& state, int64_t now) {
    req.locked_until = state.LockedUntil(host, now);
    if (req.locked_until != 0) return false;
    locked = state.AddWrongPassword(host, target, now);
    return true;
  });
  if (req.locked_until != 0) return PasswordResult::kLockedOut;
  LogWrong(req, guess.kind, locked);
  return PasswordResult::kWrong;
}

void WriteLockedOutLines(Request& req) {
  const LocalTime t = req.env->ToLocal(req.locked_until);
  const Html when = Html::Number(t.year) + "/" + TwoDigits(t.month) + "/" + TwoDigits(t.day) + " " + TwoDigits(t.hour) +
                    ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
  if (req.japanese()) {
    req.out->Line("パスワードの誤りが続いたため、このアドレスからのパスワードは受け付けられません。<BR>"_sj);
    req.out->Line(when + " 以降にもう一度お試しください。"_sj);
  } else {
    req.out->Line("Too many wrong passwords came from your address; none is accepted for now.<BR>");
    req.out->Line("Please try again after " + when + ".");
  }
}

void RefuseLockedOut(Request& req) {
  if (!req.out->header_written()) WritePageHeader(req.out);
  req.out->Line("<HTML><BODY>");
  req.out->Line("<H1>KIROQ ERROR</H1>");
  WriteLockedOutLines(req);
  req.out->Line("</BODY></HTML>");
  EndRequest();
}

}  // namespace kiroq
