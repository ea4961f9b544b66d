#include "board/limits.h"

#include <algorithm>
#include <memory>

#include "platform/env.h"
#include "storage/board_files.h"

namespace kiroq {

namespace {

constexpr std::string_view kFirstLine = "KIROQ LIMITS 1";
constexpr std::size_t kMaxHostBytes = 64;
constexpr int64_t kClockSlack = 60;

bool IsHostByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == ':' ||
         c == '_' || c == '-' || c == '/';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A whole decimal number of at most 18 digits.
bool ParseTime(std::string_view s, int64_t* out) {
  if (s.empty() || s.size() > 18) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = v;
  return true;
}

bool ParseHash(std::string_view s, uint64_t* out) {
  if (s.size() != 16) return false;
  uint64_t v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    v = v << 4 | static_cast<uint64_t>(d);
  }
  *out = v;
  return true;
}

std::string Hex16(uint64_t v) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = kDigits[v & 15];
  return s;
}

// The fields of one line, split at single blanks.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t blank = line.find(' ', start);
    out.push_back(line.substr(start, blank - start));
    if (blank == std::string_view::npos) return out;
    start = blank + 1;
  }
}

bool ParseEntry(std::string_view line, LimitsState::Entry* e) {
  const std::vector<std::string_view> f = Fields(line);
  if (f.size() < 3 || f[0].size() != 1) return false;
  e->kind = f[0][0];
  e->hash = 0;
  if (!ParseTime(f[1], &e->time)) return false;
  if (f[2].empty() || f[2].size() > kMaxHostBytes || !std::all_of(f[2].begin(), f[2].end(), IsHostByte)) return false;
  e->host = std::string(f[2]);
  if (e->kind == 'P' || e->kind == 'F') return f.size() == 4 && ParseHash(f[3], &e->hash);
  return e->kind == 'L' && f.size() == 3;
}

// Up to four hexadecimal digits.
bool ParseGroup(std::string_view s, uint16_t* out) {
  if (s.empty() || s.size() > 4) return false;
  unsigned v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    v = v * 16 + static_cast<unsigned>(d);
  }
  *out = static_cast<uint16_t>(v);
  return true;
}

bool ParseDotted(std::string_view s, uint16_t* high, uint16_t* low) {
  unsigned parts[4];
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t dot = i < 3 ? s.find('.', start) : s.size();
    if (dot == std::string_view::npos) return false;
    const std::string_view part = s.substr(start, dot - start);
    int64_t v = 0;
    if (part.size() > 3 || !ParseTime(part, &v) || v > 255) return false;
    parts[i] = static_cast<unsigned>(v);
    start = dot + 1;
  }
  *high = static_cast<uint16_t>(parts[0] << 8 | parts[1]);
  *low = static_cast<uint16_t>(parts[2] << 8 | parts[3]);
  return true;
}

// The groups of one side of "::"; a dotted IPv4 address may end the last.
bool ParseGroups(std::string_view s, bool last, std::vector<uint16_t>* out) {
  if (s.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = s.find(':', start);
    const std::string_view group = s.substr(start, colon - start);
    if (colon == std::string_view::npos && last && group.find('.') != std::string_view::npos) {
      uint16_t high = 0, low = 0;
      if (!ParseDotted(group, &high, &low)) return false;
      out->push_back(high);
      out->push_back(low);
      return true;
    }
    uint16_t v = 0;
    if (!ParseGroup(group, &v)) return false;
    out->push_back(v);
    if (colon == std::string_view::npos) return true;
    start = colon + 1;
  }
}

bool ParseIpv6(std::string_view s, uint16_t groups[8]) {
  const std::size_t zone = s.find('%');
  if (zone != std::string_view::npos) s = s.substr(0, zone);
  std::vector<uint16_t> head, tail;
  const std::size_t gap = s.find("::");
  if (gap == std::string_view::npos) {
    if (!ParseGroups(s, true, &head) || head.size() != 8) return false;
  } else {
    if (!ParseGroups(s.substr(0, gap), false, &head) || !ParseGroups(s.substr(gap + 2), true, &tail) ||
        head.size() + tail.size() > 7) {
      return false;
    }
  }
  std::fill(groups, groups + 8, uint16_t{0});
  std::copy(head.begin(), head.end(), groups);
  std::copy(tail.begin(), tail.end(), groups + 8 - tail.size());
  return true;
}

std::string GroupText(uint16_t v) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (int shift = 12; shift >= 0; shift -= 4) {
    const unsigned d = (v >> shift) & 15u;
    if (d != 0 || !s.empty() || shift == 0) s.push_back(kDigits[d]);
  }
  return s;
}

}  // namespace

LimitsState LimitsState::Parse(std::string_view bytes, int64_t now) {
  LimitsState state;
  if (bytes.size() > kMaxLimitsFileBytes) return state;
  std::size_t start = 0;
  bool first = true;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) return LimitsState();  // cut short
    const std::string_view line = bytes.substr(start, end - start);
    start = end + 1;
    if (first) {
      if (line != kFirstLine) return state;
      first = false;
      continue;
    }
    Entry e;
    if (!ParseEntry(line, &e)) return LimitsState();
    if (e.time <= now - kLimitsKeepSeconds || e.time > now + kClockSlack) continue;
    state.entries_.push_back(std::move(e));
  }
  return state;
}

std::string LimitsState::Serialize() const {
  std::string out(kFirstLine);
  out.push_back('\n');
  // Entries are oldest first: the oldest of each kind go, in the order of
  // kinds that matter least.
  std::vector<bool> dropped(entries_.size(), false);
  std::size_t excess = entries_.size() > kMaxLimitEntries ? entries_.size() - kMaxLimitEntries : 0;
  for (char kind : {'F', 'P', 'L'}) {
    for (std::size_t i = 0; i < entries_.size() && excess > 0; ++i) {
      if (entries_[i].kind != kind) continue;
      dropped[i] = true;
      --excess;
    }
  }
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (dropped[i]) continue;
    const Entry& e = entries_[i];
    out.push_back(e.kind);
    out += " " + std::to_string(e.time) + " " + e.host;
    if (e.kind == 'P' || e.kind == 'F') out += " " + Hex16(e.hash);
    out.push_back('\n');
  }
  return out;
}

int64_t LimitsState::LastPost(std::string_view host) const {
  int64_t last = -1;
  for (const Entry& e : entries_) {
    if (e.kind == 'P' && e.host == host) last = std::max(last, e.time);
  }
  return last;
}

bool LimitsState::Posted(std::string_view host, uint64_t hash, int64_t since) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return e.kind == 'P' && e.host == host && e.hash == hash && e.time >= since;
  });
}

void LimitsState::AddPost(std::string_view host, uint64_t hash, int64_t now) {
  entries_.push_back({'P', now, std::string(host), hash});
}

int64_t LimitsState::LockedUntil(std::string_view host, int64_t now) const {
  int64_t until = 0;
  for (const Entry& e : entries_) {
    if (e.kind == 'L' && e.host == host && e.time + kLockOutSeconds > now)
      until = std::max(until, e.time + kLockOutSeconds);
  }
  return until;
}

void LimitsState::RemovePost(std::string_view host, uint64_t hash, int64_t time) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->kind == 'P' && it->host == host && it->hash == hash && it->time == time) {
      entries_.erase(it);
      return;
    }
  }
}

bool LimitsState::AddWrongPassword(std::string_view host, uint64_t target, int64_t now) {
  int recent = 1;  // this one
  for (const Entry& e : entries_) {
    if (e.kind == 'F' && e.host == host && e.time > now - kWrongPasswordSeconds) ++recent;
  }
  entries_.push_back({'F', now, std::string(host), target});
  if (recent < kMaxWrongPasswords) return false;
  entries_.push_back({'L', now, std::string(host), 0});
  return true;
}

void LimitsState::TakeBackWrongPassword(std::string_view host, uint64_t target, int64_t time, bool locked) {
  auto erase_last = [&](char kind, uint64_t hash) {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (it->kind == kind && it->host == host && it->hash == hash && it->time == time) {
        entries_.erase(std::next(it).base());
        return;
      }
    }
  };
  erase_last('F', target);
  if (locked) erase_last('L', 0);
}

void LimitsState::ClearWrongPasswords(std::string_view host, uint64_t target) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [&](const Entry& e) { return e.kind == 'F' && e.host == host && e.hash == target; }),
                 entries_.end());
}

bool LimitsState::HasWrongPasswords(std::string_view host, uint64_t target) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const Entry& e) { return e.kind == 'F' && e.host == host && e.hash == target; });
}

std::string LimitsHost(std::string_view remote_addr) {
  if (remote_addr.find(':') != std::string_view::npos) {
    uint16_t g[8];
    if (ParseIpv6(remote_addr, g)) {
      const bool mapped = g[0] == 0 && g[1] == 0 && g[2] == 0 && g[3] == 0 && g[4] == 0 && g[5] == 0xffff;
      if (mapped) {
        return std::to_string(g[6] >> 8) + "." + std::to_string(g[6] & 255) + "." + std::to_string(g[7] >> 8) + "." +
               std::to_string(g[7] & 255);
      }
      return GroupText(g[0]) + ":" + GroupText(g[1]) + ":" + GroupText(g[2]) + ":" + GroupText(g[3]) + "::/64";
    }
  }
  std::string host;
  for (char c : remote_addr) {
    if (host.size() == kMaxHostBytes) break;
    host.push_back(IsHostByte(c) ? c : '_');
  }
  return host.empty() ? std::string("-") : host;
}

namespace {

constexpr uint64_t kFnvStart = 14695981039346656037ull;

uint64_t Fnv1a(uint64_t h, std::string_view text) {
  for (char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

uint64_t PostHash(std::string_view title, std::string_view body) {
  const uint64_t h = Fnv1a(Fnv1a(kFnvStart, WithoutTrailingBlanks(title)), std::string_view("\0", 1));
  return Fnv1a(h, WithoutTrailingBlanks(body));
}

uint64_t GuessTarget(std::string_view what) { return Fnv1a(kFnvStart, what); }

namespace {

// The state in an open file; empty when it is too large to be one.
LimitsState ReadOpen(File* file, int64_t now) {
  uint64_t size = 0;
  std::string bytes;
  if (!file->Size(&size).ok() || size > kMaxLimitsFileBytes ||
      !file->ReadAt(0, static_cast<std::size_t>(size), &bytes).ok()) {
    return LimitsState();
  }
  return LimitsState::Parse(bytes, now);
}

}  // namespace

bool UpdateLimits(Env* env, const std::string& path, const std::function<bool(LimitsState&, int64_t now)>& change) {
  std::unique_ptr<File> file;
  if (!OpenWithRetry(env, path, OpenMode::kCreate, kStandardRetry, &file).ok()) return false;
  // The clock is read under the lock, so that the times of concurrent
  // requests come in the order of their turns.
  const int64_t now = env->UnixTime();
  LimitsState state = ReadOpen(file.get(), now);
  if (!change(state, now)) return true;
  const std::string bytes = state.Serialize();
  if (file->WriteAt(0, bytes).ok()) file->Truncate(bytes.size());
  return true;
}

LimitsState ReadLimits(Env* env, const std::string& path) {
  std::unique_ptr<File> file;
  if (!OpenWithRetry(env, path, OpenMode::kReadShared, kStandardRetry, &file).ok()) return LimitsState();
  return ReadOpen(file.get(), env->UnixTime());
}

}  // namespace kiroq
