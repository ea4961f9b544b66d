// Attaching files to articles and downloading them, whole requests with
// multipart bodies as browsers send them.
#include "pages/attachments.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "app/run.h"
#include "board_fixture.h"
#include "cgi/client.h"
#include "process_runner.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const char kHeader[] =
    "Content-Type: Text/html\r\npragma: no-cache\r\n\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" NAME=\"\" CONTENT=\"text/html; charset=x-sjis\">\r\n";
const char kBoundary[] = "----WebKitFormBoundary7MA4YWxkTrZu0gW";

// File bytes that look like the body's own syntax.
const std::string kPhoto =
    std::string("\xFF\xD8\0\r\n--\r\n", 8) + "------WebKitFormBoundary" + std::string("\0\x5C end", 6);

// The body Chromium sends for the upload form: the password, then the file.
std::string UploadBody(const std::string& password, const std::string& file_name, const std::string& data,
                       const std::string& content_type = "image/jpeg") {
  std::string b = std::string("--") + kBoundary + "\r\n";
  b += "Content-Disposition: form-data; name=\"UPPASSWORD\"\r\n\r\n" + password + "\r\n";
  b += std::string("--") + kBoundary + "\r\n";
  b += "Content-Disposition: form-data; name=\"UPLOADFILE\"; filename=\"" + file_name + "\"\r\n";
  b += "Content-Type: " + content_type + "\r\n\r\n";
  b += data + "\r\n";
  b += std::string("--") + kBoundary + "--\r\n";
  return b;
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.insert(e.path().filename().string());
  return names;
}

class AttachmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    board_.Settings({"JAPANESE=1", "FILEUPLOAD=1"});
    board_.env().vars["SERVER_NAME"] = "bbs.example.jp";
    board_.env().vars["SCRIPT_NAME"] = "/cgi-bin/kiroq.exe";
    for (int n = 1; n <= 7; ++n) {
      IndexRecord r = SampleRecord("t" + std::to_string(n));
      r.password = n == 5 ? "" : "pw";
      board_.AddArticle(r, "body");
    }
  }

  std::string Upload(int number, const std::string& password, const std::string& file_name,
                     const std::string& data = kPhoto) {
    return UploadRaw(number, UploadBody(password, file_name, data));
  }
  std::string UploadRaw(int number, const std::string& body) {
    FakeEnv& env = board_.env();
    env.SetStdin(body);
    env.vars["CONTENT_LENGTH"] = std::to_string(body.size());
    env.vars["CONTENT_TYPE"] = std::string("multipart/form-data; boundary=") + kBoundary;
    std::string out = board_.Run({"cafe", "10", std::to_string(number), "21"});
    env.vars.erase("CONTENT_LENGTH");
    env.vars.erase("CONTENT_TYPE");
    env.SetStdin("");
    return out;
  }
  std::string Path(const std::string& relative) { return board_.dir().path() + relative; }

  BoardFixture board_{"cafe"};
};

const std::string kBack = "[<A HREF=\"kiroq.exe?cafe+10+7+3\">" + std::string("掲示板に戻る"_sj) + "</A>]";

TEST_F(AttachmentTest, UploadIsStoredInTheArticlesFolderWithoutClientPath) {
  std::string out = Upload(7, "pw", "C:\\My Documents\\photo.jpg");
  EXPECT_EQ(out, std::string(kHeader) + std::string("ファイルの保存が完了しました\r\n"_sj) + kBack);
  EXPECT_EQ(board_.dir().Read("bbsdb/cafe/7/photo.jpg"), kPhoto);
  EXPECT_EQ(board_.Record(6).attachment, "photo.jpg");
  // Nothing else in the folder: the temporary file became the attachment.
  EXPECT_EQ(FilesIn(Path("bbsdb/cafe/7")), std::set<std::string>{"photo.jpg"});

  // A second file replaces the first: the record names it, and the file it
  // replaced is gone.
  Upload(7, "pw", "/home/u/notes.txt", "v1");
  EXPECT_EQ(board_.Record(6).attachment, "notes.txt");
  EXPECT_EQ(FilesIn(Path("bbsdb/cafe/7")), (std::set<std::string>{"notes.txt"}));
  // The same name again replaces the file whole.
  Upload(7, "pw", "notes.txt", "v2");
  EXPECT_EQ(board_.dir().Read("bbsdb/cafe/7/notes.txt"), "v2");
}

TEST_F(AttachmentTest, ShiftJisNamesKeepTheirSecondBytes) {
  // ソ, 表 and 能 all end in 0x5C, the byte of "\".
  Upload(1, "pw", std::string("C:\\ソ表\\能表.txt"_sj));
  const std::string name = std::string("能表.txt"_sj);
  EXPECT_EQ(board_.Record(0).attachment, name);
  EXPECT_EQ(board_.dir().Read("bbsdb/cafe/1/" + name), kPhoto);

  board_.Get(10, 1, 22);
  EXPECT_EQ(board_.env().stdout_data, "Location: http://bbs.example.jp/cgi-bin/bbsdb/cafe/1/%94%5C%95%5C.txt\r\n\r\n");
}

TEST_F(AttachmentTest, ClientPathsNeverLeaveTheArticlesFolder) {
  Upload(1, "pw", "..\\..\\x");
  Upload(2, "pw", "../../y");
  Upload(3, "pw", "a%2F..%2Fz");
  EXPECT_EQ(board_.Record(0).attachment, "x");
  EXPECT_EQ(board_.Record(1).attachment, "y");
  EXPECT_EQ(board_.Record(2).attachment, "a%2F..%2Fz");  // just a name
  EXPECT_TRUE(board_.dir().Exists("bbsdb/cafe/1/x"));
  EXPECT_TRUE(board_.dir().Exists("bbsdb/cafe/2/y"));
  EXPECT_TRUE(board_.dir().Exists("bbsdb/cafe/3/a%2F..%2Fz"));
  // The limits file counts the password checks.
  EXPECT_EQ(FilesIn(Path("bbsdb")), (std::set<std::string>{"cafe", "cafe.idx", "cafe.lim", "cafe.log"}));

  // Names that are no file name, or would hide in the folder, are refused.
  const std::string failed = std::string("<FONT COLOR=\"RED\">ファイルの保存に失敗しました。</FONT>\r\n"_sj);
  for (const std::string& bad : {std::string("C:\\dir\\.."), std::string("."), std::string("x\\"),
                                 std::string(".htaccess"), std::string("a\tb"), std::string("")}) {
    std::string out = Upload(4, "pw", bad);
    EXPECT_NE(out.find(failed), std::string::npos) << bad;
    EXPECT_EQ(board_.Record(3).attachment, "") << bad;
  }
  EXPECT_TRUE(FilesIn(Path("bbsdb/cafe/4")).empty());

  // A name is refused rather than cut to the record's 80 bytes.
  std::string longest = std::string(76, 'n') + ".txt";
  EXPECT_NE(Upload(4, "pw", "x" + longest).find(failed), std::string::npos);
  EXPECT_TRUE(FilesIn(Path("bbsdb/cafe/4")).empty());
  Upload(4, "pw", longest);
  EXPECT_EQ(board_.Record(3).attachment, longest);
}

TEST_F(AttachmentTest, PasswordMustMatchAStoredOne) {
  const std::string refused = std::string("パスワードが違います。ファイルの添付を行うことが出来ません。\r\n"_sj);
  EXPECT_EQ(Upload(7, "PW", "a.txt"), kHeader + refused + kBack);
  // Article 5 was stored without a password: an empty one does not open it.
  EXPECT_NE(Upload(5, "", "a.txt").find(refused), std::string::npos);
  // No such article.
  EXPECT_NE(Upload(9, "pw", "a.txt").find(refused), std::string::npos);
  EXPECT_FALSE(board_.dir().Exists("bbsdb/cafe/7"));
  EXPECT_FALSE(board_.dir().Exists("bbsdb/cafe/5"));
  EXPECT_EQ(board_.Record(6).attachment, "");
}

TEST_F(AttachmentTest, UploadWithoutAFileChangesNothing) {
  std::string before = board_.IndexBytes();
  // Chromium sends an empty file name when no file was chosen.
  std::string out = UploadRaw(7, UploadBody("pw", "", "", "application/octet-stream"));
  EXPECT_EQ(out, kHeader + std::string("<FONT COLOR=\"RED\">ファイルの保存に失敗しました。</FONT>\r\n"_sj) + kBack);
  // A form without the file part at all.
  board_.Post({"cafe", "10", "7", "21"}, {{"UPPASSWORD", "pw"}});
  EXPECT_EQ(board_.IndexBytes(), before);
}

// An Env that lets another request change the index while the upload is
// being saved, between the password check and the record update.
class RaceEnv : public EnvWrapper {
 public:
  RaceEnv(Env* target, std::string index) : EnvWrapper(target), index_(std::move(index)) {}
  Status RenameFile(const std::string& from, const std::string& to) override {
    std::unique_ptr<File> f;
    EXPECT_TRUE(Open(index_, OpenMode::kWriteExclusive, &f).ok());
    EXPECT_TRUE(ToggleDeleted(f.get(), 6).ok());
    std::string bytes;
    EXPECT_TRUE(ReadRecordBytes(f.get(), 6, &bytes).ok());
    AddChild(&bytes, 3);
    EXPECT_TRUE(WriteRecordBytes(f.get(), 6, bytes).ok());
    return EnvWrapper::RenameFile(from, to);
  }

 private:
  std::string index_;
};

TEST_F(AttachmentTest, ChangesMadeWhileSavingAreKept) {
  std::string body = UploadBody("pw", "photo.jpg", kPhoto);
  board_.env().SetStdin(body);
  board_.env().vars["CONTENT_LENGTH"] = std::to_string(body.size());
  board_.env().vars["CONTENT_TYPE"] = std::string("multipart/form-data; boundary=") + kBoundary;
  RaceEnv env(&board_.env(), Path("bbsdb/cafe.idx"));
  RunRequest(&env, {"cafe", "10", "7", "21"}, board_.dir().path());
  IndexRecord r = board_.Record(6);
  EXPECT_EQ(r.attachment, "photo.jpg");
  EXPECT_TRUE(r.is_deleted());
  ASSERT_EQ(r.child_count, 1);
  EXPECT_EQ(r.children[0], 3);
}

// An Env whose writes or renames fail, the write after half the bytes.
class FailingEnv : public EnvWrapper {
 public:
  FailingEnv(Env* target, bool write_fails) : EnvWrapper(target), write_fails_(write_fails) {}
  Status WriteFile(const std::string& path, std::string_view data) override {
    if (!write_fails_) return EnvWrapper::WriteFile(path, data);
    EnvWrapper::WriteFile(path, data.substr(0, data.size() / 2));
    return Status::IOError(path + ": disk full");
  }
  Status RenameFile(const std::string& from, const std::string& to) override {
    if (write_fails_) return EnvWrapper::RenameFile(from, to);
    return Status::IOError(from + ": refused");
  }

 private:
  bool write_fails_;
};

TEST_F(AttachmentTest, FailedUploadLeavesNoFileBehind) {
  for (bool write_fails : {true, false}) {
    std::string body = UploadBody("pw", "photo.jpg", kPhoto);
    board_.env().SetStdin(body);
    board_.env().vars["CONTENT_LENGTH"] = std::to_string(body.size());
    board_.env().vars["CONTENT_TYPE"] = std::string("multipart/form-data; boundary=") + kBoundary;
    FailingEnv env(&board_.env(), write_fails);
    RunRequest(&env, {"cafe", "10", "7", "21"}, board_.dir().path());
    EXPECT_NE(board_.env().stdout_data.find("ファイルの保存に失敗しました。"_sj), std::string::npos) << write_fails;
    EXPECT_EQ(board_.Record(6).attachment, "") << write_fails;
    EXPECT_TRUE(FilesIn(Path("bbsdb/cafe/7")).empty()) << write_fails;
    board_.env().stdout_data.clear();
  }
}

TEST_F(AttachmentTest, UploadFormPostsBackToAction21) {
  board_.env().vars["HTTP_COOKIE"] = "PWD=a\"b";
  std::string out = board_.Get(10, 7, 20);
  EXPECT_NE(out.find("<TABLE BORDER>\r\n<FORM ACTION=\"kiroq.exe?cafe+10+7+21\" METHOD=\"POST\" "
                     "ENCTYPE=\"multipart/form-data\">\r\n"),
            std::string::npos);
  EXPECT_NE(out.find("NAME=\"UPPASSWORD\" VALUE=\"a&quot;b\"></TD></TR>\r\n"), std::string::npos);
  EXPECT_NE(out.find("<INPUT TYPE=\"FILE\" SIZE=\"20\" NAME=\"UPLOADFILE\">"), std::string::npos);
}

// ---- downloads ----

class DownloadTest : public AttachmentTest {
 protected:
  void SetUp() override {
    AttachmentTest::SetUp();
    Upload(3, "pw", "a.txt", "hello");
  }
};

TEST_F(DownloadTest, CountedDownloadRedirectsToTheFile) {
  EXPECT_EQ(board_.Get(10, 3, 22), "Location: http://bbs.example.jp/cgi-bin/bbsdb/cafe/3/a.txt\r\n\r\n");
  EXPECT_EQ(board_.dir().Read("bbsdb/cafe/cafe3.txt"), "1\r\n");
  board_.Get(10, 3, 22);
  EXPECT_EQ(board_.dir().Read("bbsdb/cafe/cafe3.txt"), "2\r\n");
  // A first line that is no number counts as 1; further lines stay.
  board_.dir().Write("bbsdb/cafe/cafe3.txt", "abc\r\nkept\nas is");
  board_.Get(10, 3, 22);
  EXPECT_EQ(board_.dir().Read("bbsdb/cafe/cafe3.txt"), "2\r\nkept\nas is");
}

TEST_F(DownloadTest, AddressFollowsTheRequest) {
  FakeEnv& env = board_.env();
  env.vars["HTTPS"] = "on";
  env.vars["SERVER_PORT"] = "443";
  EXPECT_EQ(board_.Get(10, 3, 22), "Location: https://bbs.example.jp/cgi-bin/bbsdb/cafe/3/a.txt\r\n\r\n");
  env.vars["SERVER_PORT"] = "8443";
  env.vars["SCRIPT_NAME"] = "/~ann/bbs/board.cgi";
  EXPECT_EQ(board_.Get(10, 3, 22), "Location: https://bbs.example.jp:8443/~ann/bbs/bbsdb/cafe/3/a.txt\r\n\r\n");
  env.vars.erase("HTTPS");
  env.vars["REQUEST_SCHEME"] = "https";
  EXPECT_EQ(board_.Get(10, 3, 22), "Location: https://bbs.example.jp:8443/~ann/bbs/bbsdb/cafe/3/a.txt\r\n\r\n");
  env.vars.erase("REQUEST_SCHEME");
  env.vars["SERVER_PORT"] = "80";
  env.vars["SCRIPT_NAME"] = "/my bbs/kiroq.exe";
  EXPECT_EQ(board_.Get(10, 3, 22), "Location: http://bbs.example.jp/my%20bbs/bbsdb/cafe/3/a.txt\r\n\r\n");
}

TEST(DownloadAddress, SegmentsAreEncoded) {
  FakeEnv env;
  env.vars["SERVER_NAME"] = "bbs.example.jp\r\n";
  env.vars["SCRIPT_NAME"] = "/cgi-bin/kiroq.exe";
  EXPECT_EQ(DownloadAddress(ReadClient(&env), "cafe", 3, "a b#?%2F\r\n.txt"),
            "http://bbs.example.jp/cgi-bin/bbsdb/cafe/3/a%20b%23%3F%252F%0D%0A.txt");
  env.vars["SERVER_NAME"] = "2001:db8::1";
  env.vars["SERVER_PORT"] = "8080";
  EXPECT_EQ(DownloadAddress(ReadClient(&env), "cafe", 3, "a.txt"),
            "http://[2001:db8::1]:8080/cgi-bin/bbsdb/cafe/3/a.txt");
}

TEST_F(DownloadTest, RefusedDownloadsTouchNoFile) {
  const std::string refused = std::string(kHeader) + std::string("指定されたファイルはダウンロード出来ません。\r\n"_sj);
  EXPECT_EQ(board_.Get(10, 0, 22), refused);
  EXPECT_EQ(board_.Get(10, 0, 23), refused);
  EXPECT_EQ(board_.Get(10, 4, 22), refused);   // no attachment
  EXPECT_EQ(board_.Get(10, 99, 22), refused);  // no such article
  EXPECT_EQ(FilesIn(Path("bbsdb/cafe")), std::set<std::string>{"3"});

  // A board whose data files are missing keeps them missing.
  BoardFixture fresh("empty");
  fresh.Settings({"JAPANESE=1", "FILEUPLOAD=1"});
  for (int action : {22, 23}) {
    EXPECT_NE(fresh.Get(10, 1, action).find("指定されたファイルはダウンロード出来ません。"_sj), std::string::npos);
  }
  EXPECT_EQ(FilesIn(fresh.dir().path() + "bbsdb"), std::set<std::string>{});
}

TEST_F(DownloadTest, StreamedDownloadSendsTheStoredFile) {
  std::string big(200 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
  board_.dir().Write("bbsdb/cafe/3/a.txt", big);
  EXPECT_EQ(board_.Get(10, 3, 23),
            "Content-Disposition: attachment; filename=a.txt\r\n"
            "Content-Type: application/octet-stream\r\n"
            "X-Content-Type-Options: nosniff\r\n"
            "Content-Security-Policy: sandbox\r\n\r\n" +
                big);
  EXPECT_FALSE(board_.dir().Exists("bbsdb/cafe/cafe3.txt"));  // not counted

  std::filesystem::remove(Path("bbsdb/cafe/3/a.txt"));
  EXPECT_EQ(board_.Get(10, 3, 23),
            std::string(kHeader) + std::string("サーバにファイルが存在しません。\r\n"_sj) + "</BODY></HTML>\r\n");
}

TEST_F(DownloadTest, UnwritableCounterGivesTheRetryPage) {
  board_.dir().Write("bbsdb/cafe/cafe3.txt/blocker", "");  // a folder where the counter should be
  EXPECT_EQ(board_.Get(10, 3, 22),
            std::string(kHeader) +
                std::string("ダウンロード出来ません。しばらく時間をおいて再度実行してください。\r\n"_sj) +
                "</BODY></HTML>\r\n");
}

TEST_F(DownloadTest, BoardsWithoutUploadsRefuseEveryAttachmentAction) {
  for (bool japanese : {true, false}) {
    board_.Settings({japanese ? "JAPANESE=1" : "JAPANESE=0"});
    const std::string page = std::string(kHeader) + "<HTML><BODY>\r\n<H1>KIROQ ERROR</H1>\r\n" +
                             (japanese ? std::string("この掲示板ではファイルの添付は使えません。"_sj)
                                       : std::string("File attachments are not used on this board.")) +
                             "\r\n</BODY></HTML>\r\n";
    EXPECT_EQ(board_.Get(10, 3, 20), page);
    EXPECT_EQ(Upload(3, "pw", "b.txt"), page);
    EXPECT_EQ(board_.Get(10, 3, 22), page);
    EXPECT_EQ(board_.Get(10, 3, 23), page);
  }
  EXPECT_EQ(FilesIn(Path("bbsdb/cafe")), std::set<std::string>{"3"});
  EXPECT_EQ(FilesIn(Path("bbsdb/cafe/3")), std::set<std::string>{"a.txt"});
  EXPECT_EQ(board_.Record(2).attachment, "a.txt");
}

// Downloads at the same moment, by separate processes of the real program,
// each add their count.
TEST_F(DownloadTest, SimultaneousDownloadsLoseNoCount) {
  const std::string program = Path("kiroq.exe");
  ASSERT_EQ(symlink(KIROQ_EXE, program.c_str()), 0);
  std::unique_ptr<File> held;  // hold the counter so that they all queue on it
  ASSERT_TRUE(PosixEnv()->Open(Path("bbsdb/cafe/cafe3.txt"), OpenMode::kCreate, &held).ok());
  constexpr int kDownloads = 20;
  std::vector<CgiProcess> procs;
  for (int i = 0; i < kDownloads; ++i) {
    procs.push_back(StartCgi(program, {"cafe", "10", "3", "22"},
                             {{"SERVER_NAME", "bbs.example.jp"}, {"SCRIPT_NAME", "/cgi-bin/kiroq.exe"}}, ""));
  }
  held.reset();
  for (CgiProcess& p : procs) {
    int code = -1;
    EXPECT_EQ(FinishCgi(&p, &code), "Location: http://bbs.example.jp/cgi-bin/bbsdb/cafe/3/a.txt\r\n\r\n");
  }
  EXPECT_EQ(board_.dir().Read("bbsdb/cafe/cafe3.txt"), std::to_string(kDownloads) + "\r\n");
}

}  // namespace
}  // namespace kiroq
