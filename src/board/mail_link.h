// When a poster's name is shown as a link to the poster's mail address.
#ifndef KIROQ_BOARD_MAIL_LINK_H_
#define KIROQ_BOARD_MAIL_LINK_H_

namespace kiroq {

struct Settings;
struct IndexRecord;

enum class MailLinkRule {
  // Article blocks, templates and list rows: with USEMAIL, an address that
  // is there, on an article that is not deleted.
  kShownAddress,
  // The tree's thread rows link every name once USEMAIL is on, an empty
  // address or a deleted article's too, as they always have.
  kEveryName,
};

bool LinksMail(const Settings& s, const IndexRecord& rec, MailLinkRule rule);

}  // namespace kiroq

#endif  // KIROQ_BOARD_MAIL_LINK_H_
