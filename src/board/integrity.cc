#include "board/integrity.h"

#include <algorithm>
#include <array>
#include <memory>

#include "board/dates.h"
#include "storage/article_store.h"
#include "storage/attachment_names.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace kiroq {

namespace L = record_layout;

bool RepairMends(FaultKind kind) {
  switch (kind) {
    case FaultKind::kPartialRecord:
    case FaultKind::kChildOutside:
    case FaultKind::kChildNotNewer:
    case FaultKind::kChildTwice:
    case FaultKind::kChildOfAnother:
    case FaultKind::kChildCycle:
    case FaultKind::kReplyMissing:
    case FaultKind::kCountOutside:
      return true;
    default:
      return false;
  }
}

namespace {

std::string Prefix(int64_t number) { return "article " + Itoa(number) + ": "; }

// Stored text for a report line: decoded from Shift-JIS, control bytes as
// \xHH, in quotes.
std::string Shown(std::string_view sjis) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : Cp932ToUtf8(sjis)) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '"' || c == '\\') {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// What an entry of a child list is.
enum class Entry { kAccepted, kOutside, kNotNewer, kTwice, kOfAnother };

FaultKind EntryFault(Entry e) {
  switch (e) {
    case Entry::kOutside:
      return FaultKind::kChildOutside;
    case Entry::kNotNewer:
      return FaultKind::kChildNotNewer;
    case Entry::kTwice:
      return FaultKind::kChildTwice;
    default:
      return FaultKind::kChildOfAnother;
  }
}

// A parent number that names an article older than the one at position.
bool ParentIsValid(int64_t parent, int position) { return parent >= 1 && parent <= position; }

// Walks the child lists, classifying each entry. One per pass: it stamps
// the entries of each list to find those listed twice.
class ListScanner {
 public:
  explicit ListScanner(const IndexView& index) : index_(index), stamps_(static_cast<std::size_t>(index.count()), 0) {}

  // Calls f(k, value, entry) for the entries 0 .. bounded count - 1 of p.
  template <typename F>
  void Scan(int p, F f) {
    ++stamp_;
    const int n = index_.child_count(p);
    for (int k = 0; k < n; ++k) {
      const int32_t c = index_.child(p, k);
      f(k, c, Classify(p, c));
    }
  }

 private:
  Entry Classify(int p, int32_t c) {
    if (c < 0 || c >= index_.count()) return Entry::kOutside;
    uint32_t& stamp = stamps_[static_cast<std::size_t>(c)];
    if (stamp == stamp_) return Entry::kTwice;
    stamp = stamp_;
    if (c <= p) return Entry::kNotNewer;
    const int64_t parent = index_.parent(c);
    if (parent == 0 || (ParentIsValid(parent, c) && parent != static_cast<int64_t>(p) + 1)) return Entry::kOfAnother;
    return Entry::kAccepted;
  }

  const IndexView& index_;
  std::vector<uint32_t> stamps_;
  uint32_t stamp_ = 0;
};

// "child entry K: what is wrong with it".
std::string EntryText(const IndexView& index, int k, int32_t c, Entry e) {
  const std::string entry = "child entry " + Itoa(k) + ": ";
  const std::string article = "article " + Itoa(int64_t{c} + 1);
  switch (e) {
    case Entry::kOutside:
      return entry + Itoa(c) + " is outside the board (0.." + Itoa(index.count() - 1) + ")";
    case Entry::kNotNewer:
      return entry + article + " is not newer";
    case Entry::kTwice:
      return entry + article + " is listed again";
    case Entry::kOfAnother: {
      const int32_t parent = index.parent(c);
      return entry + article + (parent == 0 ? " is a thread top" : " is a reply to article " + Itoa(parent));
    }
    default:
      return entry + article;
  }
}

// What the lists hold once the bad entries are dropped: how many entries
// each keeps, and which articles their own parent lists.
struct ListFacts {
  std::vector<int> kept;        // per position
  std::vector<bool> listed;     // per position: in its parent's list
  std::vector<bool> needs_fix;  // per position: an entry to drop or a count to set
};

ListFacts ScanLists(const IndexView& index, std::vector<IndexFault>* faults) {
  const int n = index.count();
  ListFacts facts{std::vector<int>(static_cast<std::size_t>(n), 0), std::vector<bool>(static_cast<std::size_t>(n)),
                  std::vector<bool>(static_cast<std::size_t>(n))};
  ListScanner scanner(index);
  for (int p = 0; p < n; ++p) {
    const std::size_t at = static_cast<std::size_t>(p);
    const int32_t stored = GetInt32(index.bytes(p), L::kChildCount);
    if (stored < 0 || stored > kMaxChildren) {
      facts.needs_fix[at] = true;
      if (faults) {
        faults->push_back({p + 1, FaultKind::kCountOutside,
                           Prefix(p + 1) + "child count " + Itoa(stored) + " is " +
                               (stored < 0 ? "below 0" : "over " + Itoa(kMaxChildren))});
      }
    }
    scanner.Scan(p, [&](int k, int32_t c, Entry e) {
      if (e == Entry::kAccepted) {
        ++facts.kept[at];
        if (index.parent(c) == static_cast<int64_t>(p) + 1) facts.listed[static_cast<std::size_t>(c)] = true;
        return;
      }
      facts.needs_fix[at] = true;
      if (faults) faults->push_back({p + 1, EntryFault(e), Prefix(p + 1) + EntryText(index, k, c, e)});
    });
  }
  return facts;
}

// Replies whose parent's list has room but does not hold them, per parent,
// in posting order.
std::vector<std::vector<int>> MissingReplies(const IndexView& index, const ListFacts& facts) {
  std::vector<std::vector<int>> missing(static_cast<std::size_t>(index.count()));
  for (int q = 0; q < index.count(); ++q) {
    const int64_t parent = index.parent(q);
    if (!ParentIsValid(parent, q) || facts.listed[static_cast<std::size_t>(q)]) continue;
    const std::size_t at = static_cast<std::size_t>(parent - 1);
    if (facts.kept[at] < kMaxChildren) missing[at].push_back(q);
  }
  return missing;
}

void CheckBody(const IndexView& index, int p, uint64_t log_size, std::vector<IndexFault>* faults,
               std::vector<std::array<int64_t, 3>>* ranges) {
  const int64_t start = GetInt32(index.bytes(p), L::kBodyStart);
  const int64_t end = GetInt32(index.bytes(p), L::kBodyEnd);
  const int64_t size = static_cast<int64_t>(log_size);
  const std::string offsets = Itoa(start) + ".." + Itoa(end);
  if (end < start - 1) {
    faults->push_back({p + 1, FaultKind::kBodyReversed, Prefix(p + 1) + "body offsets " + offsets + " are reversed"});
  } else if (start < 0 || end >= size) {
    faults->push_back({p + 1, FaultKind::kBodyOutside,
                       Prefix(p + 1) + "body " + offsets + " lies outside the log (" + Itoa(size) + " bytes)"});
  } else if (end >= start) {
    ranges->push_back({start, end, p});
  }
}

void CheckOverlaps(std::vector<std::array<int64_t, 3>>* ranges, std::vector<IndexFault>* faults) {
  std::sort(ranges->begin(), ranges->end());
  int64_t reach = -1, reach_article = 0;
  for (const auto& [start, end, p] : *ranges) {
    if (start <= reach) {
      faults->push_back({static_cast<int>(p + 1), FaultKind::kBodyOverlap,
                         Prefix(p + 1) + "body " + Itoa(start) + ".." + Itoa(end) + " overlaps the body of article " +
                             Itoa(reach_article)});
    }
    if (end > reach) {
      reach = end;
      reach_article = p + 1;
    }
  }
}

void CheckParent(const IndexView& index, int p, std::vector<IndexFault>* faults) {
  const int64_t parent = index.parent(p);
  if (parent == 0) return;
  if (parent < 0 || parent > index.count()) {
    faults->push_back(
        {p + 1, FaultKind::kParentOutside,
         Prefix(p + 1) + "parent number " + Itoa(parent) + " is outside the board (1.." + Itoa(index.count()) + ")"});
  } else if (parent > p) {
    faults->push_back({p + 1, FaultKind::kParentNotOlder,
                       Prefix(p + 1) + "parent number " + Itoa(parent) + " is not older than the article"});
  }
}

// Parent numbers that lead round: each article names at most one parent,
// so every cycle is found once, from its first article.
void CheckParentCycles(const IndexView& index, std::vector<IndexFault>* faults) {
  const int n = index.count();
  std::vector<int> state(static_cast<std::size_t>(n), -1);  // -1 new, -2 done, else the walk it is on
  std::vector<int> path;
  for (int start = 0; start < n; ++start) {
    path.clear();
    int p = start;
    while (p >= 0 && state[static_cast<std::size_t>(p)] == -1) {
      state[static_cast<std::size_t>(p)] = start;
      path.push_back(p);
      const int64_t parent = index.parent(p);
      p = parent >= 1 && parent <= n ? static_cast<int>(parent - 1) : -1;
    }
    if (p >= 0 && state[static_cast<std::size_t>(p)] == start) {
      const auto from = std::find(path.begin(), path.end(), p);
      const int length = static_cast<int>(path.end() - from);
      const int lowest = *std::min_element(from, path.end());
      faults->push_back({lowest + 1, FaultKind::kParentCycle,
                         Prefix(lowest + 1) + "parent numbers lead back to the article (a cycle of " + Itoa(length) +
                             (length == 1 ? " article)" : " articles)")});
    }
    for (int q : path) state[static_cast<std::size_t>(q)] = -2;
  }
}

// Child lists that lead round, found depth first: each entry that leads
// back to an article on the current walk is one line.
void CheckChildCycles(const IndexView& index, std::vector<IndexFault>* faults) {
  const int n = index.count();
  std::vector<int> depth(static_cast<std::size_t>(n), -1);  // on the walk: its depth; -2 done
  struct Frame {
    int p, k;
  };
  std::vector<Frame> stack;
  for (int root = 0; root < n; ++root) {
    if (depth[static_cast<std::size_t>(root)] != -1) continue;
    depth[static_cast<std::size_t>(root)] = 0;
    stack.push_back({root, 0});
    while (!stack.empty()) {
      Frame& f = stack.back();
      if (f.k >= index.child_count(f.p)) {
        depth[static_cast<std::size_t>(f.p)] = -2;
        stack.pop_back();
        continue;
      }
      const int k = f.k++;
      const int32_t c = index.child(f.p, k);
      if (c < 0 || c >= n) continue;
      const int d = depth[static_cast<std::size_t>(c)];
      if (d >= 0) {
        const int length = static_cast<int>(stack.size()) - d;
        faults->push_back({f.p + 1, FaultKind::kChildCycle,
                           Prefix(f.p + 1) + "child entry " + Itoa(k) + ": " +
                               (c == f.p ? std::string("the article lists itself")
                                         : "article " + Itoa(c + 1) + " leads back here (a cycle of " + Itoa(length) +
                                               " articles)")});
      } else if (d == -1) {
        depth[static_cast<std::size_t>(c)] = static_cast<int>(stack.size());
        stack.push_back({c, 0});
      }
    }
  }
}

void CheckDate(const IndexView& index, int p, std::vector<IndexFault>* faults) {
  const DateField date = index.date(p);
  double days = 0;
  if (PostDateToDays(date, &days)) return;
  DateTime t;
  if (DecodePostDate(date, &t)) {
    faults->push_back({p + 1, FaultKind::kDate,
                       Prefix(p + 1) + "date " + DateDisplayText(date, 0) + " is not a possible date and time"});
  } else {
    faults->push_back({p + 1, FaultKind::kDate,
                       Prefix(p + 1) + "date text " + Shown(LegacyDateText(date)) + " does not read as a date"});
  }
}

void CheckAttachment(const IndexView& index, int p, bool sjis, std::vector<IndexFault>* faults) {
  const std::string_view bytes = index.bytes(p);
  const std::size_t length = std::min<std::size_t>(static_cast<uint8_t>(bytes[L::kAttachment]), L::kAttachmentCap);
  const std::string_view name = bytes.substr(L::kAttachment + 1, length);
  if (name.empty() || IsStorableName(name, sjis)) return;
  faults->push_back(
      {p + 1, FaultKind::kAttachmentName, Prefix(p + 1) + "attachment name " + Shown(name) + " would be refused"});
}

}  // namespace

std::vector<IndexFault> CheckIndex(const IndexView& index, uint64_t tail_bytes, uint64_t log_size, bool sjis) {
  std::vector<IndexFault> faults;
  std::vector<std::array<int64_t, 3>> ranges;
  for (int p = 0; p < index.count(); ++p) {
    CheckBody(index, p, log_size, &faults, &ranges);
    CheckParent(index, p, &faults);
    CheckDate(index, p, &faults);
    CheckAttachment(index, p, sjis, &faults);
  }
  CheckOverlaps(&ranges, &faults);
  const ListFacts facts = ScanLists(index, &faults);
  const std::vector<std::vector<int>> missing = MissingReplies(index, facts);
  for (std::size_t parent = 0; parent < missing.size(); ++parent) {
    for (int q : missing[parent]) {
      faults.push_back(
          {q + 1, FaultKind::kReplyMissing,
           Prefix(q + 1) + "reply missing from the child list of its parent, article " + Itoa(parent + 1)});
    }
  }
  CheckParentCycles(index, &faults);
  CheckChildCycles(index, &faults);
  if (tail_bytes > 0) {
    faults.push_back({index.count() + 1, FaultKind::kPartialRecord,
                      Prefix(index.count() + 1) + "partial record of " + Itoa(static_cast<int64_t>(tail_bytes)) +
                          " bytes at the end of the index"});
  }
  std::stable_sort(faults.begin(), faults.end(),
                   [](const IndexFault& a, const IndexFault& b) { return a.number < b.number; });
  return faults;
}

std::vector<RecordRepair> PlanChildRepairs(const IndexView& index) {
  const ListFacts facts = ScanLists(index, nullptr);
  const std::vector<std::vector<int>> missing = MissingReplies(index, facts);
  std::vector<RecordRepair> repairs;
  ListScanner scanner(index);
  for (int p = 0; p < index.count(); ++p) {
    const std::size_t at = static_cast<std::size_t>(p);
    if (!facts.needs_fix[at] && missing[at].empty()) continue;
    RecordRepair r{p, std::string(index.bytes(p)), {}};
    const std::string who = Prefix(p + 1);
    std::vector<int32_t> kept;
    scanner.Scan(p, [&](int k, int32_t c, Entry e) {
      if (e == Entry::kAccepted) {
        kept.push_back(c);
      } else {
        r.changes.push_back(who + "dropped " + EntryText(index, k, c, e));
      }
    });
    // Missing replies go where posting order puts them, the oldest first
    // while the list has room; the kept entries keep their order.
    const std::size_t room = static_cast<std::size_t>(kMaxChildren) - kept.size();
    std::vector<int32_t> linked(missing[at].begin(), missing[at].begin() + std::min(room, missing[at].size()));
    for (int32_t q : linked) r.changes.push_back(who + "linked reply " + Itoa(int64_t{q} + 1));
    std::vector<int32_t> list;
    std::size_t i = 0, j = 0;
    while (i < kept.size() || j < linked.size()) {
      const bool take_linked = j < linked.size() && (i == kept.size() || linked[j] < kept[i]);
      list.push_back(take_linked ? linked[j++] : kept[i++]);
    }
    const int32_t stored = GetInt32(r.bytes, L::kChildCount);
    const int32_t count = static_cast<int32_t>(list.size());
    if (stored != count) r.changes.push_back(who + "child count " + Itoa(stored) + " set to " + Itoa(count));
    const int old_slots = index.child_count(p);
    for (int k = 0; k < std::max(old_slots, count); ++k) {
      PutInt32(r.bytes.data() + L::kChildren + 4 * static_cast<std::size_t>(k), k < count ? list[k] : 0);
    }
    PutInt32(r.bytes.data() + L::kChildCount, count);
    if (r.bytes != index.bytes(p)) repairs.push_back(std::move(r));
  }
  return repairs;
}

namespace {

// The index's size, the log's size and, through view, the whole records.
Status ReadSizes(File* index, File* log, std::string_view* view, uint64_t* index_size, uint64_t* log_size) {
  Status s = index->Size(index_size);
  if (s.ok()) s = log->Size(log_size);
  if (s.ok()) s = MapWholeRecords(index, view);
  return s;
}

// The copies a repair leaves are new files under names nobody else had:
// path, or path with "-2", "-3" ... when a name is taken (a second repair in
// the same second, or a name planted beforehand, a symbolic link included).
// A name taken is never written through; any other failure gives up.
constexpr int kMaxCopyNames = 100;

// Copies from[offset..end) into a new file at path or the first free name
// after it (*name receives the one taken).
Status CopyToNewFile(Env* env, File* from, uint64_t offset, uint64_t end, const std::string& path, std::string* name) {
  std::unique_ptr<File> to;
  Status s = Status::Exists(path);
  for (int i = 1; s.IsExists() && i <= kMaxCopyNames; ++i) {
    *name = i == 1 ? path : path + "-" + Itoa(i);
    s = env->Open(*name, OpenMode::kCreateNew, &to);
  }
  if (!s.ok()) return s;
  constexpr std::size_t kBlock = 1 << 20;
  std::string block;
  for (uint64_t at = offset; s.ok() && at < end; at += kBlock) {
    s = from->ReadAt(at, static_cast<std::size_t>(std::min<uint64_t>(kBlock, end - at)), &block);
    if (s.ok() && block.empty()) s = Status::IOError("the index ended while it was copied");
    if (s.ok()) s = to->WriteAt(at - offset, block);
  }
  return s;
}

}  // namespace

Status CheckBoardFiles(Env* env, const BoardFiles& files, bool sjis, std::vector<IndexFault>* faults) {
  std::unique_ptr<File> index, log;
  Status s = OpenWithRetry(env, files.Index(), OpenMode::kReadShared, kStandardRetry, &index);
  if (s.ok()) s = OpenWithRetry(env, files.Log(), OpenMode::kReadShared, kStandardRetry, &log);
  std::string_view view;
  uint64_t index_size = 0, log_size = 0;
  if (s.ok()) s = ReadSizes(index.get(), log.get(), &view, &index_size, &log_size);
  if (!s.ok()) return s;
  // The log is only measured: let posting go on.
  log.reset();
  *faults = CheckIndex(IndexView(view), index_size % kRecordSize, log_size, sjis);
  return Status::OK();
}

Status RepairBoardFiles(Env* env, const BoardFiles& files, const std::string& stamp,
                        std::vector<std::string>* changes) {
  changes->clear();
  std::unique_ptr<File> index;
  Status s = OpenWithRetry(env, files.Index(), OpenMode::kWriteExclusive, kStandardRetry, &index);
  uint64_t size = 0;
  std::string_view view;
  if (s.ok()) s = index->Size(&size);
  if (s.ok()) s = MapWholeRecords(index.get(), &view);
  if (!s.ok()) return s;
  const uint64_t whole = size - size % kRecordSize;
  const std::vector<RecordRepair> repairs = PlanChildRepairs(IndexView(view));
  if (repairs.empty() && whole == size) return Status::OK();

  std::string backup;
  s = CopyToNewFile(env, index.get(), 0, size, files.Index() + "." + stamp + ".bak", &backup);
  if (!s.ok()) return Status::IOError("could not write the copy " + backup + ": " + s.ToString());
  changes->push_back("copied the index to " + backup);
  if (whole != size) {
    std::string tail;
    s = CopyToNewFile(env, index.get(), whole, size, files.Index() + "." + stamp + ".tail", &tail);
    if (!s.ok()) return Status::IOError("could not write the copy " + tail + ": " + s.ToString());
    s = index->Truncate(whole);
    if (!s.ok()) return s;
    changes->push_back(Prefix(static_cast<int64_t>(whole / kRecordSize) + 1) + "moved the partial record of " +
                       Itoa(static_cast<int64_t>(size - whole)) + " bytes to " + tail);
  }
  for (const RecordRepair& r : repairs) {
    s = WriteRecordBytes(index.get(), r.position, r.bytes);
    if (!s.ok()) return s;
    changes->insert(changes->end(), r.changes.begin(), r.changes.end());
  }
  return Status::OK();
}

std::string UtcStamp(int64_t unix_time) {
  std::string stamp;
  for (char c : UtcIsoTime(unix_time)) {
    if (c != '-' && c != ':') stamp.push_back(c);
  }
  return stamp + "Z";
}

}  // namespace kiroq
