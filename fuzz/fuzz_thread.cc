// Index records read from untrusted bytes, thread walks over them, and the
// thread rows of the board page.
//
// Input: the index, whole 1267-byte records; the bytes after the last whole
// record choose the settings (see the flags below) and TIMETYPE.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "board/dates.h"
#include "board/thread_tree.h"
#include "fuzz_support.h"
#include "html/labels.h"
#include "html/request.h"
#include "html/thread_rows.h"
#include "storage/record.h"
#include "test_env.h"

namespace kiroq::fuzz {
namespace {

constexpr int kMaxWalks = 24;

bool SameRecord(const IndexRecord& a, const IndexRecord& b) {
  return a.deleted == b.deleted && a.title == b.title && a.name == b.name && a.email == b.email &&
         a.password == b.password && a.url == b.url && a.date == b.date && a.body_start == b.body_start &&
         a.body_end == b.body_end && a.parent == b.parent && a.children == b.children &&
         a.child_count == b.child_count && a.attachment == b.attachment && a.sex == b.sex && a.age == b.age &&
         a.address == b.address && a.address2 == b.address2 && a.spare == b.spare && a.image_url == b.image_url &&
         a.host == b.host;
}

void CheckRecord(const IndexView& index, int p) {
  const IndexRecord rec = index.record(p);
  Check(rec.deleted == 0 || rec.is_deleted(), "deleted mark misread");
  Check(index.deleted(p) == rec.is_deleted() && index.parent(p) == rec.parent && index.date(p) == rec.date,
        "single-field reads disagree with the decoded record");
  Check(index.child_count(p) == rec.ChildCount(), "child counts disagree");
  Check(rec.ChildCount() >= 0 && rec.ChildCount() <= kMaxChildren, "child count out of the list");
  for (int k = 0; k < rec.ChildCount(); ++k) Check(index.child(p, k) == rec.children[k], "child entries disagree");
  namespace L = record_layout;
  Check(rec.title.size() <= L::kTitleCap && rec.name.size() <= L::kNameCap && rec.email.size() <= L::kEmailCap &&
            rec.host.size() <= L::kHostCap && rec.attachment.size() <= L::kAttachmentCap,
        "decoded string over its field");
  IndexRecord back;
  DecodeRecord(EncodeRecord(rec), &back);
  Check(SameRecord(rec, back), "record changes through encode and decode");
}

// Each reply comes after the article it hangs from, at one level deeper,
// and is newer than it; no article is reached twice.
void CheckWalk(const IndexView& index, int start, const std::vector<ThreadReply>& replies) {
  std::vector<int> chain = {start};  // the walk's current ancestors
  std::vector<bool> seen(static_cast<std::size_t>(index.count()), false);
  seen[static_cast<std::size_t>(start)] = true;
  for (const ThreadReply& r : replies) {
    Check(r.position >= 0 && r.position < index.count(), "reply outside the index");
    Check(!seen[static_cast<std::size_t>(r.position)], "article reached twice");
    seen[static_cast<std::size_t>(r.position)] = true;
    Check(r.depth >= 1 && static_cast<std::size_t>(r.depth) <= chain.size(), "reply deeper than its parent + 1");
    chain.resize(static_cast<std::size_t>(r.depth));
    const int parent = chain.back();
    Check(r.position > parent, "reply older than its parent");
    bool listed = false;
    for (int k = 0; k < index.child_count(parent) && !listed; ++k) listed = index.child(parent, k) == r.position;
    Check(listed || (index.child_count(parent) == kMaxChildren && index.parent(r.position) == parent + 1),
          "reply neither listed nor naming its full parent");
    chain.push_back(r.position);
  }
}

void CheckSummary(const IndexView& index, const std::vector<ThreadReply>& replies, bool delete_visible) {
  const ThreadSummary sum = SummarizeThread(index, replies, delete_visible, RowDateFloor());
  int visible = 0;
  for (const ThreadReply& r : replies) visible += delete_visible || !index.deleted(r.position) ? 1 : 0;
  Check(sum.visible_replies == visible, "visible reply count wrong");
  double floor_days = 0;
  PostDateToDays(RowDateFloor(), &floor_days);
  Check(sum.newest_days >= floor_days, "newest date older than the floor");
  if (sum.newest != RowDateFloor()) {
    double days = 0;
    Check(PostDateToDays(sum.newest, &days) && days == sum.newest_days, "newest date is not a reply's readable date");
  }
}

}  // namespace
}  // namespace kiroq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kiroq;
  using namespace kiroq::fuzz;
  const std::string_view text = AsText(data, size);
  const std::size_t whole = size - size % kRecordSize;
  const std::string bytes(text.substr(0, whole));
  const std::string_view options = text.substr(whole);
  const uint8_t flags = options.size() > 0 ? static_cast<uint8_t>(options[0]) : 0;
  const int time_type = options.size() > 1 ? static_cast<uint8_t>(options[1]) % 11 : 0;

  const IndexView index(bytes);
  if (index.count() == 0) return 0;
  for (int p = 0; p < index.count(); ++p) CheckRecord(index, p);

  FakeEnv env;
  env.SetLocalTime(2024, 12, 5, 12, 0, 0);
  Settings s;
  s.delete_visible = flags & 1;
  s.tree_close = flags & 2;
  s.use_date = flags & 4;
  s.use_mail = flags & 8;
  s.title_click = flags & 16;
  s.num_click = flags & 32;
  s.japanese = flags & 64;
  s.time_color = flags & 128 ? 1 : 0;
  s.time_type = time_type;

  ThreadWalker walker(&index);  // one per page, as the board page keeps it
  {
    Output out(&env);
    Request req(&env, &out);
    req.board = "fz";
    req.page_size = 10;
    req.settings = s;
    req.labels = ChooseLabels(s.japanese, false, false);
    for (int top = 0; top < std::min(index.count(), kMaxWalks); ++top) {
      const std::vector<ThreadReply> replies = walker.Replies(top);
      CheckWalk(index, top, replies);
      CheckSummary(index, replies, s.delete_visible);
      if (index.parent(top) == 0) WriteThreadRows(req, index, top, replies);
    }
    Check(walker.Replies(index.count()).empty() && walker.Replies(-1).empty(), "walk from outside the index");
  }
  if (std::getenv("KIROQ_FUZZ_DUMP")) std::fwrite(env.stdout_data.data(), 1, env.stdout_data.size(), stderr);
  // The program's own markup never holds this; record text must be escaped.
  Check(env.stdout_data.find("<q7") == std::string::npos, "record text written unescaped");
  return 0;
}
