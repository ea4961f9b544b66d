#include "board/mail_link.h"

#include "board/settings.h"
#include "storage/record.h"

namespace kiroq {

bool LinksMail(const Settings& s, const IndexRecord& rec, MailLinkRule rule) {
  if (!s.use_mail) return false;
  return rule == MailLinkRule::kEveryName || (!rec.email.empty() && !rec.is_deleted());
}

}  // namespace kiroq
