#include "pages/personal_settings.h"

#include <string>
#include <string_view>

#include "cgi/client.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "html/links.h"
#include "html/request.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

Html FormLine(const Request& req, Action action) { return BoardForm(req, 0, action); }

// <OPTION VALUE="value">label, with SELECTED when chosen.
Html Option(const Html& value, bool selected, const Html& label) {
  return "<OPTION VALUE=\"" + value + (selected ? Html("\" SELECTED>") : Html("\">")) + label;
}

}  // namespace

void PersonalSettingsForm(Request& req) {
  Output* out = req.out;
  const Settings& s = req.settings;
  WritePageHeader(out);
  out->Line("<HTML><BODY BGCOLOR=\"WHITE\"><CENTER>");
  out->Line("<TABLE BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\"><TR><TD BGCOLOR=\"BLACK\">");
  out->Line(FormLine(req, Action::kStorePersonalSettings));
  out->Line("<TABLE BORDER=\"0\" CELLPADDING=\"3\" CELLSPACING=\"1\">");
  out->Line(
      "<TR><TD BGCOLOR=\"#C0FFC0\" COLSPAN=\"2\"><CENTER><B>個人設定</B></CENTER><FONT SIZE=\"2\">"
      "個人設定はCookieに記録されます。Cookieが使用されない場合はシステムの設定が有効になります。</TD></TR>"_sj);
  out->Line("<TR><TD BGCOLOR=\"WHITE\">１画面に表示する発言数</TD><TD BGCOLOR=\"WHITE\">"_sj);
  const std::string browscount = req.cookies.Value("BROWSCOUNT=");
  out->Line("<INPUT TYPE=\"TEXT\" NAME=\"BROWSCOUNT\" VALUE=\"" +
            EscapeAttribute(browscount.empty() ? Itoa(req.page_size) : browscount) + "\">");
  out->Line("</TD></TR>");

  // The start-up has already let these cookies override TREECLOSE and
  // NEWPOSTSORT; without a cookie the settings are the board's own.
  const std::string treet = req.cookies.Value("TREET=");
  const bool expand = treet.empty() ? !s.tree_close : treet == "0";
  out->Line("<TR><TD BGCOLOR=\"WHITE\">ツリー表示の際にツリーの表示方法</TD><TD BGCOLOR=\"WHITE\">"_sj);
  out->Line("<SELECT NAME=\"TREET\" SIZE=\"2\">");
  out->Line(Option("0", expand, "ツリーを展開する"_sj));
  out->Line(Option("1", !expand, "ツリーを展開しない"_sj));
  out->Line("</SELECT></TD></TR>");

  const std::string treet2 = req.cookies.Value("TREET2=");
  const bool sort = treet2.empty() ? s.new_post_sort : treet2 == "1";
  out->Line("<TR><TD BGCOLOR=\"WHITE\">ツリー表示の際にツリーの表示方法２</TD><TD BGCOLOR=\"WHITE\">"_sj);
  out->Line("<SELECT NAME=\"TREET2\" SIZE=\"2\">");
  out->Line(Option("1", sort, "日付でソートする"_sj));
  out->Line(Option("0", !sort, "日付でソートしない"_sj));
  out->Line("</SELECT></TD></TR>");

  out->Line("<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#C0C0FF\" COLSPAN=\"2\"><INPUT TYPE=\"HIDDEN\" NAME=\"TT\" VALUE=\"" +
            EscapeAttribute(req.Word(5)) + "\"><INPUT TYPE=\"SUBMIT\" VALUE=\"個人設定を行う\"></TD></FORM></TR>"_sj);
  out->Line(FormLine(req, Action::kClearPersonalSettings));
  out->Line(
      "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#FFC0C0\" COLSPAN=\"2\">"
      "<INPUT TYPE=\"SUBMIT\" VALUE=\"Cookieを削除する\"></TD></FORM></TR>"_sj);
  out->Line("</TABLE></TD></TR></TABLE>");
  out->Line("</FORM></CENTER></BODY></HTML>");
}

void StorePersonalSettings(Request& req) {
  Output* out = req.out;
  const std::string path = CookiePath(req.client.referer);
  for (const char* name : {"BROWSCOUNT", "TREET", "TREET2"}) {
    const std::string pair = std::string(name) + "=" + req.input.Field(name);
    WritePersistentCookie(out, pair, path, req.env->UnixTime());
  }
  WritePageHeader(out);
  out->Line("<HTML><BODY><CENTER>Cookieに個人設定を登録しました。<P>"_sj);
  // The page size is the one of the address: the new one applies from the
  // next request on, when the browser sends the cookie.
  out->Line("<A HREF=\"kiroq.exe?" + UrlArgument(req.Word(1)) + "+" + UrlArgument(req.Word(2)) + "+" +
            UrlArgument(req.Word(3)) + "+" + UrlArgument(req.input.Field("TT")) + "\">掲示板へ行く</A>"_sj);
  out->Line("</BODY></HTML></CENTER>");
}

void ClearPersonalSettings(Request& req) {
  Output* out = req.out;
  const std::string path = CookiePath(req.client.referer);
  for (const char* pair : {"NAME=", "EMAIL=", "URL=", "ADDRESS1=", "AGE=", "SEX=", "MEMID=", "MEMPASS=", "PWD=",
                           "BROWSCOUNT=", "TREET="}) {
    WriteTemporaryCookie(out, pair, path);
  }
  WritePageHeader(out);
  out->Line(
      "<HTML><BODY><CENTER>この掲示板での Cookie 情報をブラウザから削除しました。<BR>ブラウザを閉じて終了してください。"_sj);
  out->Line("</BODY></HTML></CENTER>");
}

}  // namespace kiroq
