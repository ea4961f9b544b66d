#include "storage/record.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "board_fixture.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

namespace L = record_layout;

std::string Bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(static_cast<char>(b));
  return s;
}

TEST(RecordCodec, EveryFieldAtItsOffset) {
  IndexRecord r;
  r.deleted = 1;
  r.title = "T";
  r.name = "N";
  r.email = "E";
  r.password = "P";
  r.url = "U";
  r.date = EncodePostDate({2000, 12, 31, 23, 59, 59});
  r.body_start = 0x01020304;
  r.body_end = -2;
  r.parent = 7;
  r.children[0] = 5;
  r.children[100] = 9;
  r.child_count = 2;
  r.attachment = "a.txt";
  r.sex = "S";
  r.age = "A";
  r.address = "D";
  r.address2 = "2";
  r.spare = "x";
  r.image_url = "I";
  r.host = "H";
  std::string b = EncodeRecord(r);
  ASSERT_EQ(b.size(), 1267u);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b.substr(1, 2), Bytes({1, 'T'}));
  EXPECT_EQ(b.substr(82, 2), Bytes({1, 'N'}));
  EXPECT_EQ(b.substr(123, 2), Bytes({1, 'E'}));
  EXPECT_EQ(b.substr(252, 2), Bytes({1, 'P'}));
  EXPECT_EQ(b.substr(283, 2), Bytes({1, 'U'}));
  EXPECT_EQ(b.substr(412, 13), Bytes({0xFF, 0x07, 0xD0, 0x00, 0x0C, 0x00, 0x1F, 0x00, 0x17, 0x00, 0x3B, 0x00, 0x3B}));
  EXPECT_EQ(b.substr(425, 18), std::string(18, '\0'));
  EXPECT_EQ(b.substr(443, 4), Bytes({0x04, 0x03, 0x02, 0x01}));
  EXPECT_EQ(b.substr(447, 4), Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(b.substr(451, 4), Bytes({7, 0, 0, 0}));
  EXPECT_EQ(b.substr(455, 4), Bytes({5, 0, 0, 0}));
  EXPECT_EQ(b.substr(455 + 400, 4), Bytes({9, 0, 0, 0}));
  EXPECT_EQ(b.substr(859, 4), Bytes({2, 0, 0, 0}));
  EXPECT_EQ(b.substr(863, 6), Bytes({5, 'a', '.', 't', 'x', 't'}));
  EXPECT_EQ(b.substr(944, 2), Bytes({1, 'S'}));
  EXPECT_EQ(b.substr(955, 2), Bytes({1, 'A'}));
  EXPECT_EQ(b.substr(961, 2), Bytes({1, 'D'}));
  EXPECT_EQ(b.substr(972, 2), Bytes({1, '2'}));
  EXPECT_EQ(b.substr(1003, 2), Bytes({1, 'x'}));
  EXPECT_EQ(b.substr(1009, 2), Bytes({1, 'I'}));
  EXPECT_EQ(b.substr(1138, 2), Bytes({1, 'H'}));

  IndexRecord back;
  DecodeRecord(b, &back);
  EXPECT_EQ(EncodeRecord(back), b);
  DateTime t;
  ASSERT_TRUE(DecodePostDate(back.date, &t));
  EXPECT_EQ(t.year, 2000);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 31);
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 59);
}

TEST(RecordCodec, StringsAreCutToTheirField) {
  IndexRecord r;
  r.age = "Secret";
  r.title = std::string(100, 'x');
  IndexRecord back;
  DecodeRecord(EncodeRecord(r), &back);
  EXPECT_EQ(back.age, "Secre");
  EXPECT_EQ(back.title, std::string(80, 'x'));
}

TEST(RecordCodec, JapaneseDefaultsFitTheirFields) {
  IndexRecord r;
  r.age = std::string("内緒"_sj);
  IndexRecord back;
  DecodeRecord(EncodeRecord(r), &back);
  EXPECT_EQ(back.age, "内緒"_sj);
}

TEST(RecordCodec, CorruptLengthsAndCountsStayInsideTheRecord) {
  std::string b(1267, '\0');
  b[L::kName] = static_cast<char>(200);  // longer than the 40-byte field
  PutInt32(b.data() + L::kChildCount, 5000);
  IndexRecord r;
  DecodeRecord(b, &r);
  EXPECT_EQ(r.name.size(), 40u);
  EXPECT_EQ(r.ChildCount(), kMaxChildren);
  PutInt32(b.data() + L::kChildCount, -3);
  DecodeRecord(b, &r);
  EXPECT_EQ(r.ChildCount(), 0);
  // Every field is read from the record's own bytes: a cut record is refused.
  EXPECT_THROW(DecodeRecord(std::string_view(b).substr(0, kRecordSize - 1), &r), std::out_of_range);
}

TEST(RecordCodec, LegacyTextDates) {
  DateField f{};
  std::string text = "1999/12/31 23:59:59";
  f[0] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), f.begin() + 1);
  DateTime t;
  EXPECT_FALSE(DecodePostDate(f, &t));
  EXPECT_EQ(LegacyDateText(f), text);
}

TEST(RecordEdits, LeaveOtherBytesAlone) {
  std::string b(1267, '\x5A');  // bytes a writer's buffer may have held
  PutInt32(b.data() + L::kChildCount, 1);
  std::string before = b;
  ToggleDeletedMark(&b);
  EXPECT_EQ(b[0], '\x5A' ^ 1);
  ToggleDeletedMark(&b);
  EXPECT_EQ(b, before);
  ASSERT_TRUE(AddChild(&b, 42));
  EXPECT_EQ(GetInt32(b, L::kChildren + 4), 42);
  EXPECT_EQ(GetInt32(b, L::kChildCount), 2);
  EXPECT_EQ(b.substr(L::kChildren, 4), before.substr(L::kChildren, 4));
  PutInt32(b.data() + L::kChildCount, kMaxChildren);
  EXPECT_FALSE(AddChild(&b, 43));
}

// The board of seven articles: a reply to article 1 becomes article 8.
TEST(ArticleStore, ReplyLinksIntoItsParent) {
  BoardFixture board;
  for (int i = 0; i < 7; ++i) board.AddArticle(SampleRecord("t" + std::to_string(i + 1)), "body");
  int pos = board.AddArticle(SampleRecord("Re:01 t1", "x", 1), "reply");
  EXPECT_EQ(pos, 7);
  EXPECT_EQ(board.Count(), 8);
  IndexRecord parent = board.Record(0);
  EXPECT_EQ(parent.child_count, 1);
  EXPECT_EQ(parent.children[0], 7);
  IndexRecord reply = board.Record(7);
  EXPECT_EQ(reply.parent, 1);
  EXPECT_EQ(reply.title, "Re:01 t1");
}

TEST(ArticleStore, BodiesFollowEachOtherInTheLog) {
  BoardFixture board;
  board.AddArticle(SampleRecord("a"), "hello");
  board.AddArticle(SampleRecord("b"), "xy\r\nz");
  EXPECT_EQ(board.Record(0).body_start, 0);
  EXPECT_EQ(board.Record(0).body_end, 4);
  EXPECT_EQ(board.Record(1).body_start, 5);
  EXPECT_EQ(board.Record(1).body_end, 9);
  EXPECT_EQ(board.LogBytes(), "helloxy\r\nz");

  BoardFiles files(board.dir().path(), board.board());
  std::unique_ptr<File> log;
  ASSERT_TRUE(PosixEnv()->Open(files.Log(), OpenMode::kReadShared, &log).ok());
  std::string body;
  ASSERT_TRUE(ReadBody(log.get(), board.Record(1), &body).ok());
  EXPECT_EQ(body, "xy\r\nz");
  IndexRecord outside = board.Record(1);
  outside.body_end = 1000;
  ASSERT_TRUE(ReadBody(log.get(), outside, &body).ok());
  EXPECT_EQ(body, "");
}

TEST(ArticleStore, ReplyWhoseWriterStoppedIsLinkedByTheNextAppend) {
  BoardFixture board;
  board.AddArticle(SampleRecord("top"), "1");
  // A reply written without its parent link, as a writer killed in between
  // leaves it.
  IndexRecord reply = SampleRecord("Re:01 top", "r", 1);
  board.dir().Write("bbsdb/test.idx", board.IndexBytes() + EncodeRecord(reply));
  EXPECT_EQ(board.Record(0).child_count, 0);
  board.AddArticle(SampleRecord("next"), "3");
  IndexRecord top = board.Record(0);
  ASSERT_EQ(top.child_count, 1);
  EXPECT_EQ(top.children[0], 1);
  // Appending again does not link it twice.
  board.AddArticle(SampleRecord("Re:02", "r", 2), "4");
  board.AddArticle(SampleRecord("more"), "5");
  EXPECT_EQ(board.Record(0).child_count, 1);
  EXPECT_EQ(board.Record(1).child_count, 1);
}

TEST(ArticleStore, PartialLastRecordIsOverwrittenNotShifted) {
  BoardFixture board;
  board.AddArticle(SampleRecord("one"), "1");
  board.dir().Write("bbsdb/test.idx", board.IndexBytes() + std::string(10, '\x01'));
  EXPECT_EQ(board.Count(), 1);
  board.AddArticle(SampleRecord("two"), "2");
  EXPECT_EQ(board.IndexBytes().size(), 2 * kRecordSize);
  EXPECT_EQ(board.Record(1).title, "two");
}

TEST(ArticleStore, ParentOutOfRangeIsAThreadTop) {
  BoardFixture board;
  board.AddArticle(SampleRecord("one"), "1");
  board.AddArticle(SampleRecord("orphan", "x", 9), "2");
  board.AddArticle(SampleRecord("orphan", "x", -1), "3");
  EXPECT_EQ(board.Record(0).child_count, 0);
  EXPECT_EQ(board.Record(1).parent, 0);
  EXPECT_EQ(board.Record(2).parent, 0);
  EXPECT_EQ(board.Count(), 3);
}

TEST(ArticleStore, ToggleFlipsOnlyTheMark) {
  BoardFixture board;
  board.AddArticle(SampleRecord("one"), "1");
  std::string before = board.IndexBytes();
  BoardFiles files(board.dir().path(), board.board());
  std::unique_ptr<File> index;
  ASSERT_TRUE(PosixEnv()->Open(files.Index(), OpenMode::kWriteExclusive, &index).ok());
  ASSERT_TRUE(ToggleDeleted(index.get(), 0).ok());
  EXPECT_FALSE(ToggleDeleted(index.get(), 1).ok());
  index.reset();
  std::string after = board.IndexBytes();
  EXPECT_EQ(after[0], 1);
  EXPECT_EQ(after.substr(1), before.substr(1));
}

}  // namespace
}  // namespace kiroq
