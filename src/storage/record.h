// The index record: 1267 bytes per article, little-endian, no padding.
//
//   offset size  field
//        0    1  deleted mark (0 visible, anything else deleted)
//        1   81  title          string[80]
//       82   41  name           string[40]
//      123  129  e-mail         string[128]
//      252   31  deletion pw    string[30]
//      283  129  home page      string[128]
//      412   31  post date      0xFF + 6 big-endian u16 (y m d h m s) + 18
//                               zero bytes; or legacy text as string[30]
//      443    4  body start     int32, offset of the body's first byte
//      447    4  body end       int32, offset of the body's last byte
//      451    4  parent number  int32, 1-based; 0 for a thread top
//      455  404  child list     int32 x 101, 0-based positions of replies
//      859    4  child count    int32
//      863   81  attachment     string[80]
//      944   11  sex            string[10]
//      955    6  age            string[5]
//      961   11  address        string[10]
//      972   31  address 2      string[30]
//     1003    6  spare          string[5]
//     1009  129  image address  string[128]
//     1138  129  poster host    string[128]
//
// A string[n] is one length byte and n bytes, of which the first length
// count; the rest is whatever the writer's buffer held.
#ifndef KIROQ_STORAGE_RECORD_H_
#define KIROQ_STORAGE_RECORD_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kiroq {

constexpr std::size_t kRecordSize = 1267;
constexpr int kMaxChildren = 101;

namespace record_layout {
constexpr std::size_t kDeleted = 0;
constexpr std::size_t kTitle = 1, kTitleCap = 80;
constexpr std::size_t kName = 82, kNameCap = 40;
constexpr std::size_t kEmail = 123, kEmailCap = 128;
constexpr std::size_t kPassword = 252, kPasswordCap = 30;
constexpr std::size_t kUrl = 283, kUrlCap = 128;
constexpr std::size_t kDate = 412, kDateSize = 31;
constexpr std::size_t kBodyStart = 443;
constexpr std::size_t kBodyEnd = 447;
constexpr std::size_t kParent = 451;
constexpr std::size_t kChildren = 455;
constexpr std::size_t kChildCount = 859;
constexpr std::size_t kAttachment = 863, kAttachmentCap = 80;
constexpr std::size_t kSex = 944, kSexCap = 10;
constexpr std::size_t kAge = 955, kAgeCap = 5;
constexpr std::size_t kAddress = 961, kAddressCap = 10;
constexpr std::size_t kAddress2 = 972, kAddress2Cap = 30;
constexpr std::size_t kSpare = 1003, kSpareCap = 5;
constexpr std::size_t kImageUrl = 1009, kImageUrlCap = 128;
constexpr std::size_t kHost = 1138, kHostCap = 128;
static_assert(kHost + 1 + kHostCap == kRecordSize, "record layout must add up to 1267 bytes");
}  // namespace record_layout

// The 31 bytes of the post date field as stored.
using DateField = std::array<uint8_t, record_layout::kDateSize>;

// Body offsets that hold a body worth showing: two bytes at least.
constexpr bool SpansBody(int32_t start, int32_t end) { return end > start; }

struct IndexRecord {
  uint8_t deleted = 0;
  std::string title, name, email, password, url;
  DateField date{};
  int32_t body_start = 0;
  int32_t body_end = 0;
  int32_t parent = 0;  // article number, 0 for a thread top
  std::array<int32_t, kMaxChildren> children{};
  int32_t child_count = 0;  // as stored; use ChildCount() to walk
  std::string attachment, sex, age, address, address2, spare, image_url, host;

  bool is_deleted() const { return deleted != 0; }
  // The stored child count, bounded to the list's capacity.
  int ChildCount() const;
  // True when the record points at a body of at least two bytes: every page
  // that shows, quotes or finds a body skips the others (the end offset is
  // the body's last byte, so a one-byte body is only its line break).
  bool HasBody() const { return SpansBody(body_start, body_end); }
};

// Writes rec into out (kRecordSize bytes). Strings longer than their field
// are cut to its capacity; unused bytes are zero.
void EncodeRecord(const IndexRecord& rec, char* out);
std::string EncodeRecord(const IndexRecord& rec);
// Reads a record from at least kRecordSize bytes (fewer throw
// std::out_of_range). Length bytes larger than their field are taken as the
// field's capacity.
void DecodeRecord(std::string_view bytes, IndexRecord* rec);

// In-place changes to a stored record's bytes, leaving every other byte as
// it was.
void ToggleDeletedMark(std::string* bytes);
void SetDeletedMark(std::string* bytes, bool deleted);
// Adds a child position to the list; false when the list is full.
bool AddChild(std::string* bytes, int32_t child_position);
void SetAttachmentName(std::string* bytes, std::string_view name);

// The post date value: 0xFF, then year, month, day, hour, minute and second
// as big-endian 16-bit numbers; the other 18 bytes are zero.
struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
DateField EncodePostDate(const DateTime& t);
// False when the field holds legacy text (first byte not 0xFF).
bool DecodePostDate(const DateField& field, DateTime* t);
// The legacy display text of a field whose first byte is not 0xFF.
std::string LegacyDateText(const DateField& field);

int32_t GetInt32(std::string_view bytes, std::size_t offset);
void PutInt32(char* p, int32_t v);

}  // namespace kiroq

#endif  // KIROQ_STORAGE_RECORD_H_
