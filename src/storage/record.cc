#include "storage/record.h"

#include <cstring>
#include <stdexcept>

namespace kiroq {

namespace L = record_layout;

namespace {

void PutString(char* out, std::size_t offset, std::size_t cap, std::string_view s) {
  std::size_t n = s.size() < cap ? s.size() : cap;
  out[offset] = static_cast<char>(n);
  std::memcpy(out + offset + 1, s.data(), n);
}

// Little-endian, byte by byte (one load once compiled).
int32_t LoadInt32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<int32_t>(uint32_t{u[0]} | uint32_t{u[1]} << 8 | uint32_t{u[2]} << 16 | uint32_t{u[3]} << 24);
}

// The length byte, bounded by the field's capacity, then the text.
void LoadString(const char* record, std::size_t offset, std::size_t cap, std::string* out) {
  std::size_t n = static_cast<uint8_t>(record[offset]);
  if (n > cap) n = cap;
  out->assign(record + offset + 1, n);
}

}  // namespace

int32_t GetInt32(std::string_view bytes, std::size_t offset) { return LoadInt32(bytes.data() + offset); }

void PutInt32(char* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

int IndexRecord::ChildCount() const {
  if (child_count < 0) return 0;
  return child_count > kMaxChildren ? kMaxChildren : child_count;
}

void EncodeRecord(const IndexRecord& r, char* out) {
  std::memset(out, 0, kRecordSize);
  out[L::kDeleted] = static_cast<char>(r.deleted);
  PutString(out, L::kTitle, L::kTitleCap, r.title);
  PutString(out, L::kName, L::kNameCap, r.name);
  PutString(out, L::kEmail, L::kEmailCap, r.email);
  PutString(out, L::kPassword, L::kPasswordCap, r.password);
  PutString(out, L::kUrl, L::kUrlCap, r.url);
  std::memcpy(out + L::kDate, r.date.data(), r.date.size());
  PutInt32(out + L::kBodyStart, r.body_start);
  PutInt32(out + L::kBodyEnd, r.body_end);
  PutInt32(out + L::kParent, r.parent);
  for (int i = 0; i < kMaxChildren; ++i) PutInt32(out + L::kChildren + 4 * i, r.children[i]);
  PutInt32(out + L::kChildCount, r.child_count);
  PutString(out, L::kAttachment, L::kAttachmentCap, r.attachment);
  PutString(out, L::kSex, L::kSexCap, r.sex);
  PutString(out, L::kAge, L::kAgeCap, r.age);
  PutString(out, L::kAddress, L::kAddressCap, r.address);
  PutString(out, L::kAddress2, L::kAddress2Cap, r.address2);
  PutString(out, L::kSpare, L::kSpareCap, r.spare);
  PutString(out, L::kImageUrl, L::kImageUrlCap, r.image_url);
  PutString(out, L::kHost, L::kHostCap, r.host);
}

std::string EncodeRecord(const IndexRecord& rec) {
  std::string out(kRecordSize, '\0');
  EncodeRecord(rec, out.data());
  return out;
}

// Pages decode every record they show: no bounds checks beyond the one
// length, loads of whole words.
void DecodeRecord(std::string_view bytes, IndexRecord* r) {
  if (bytes.size() < kRecordSize) throw std::out_of_range("DecodeRecord: short record");
  const char* b = bytes.data();
  r->deleted = static_cast<uint8_t>(b[L::kDeleted]);
  LoadString(b, L::kTitle, L::kTitleCap, &r->title);
  LoadString(b, L::kName, L::kNameCap, &r->name);
  LoadString(b, L::kEmail, L::kEmailCap, &r->email);
  LoadString(b, L::kPassword, L::kPasswordCap, &r->password);
  LoadString(b, L::kUrl, L::kUrlCap, &r->url);
  std::memcpy(r->date.data(), b + L::kDate, r->date.size());
  r->body_start = LoadInt32(b + L::kBodyStart);
  r->body_end = LoadInt32(b + L::kBodyEnd);
  r->parent = LoadInt32(b + L::kParent);
  for (int i = 0; i < kMaxChildren; ++i) r->children[static_cast<std::size_t>(i)] = LoadInt32(b + L::kChildren + 4 * i);
  r->child_count = LoadInt32(b + L::kChildCount);
  LoadString(b, L::kAttachment, L::kAttachmentCap, &r->attachment);
  LoadString(b, L::kSex, L::kSexCap, &r->sex);
  LoadString(b, L::kAge, L::kAgeCap, &r->age);
  LoadString(b, L::kAddress, L::kAddressCap, &r->address);
  LoadString(b, L::kAddress2, L::kAddress2Cap, &r->address2);
  LoadString(b, L::kSpare, L::kSpareCap, &r->spare);
  LoadString(b, L::kImageUrl, L::kImageUrlCap, &r->image_url);
  LoadString(b, L::kHost, L::kHostCap, &r->host);
}

DateField EncodePostDate(const DateTime& t) {
  DateField f{};
  f[0] = 0xFF;
  const int parts[6] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
  for (int i = 0; i < 6; ++i) {
    f[1 + 2 * i] = static_cast<uint8_t>((parts[i] >> 8) & 0xFF);
    f[2 + 2 * i] = static_cast<uint8_t>(parts[i] & 0xFF);
  }
  return f;
}

bool DecodePostDate(const DateField& f, DateTime* t) {
  if (f[0] != 0xFF) return false;
  int parts[6];
  for (int i = 0; i < 6; ++i) parts[i] = (f[1 + 2 * i] << 8) | f[2 + 2 * i];
  t->year = parts[0];
  t->month = parts[1];
  t->day = parts[2];
  t->hour = parts[3];
  t->minute = parts[4];
  t->second = parts[5];
  return true;
}

std::string LegacyDateText(const DateField& f) {
  std::size_t n = f[0];
  if (n > f.size() - 1) n = f.size() - 1;
  return std::string(reinterpret_cast<const char*>(f.data()) + 1, n);
}

void ToggleDeletedMark(std::string* bytes) { (*bytes)[L::kDeleted] ^= 1; }

void SetDeletedMark(std::string* bytes, bool deleted) { (*bytes)[L::kDeleted] = deleted ? 1 : 0; }

bool AddChild(std::string* bytes, int32_t child_position) {
  int32_t count = GetInt32(*bytes, L::kChildCount);
  if (count < 0 || count >= kMaxChildren) return false;
  PutInt32(bytes->data() + L::kChildren + 4 * count, child_position);
  PutInt32(bytes->data() + L::kChildCount, count + 1);
  return true;
}

void SetAttachmentName(std::string* bytes, std::string_view name) {
  std::size_t n = name.size() < L::kAttachmentCap ? name.size() : L::kAttachmentCap;
  (*bytes)[L::kAttachment] = static_cast<char>(n);
  std::memcpy(bytes->data() + L::kAttachment + 1, name.data(), n);
}

}  // namespace kiroq
