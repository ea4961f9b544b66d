#include "pages/login_gate.h"

#include <string>

#include "board/members.h"
#include "cgi/client.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "html/frame.h"
#include "html/member_log.h"
#include "html/password_guard.h"
#include "html/request.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

constexpr std::string_view kLoginDone = "FCONFMEM";

// "kiroq.exe?" and the request's four query words, so that the login leads
// back to the page that was asked for. Each word is encoded: a word may hold
// any byte once its "%XX" was decoded.
Html RequestHref(const Request& req) {
  Html href = "kiroq.exe?";
  for (std::size_t i = 1; i <= 4; ++i) {
    if (i > 1) href += "+";
    href += UrlArgument(req.Word(i));
  }
  return href;
}

void WriteLoginPage(Request& req) {
  const bool ja = req.japanese();
  Output* out = req.out;
  WritePageHeader(out);
  out->Line("<HTML><BODY BGCOLOR=\"WHITE\">");
  out->Line("<CENTER>");
  if (ja) {
    out->Line("当掲示板は会員制になっています。<BR>"_sj);
    out->Line("下記の欄に会員IDとパスワードを記入してログインを押してください。<P>"_sj);
  } else {
    out->Line("Our bulletin board is a membership system.<BR>");
    out->Line("Write down a password with the member ID in the following column, and push LOGIN.<P>");
  }
  out->Line("<FORM ACTION=\"" + RequestHref(req) + "\" METHOD=\"POST\"" + Html::Trusted(req.settings.form_enctype) +
            ">");
  out->Line("<TABLE BORDER=\"0\" CELLPADDIN=\"0\" CELLSPACING=\"0\">");
  out->Line(
      "<TR><TD BGCOLOR=\"BLACK\"><TABLE BORDER=\"0\" CELLPADDING=\"3\" CELLSPACING=\"0\">"
      "<TR><TD BGCOLOR=\"WHITE\">" +
      (ja ? "会員ID"_sj : "Member ID") + "</TD>");
  out->Line("<TD BGCOLOR=\"WHITE\"><INPUT TYPE=\"TEXT\" NAME=\"CONFMEMID\" VALUE=\"\" SIZE=\"40\"></TD></TR>");
  out->Line("<TR><TD BGCOLOR=\"WHITE\">" + (ja ? "パスワード"_sj : "Password") + "</TD>");
  out->Line(
      "<TD BGCOLOR=\"WHITE\"><INPUT TYPE=\"PASSWORD\" NAME=\"CONFMEMPASS\" VALUE=\"\" SIZE=\"40\"></TD></TR>"
      "</TABLE></TD></TR></TABLE><P>");
  out->Line("<INPUT TYPE=\"HIDDEN\" NAME=\"DONE\" VALUE=\"FCONFMEM\">");
  out->Line(ja ? "<INPUT TYPE=\"SUBMIT\" VALUE=\"ログイン\"></FORM>"_sj
               : "<INPUT TYPE=\"SUBMIT\" VALUE=\"LOGIN\"></FORM>");
  // The board's own ending, if it has one; the page is otherwise left open.
  PrintFile(req, req.files.FindBesideProgram(req.env, ".LOGINERR"));
}

void WriteLoginFailedPage(Request& req, const std::string& id) {
  WritePageHeader(req.out);
  req.out->Line("<HTML><BODY>");
  // sic: the English wording is kept as boards have always shown it.
  req.out->Line(req.japanese() ? "会員ID とパスワードが間違っています。設定作業に失敗しました"_sj
                               : "A password is wrong with the member ID. It failed in the establishment work.");
  req.out->Line("</BODY></HTML>");
  LogFailedLogin(req, id);
}

void WriteLoginDonePage(Request& req) {
  const bool ja = req.japanese();
  WritePageHeader(req.out);
  req.out->Line("<HTML><BODY BGCOLOR=\"WHITE\">");
  req.out->Line("<CENTER>");
  // sic: the English wording is kept as boards have always shown it.
  req.out->Line(ja ? "設定作業が終了しました。<P>"_sj : "Establishment work was finished.<P>");
  req.out->Line("<A HREF=\"" + RequestHref(req) + "\">" + (ja ? "掲示板へ行く"_sj : "Go to BBS") + "</A>");
}

void WriteMemberCookies(Request& req, const std::string& id, const std::string& password) {
  const std::string path = CookiePath(req.client.referer);
  for (const std::string& pair : {"MEMID=" + id, "MEMPASS=" + password}) {
    if (req.settings.cookie_delete) {
      WriteTemporaryCookie(req.out, pair, path);
    } else {
      WritePersistentCookie(req.out, pair, path, req.env->UnixTime());
    }
  }
}

// The member cookies name a member: checked on every request, as at login,
// since a cookie is only what the browser says. A wrong password in them
// counts as a wrong password, and a locked-out client gets the notice; an ID
// without a password is no guess.
bool HoldsMemberCookies(Request& req) {
  const std::string id = req.cookies.Value("MEMID=");
  if (id.empty()) return false;
  const std::string password = req.cookies.Value("MEMPASS=");
  Member member;
  if (password.empty()) return FindMember(req.env, req.settings.members_only, id, password, &member);
  const PasswordResult result = CheckRepeatedPassword(req, {PasswordKind::kMember, "member " + id}, [&] {
    return FindMember(req.env, req.settings.members_only, id, password, &member);
  });
  if (result == PasswordResult::kLockedOut) RefuseLockedOut(req);
  return result == PasswordResult::kRight;
}

}  // namespace

bool LoginPosted(const Request& req) {
  const Settings& s = req.settings;
  return s.members_only_board() && s.member_read_only == 1 && req.input.Field("DONE") == kLoginDone;
}

void PassLoginGate(Request& req) {
  const Settings& s = req.settings;
  if (!s.members_only_board() || s.member_read_only != 1) return;
  if (req.input.Field("DONE") != kLoginDone) {
    if (HoldsMemberCookies(req)) return;
    WriteLoginPage(req);
    EndRequest();
  }
  const std::string id = req.input.Field("CONFMEMID");
  const std::string password = req.input.Field("CONFMEMPASS");
  PasswordGuess guess{PasswordKind::kMember, "member " + id};
  if (!StartPasswordCheck(req, guess)) RefuseLockedOut(req);
  Member member;
  const bool right = FindMember(req.env, s.members_only, id, password, &member);
  FinishPasswordCheck(req, guess, right);
  if (!right) {
    WriteLoginFailedPage(req, id);
    EndRequest();
  }
  WriteMemberCookies(req, id, password);
  if (s.use_cookie) {
    WriteLoginDonePage(req);
    EndRequest();
  }
}

}  // namespace kiroq
