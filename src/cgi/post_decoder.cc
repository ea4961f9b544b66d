#include "cgi/post_decoder.h"

#include "board/actions.h"
#include "board/dates.h"
#include "board/settings.h"
#include "cgi/client.h"
#include "platform/env.h"
#include "text/cut.h"
#include "text/sjis.h"

namespace kiroq {

namespace L = record_layout;

PostedForm DecodePostedForm(const FormInput& input, const Settings& s, const Client& client, Env* env, int action) {
  PostedForm p;
  IndexRecord& r = p.record;
  const bool sj = s.japanese;
  auto field = [&](std::string_view name, std::size_t cap) {
    return std::string(CutToBytes(input.Field(name), cap, sj));
  };

  // Only a post is stamped: the clock (a time zone file to read) and the
  // poster's host (a name look-up with CONVERTREMOTEHOST) are left alone on
  // every other page.
  if (IsPostAction(action)) {
    r.date = MakePostDate(env->Now());
    r.host = std::string(CutToBytes(client.PosterHost(env, s.convert_remote_host), L::kHostCap, false));
  }
  r.deleted = 0;
  r.child_count = 0;
  r.attachment.clear();

  r.name = field("NAME", L::kNameCap);
  r.password = field("PASSWORD", L::kPasswordCap);
  if (s.use_mail) r.email = field("EMAIL", L::kEmailCap);
  r.title = field("TITLE", L::kTitleCap);

  const std::string secret = sj ? std::string("内緒"_sj) : std::string("Secret");
  r.age = std::string(CutToBytes(secret, L::kAgeCap, sj));  // "Secre" on English boards
  if (s.age_on()) r.age = field("AGE", L::kAgeCap);
  r.sex = secret;
  if (s.use_sex) r.sex = field("SEX", L::kSexCap);
  r.address = secret;
  r.address2 = secret;
  if (s.use_address) {
    r.address = field("ADDRESS1", L::kAddressCap);
    r.address2.clear();
  }
  if (s.use_url) r.url = field("URL", L::kUrlCap);
  r.spare.clear();
  if (s.use_image_url) r.image_url = field("IMAGEURL", L::kImageUrlCap);

  if (s.read_only || action == 98) p.password2 = input.Field("PASSWORD2");
  if (action == 10) p.search_word = input.Field("SEARCHWORD");
  p.remember = input.Field("COOKIE") == "on";
  p.content = input.Locate("CONTENT");
  return p;
}

}  // namespace kiroq
