// When a poster's name links to the poster's mail address.
#include "board/mail_link.h"

#include <gtest/gtest.h>

#include "board/settings.h"
#include "storage/record.h"

namespace kiroq {
namespace {

TEST(MailLink, ShownAddressOrEveryName) {
  struct Row {
    bool use_mail, has_email, deleted, shown_address, every_name;
  };
  const Row rows[] = {
      {true, true, false, true, true},  {true, false, false, false, true},  {true, true, true, false, true},
      {true, false, true, false, true}, {false, true, false, false, false}, {false, false, true, false, false},
  };
  for (const Row& r : rows) {
    Settings s;
    s.use_mail = r.use_mail;
    IndexRecord rec;
    rec.email = r.has_email ? "a@b.jp" : "";
    rec.deleted = r.deleted ? 1 : 0;
    EXPECT_EQ(LinksMail(s, rec, MailLinkRule::kShownAddress), r.shown_address);
    EXPECT_EQ(LinksMail(s, rec, MailLinkRule::kEveryName), r.every_name);
  }
}

}  // namespace
}  // namespace kiroq
