#include "main/posting.h"

#include "cgi/headers.h"
#include "main/request.h"
#include "pages/frame.h"
#include "text/sjis.h"

namespace kiroq {

void CheckAndStorePost(Request& req) {
  const bool ja = req.japanese();
  const int action = req.action;
  if (req.post.content.absent() && (action == 6 || action == 9)) {
    WritePageHeader(req.out);
    if (ja) {
      WriteErrorPage(req, "KIROQ ERROR", {"本文が入力されていません。<BR>"_sj, "本文を入力後再度投稿して下さい。"_sj});
    } else {
      WriteErrorPage(req, "KIROQ ERROR", {"No Articles!<BR>", "Please try again."});
    }
    EndRequest();
  }
  if (req.settings.read_only && req.post.password2 != req.admin_password && action == 9) {
    WritePageHeader(req.out);
    if (ja) {
      WriteErrorPage(req, "PASSWORD ERROR!!", {"管理用パスワードが間違っています<BR>"_sj, "発言はキャンセルされました。"_sj});
    } else {
      WriteErrorPage(req, "PASSWORD ERROR!!", {"A password for the control is wrong.<BR>", "A remark was canceled."});
    }
    EndRequest();
  }
  if (action == 6) req.action = 11;
}

void WritePostCookies(Request&) {}

}  // namespace kiroq
