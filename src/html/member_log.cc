#include "html/member_log.h"

#include "board/members.h"
#include "cgi/client.h"
#include "html/request.h"
#include "text/sjis.h"

namespace kiroq {

void LogFailedLogin(Request& req, std::string_view id) {
  const std::string& path = req.settings.login_dat;
  if (path.empty()) return;
  const std::string line = FailedLoginLine(
      req.env->Now(), id, req.client.PosterHost(req.env, req.settings.convert_remote_host), req.client.remote_addr);
  if (!AppendFailedLogin(req.env, path, line)) req.out->Write("<BR>エラーログが記録できませんでした。"_sj);
}

}  // namespace kiroq
