#include "pages/attachments.h"

#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "cgi/client.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "html/article_block.h"
#include "html/frame.h"
#include "html/links.h"
#include "html/password_guard.h"
#include "html/request.h"
#include "storage/article_store.h"
#include "storage/attachment_names.h"
#include "storage/board_files.h"
#include "storage/record.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

constexpr std::size_t kStreamBlock = 64 * 1024;

}  // namespace

void NoAttachmentsPage(Request& req) {
  WritePageHeader(req.out);
  if (req.japanese()) {
    WriteErrorPage(req, "KIROQ ERROR", {"この掲示板ではファイルの添付は使えません。"_sj});
  } else {
    WriteErrorPage(req, "KIROQ ERROR", {"File attachments are not used on this board."});
  }
}

namespace {

// ---- action 21 ----

// A name for the upload while it is being written, in the same folder so
// that the rename cannot cross file systems. Stored names never start with
// ".", so it cannot be taken for an attachment.
std::string TemporaryName() {
  static const char kHex[] = "0123456789abcdef";
  std::random_device random;
  std::string name = ".upload-";
  for (int i = 0; i < 4; ++i) {
    uint32_t v = random();
    for (int j = 0; j < 8; ++j, v >>= 4) name.push_back(kHex[v & 15]);
  }
  return name + ".tmp";
}

// Writes the bytes as folder/name, through a temporary file that a failure
// removes again.
bool SaveUpload(Env* env, const std::string& folder, const std::string& name, std::string_view bytes) {
  std::string temporary = folder + TemporaryName();
  if (env->WriteFile(temporary, bytes).ok() && env->RenameFile(temporary, folder + name).ok()) return true;
  env->RemoveFile(temporary);
  return false;
}

// The password check of action 21: true when the article exists and was
// stored with a deletion password that is password exactly.
bool UploadAllowed(Request& req, int position, const std::string& password) {
  std::unique_ptr<File> index = OpenIndexOrEnd(req, OpenMode::kReadShared);
  IndexRecord rec;
  if (position < 0 || !ReadRecord(index.get(), position, &rec).ok()) return false;
  return !rec.password.empty() && rec.password == password;
}

enum class Allowed { kYes, kNo, kLockedOut };

// UploadAllowed as a counted password check; an empty password is no guess.
Allowed CheckUploadPassword(Request& req, int position, const std::string& password) {
  if (password.empty()) return Allowed::kNo;
  PasswordGuess guess{PasswordKind::kDeletion, "article " + std::to_string(position)};
  if (!StartPasswordCheck(req, guess)) return Allowed::kLockedOut;
  const bool right = UploadAllowed(req, position, password);
  FinishPasswordCheck(req, guess, right);
  return right ? Allowed::kYes : Allowed::kNo;
}

// Names the attachment in the record, re-read under the write lock so that
// a change made since the password check (a reply, a deletion) is kept. The
// file of the attachment it replaces is removed, still under the lock, so
// that no later upload of that name can be taken for it.
bool NameAttachment(Request& req, int position, const std::string& name) {
  std::unique_ptr<File> index = OpenIndexOrEnd(req, OpenMode::kWriteExclusive);
  std::string bytes;
  if (!ReadRecordBytes(index.get(), position, &bytes).ok()) return false;
  IndexRecord old;
  DecodeRecord(bytes, &old);
  SetAttachmentName(&bytes, name);
  if (!WriteRecordBytes(index.get(), position, bytes).ok()) return false;
  if (old.attachment != name && IsSafeAttachmentName(old.attachment)) {
    req.env->RemoveFile(AttachmentPath(req, position + 1, old.attachment));
  }
  return true;
}

// Saves the UPLOADFILE part in the article's folder; the name stored, or ""
// when nothing could be saved.
std::string StoreUploadedFile(Request& req) {
  const FormInput::Upload upload = req.input.FindUpload("UPLOADFILE");
  if (upload.field_name.empty() || upload.content_type.empty()) return std::string();
  const bool sjis = req.japanese();
  std::string name = StripClientPath(upload.file_name, sjis);
  // A longer name would be cut in the record and no longer lead to the file.
  if (!IsStorableName(name, sjis) || name.size() > record_layout::kAttachmentCap) return std::string();
  std::string folder = req.files.UploadDir() + Itoa(req.number);
  req.env->CreateDir(folder);
  if (!SaveUpload(req.env, folder + "/", name, req.input.UploadBytes(upload))) return std::string();
  return name;
}

// ---- actions 22 and 23 ----

// The attachment name of article number for a download, after the checks
// both download actions share; "" when the page that says why has been
// written.
std::string DownloadableName(Request& req) {
  if (!req.settings.file_upload) {
    NoAttachmentsPage(req);
    return std::string();
  }
  std::string name;
  if (req.number >= 1) {
    std::unique_ptr<File> index;
    Status s = OpenWithRetry(req.env, req.files.Index(), OpenMode::kReadShared, kStandardRetry, &index);
    if (s.IsBusy()) {
      WritePageHeader(req.out);
      req.out->Line(req.labels.index_busy);
      return std::string();
    }
    IndexRecord rec;
    if (s.ok() && ReadRecord(index.get(), req.number - 1, &rec).ok()) name = rec.attachment;
  }
  // No such article, no attachment, or a name that would leave its folder.
  if (!IsStorableName(name, req.japanese())) {
    WritePageHeader(req.out);
    req.out->Line("指定されたファイルはダウンロード出来ません。"_sj);
    return std::string();
  }
  return name;
}

// Adds one to the counter file of article number, under its lock; the
// further lines of the file stay as they are.
bool CountDownload(Request& req) {
  std::unique_ptr<File> counter;
  if (!OpenWithRetry(req.env, CounterPath(req, req.number), OpenMode::kCreate, kStandardRetry, &counter).ok()) {
    return false;
  }
  uint64_t size = 0;
  std::string text;
  if (!counter->Size(&size).ok() || !counter->ReadAt(0, static_cast<std::size_t>(size), &text).ok()) return false;
  std::size_t eol = text.find_first_of("\r\n");
  if (eol == std::string::npos) eol = text.size();
  long long count = 1;
  int old = 0;
  if (!text.empty()) {
    count = ParseWholeNumber(std::string_view(text).substr(0, eol), &old) ? old + 1LL : 2;
  }
  if (count > INT_MAX) count = INT_MAX;  // what the counter's readers can parse
  std::string rest = text.substr(eol);
  if (rest.empty()) rest = "\r\n";
  std::string updated = Itoa(count) + rest;
  return counter->WriteAt(0, updated).ok() && counter->Truncate(updated.size()).ok();
}

bool StreamFile(Request& req, const std::string& path, std::string_view name) {
  std::unique_ptr<File> file;
  uint64_t size = 0;
  if (!req.env->FileExists(path) || !req.env->Open(path, OpenMode::kReadShared, &file).ok() ||
      !file->Size(&size).ok()) {
    return false;
  }
  WriteDownloadHeader(req.out, name);
  std::string block;
  for (uint64_t offset = 0; offset < size; offset += block.size()) {
    // A file that shrinks or fails while being sent ends the download short;
    // the header is gone, so there is nothing else to say.
    if (!file->ReadAt(offset, kStreamBlock, &block).ok() || block.empty()) break;
    req.out->FileBytes(block);
    req.out->Flush();
  }
  return true;
}

}  // namespace

std::string DownloadAddress(const Client& client, std::string_view board, int number, std::string_view name) {
  return ProgramFolderAddress(client) + "bbsdb/" + PercentEncode(board, "") + "/" + Itoa(number) + "/" +
         PercentEncode(name, "");
}

void UploadFormPage(Request& req) {
  if (!req.settings.file_upload) return NoAttachmentsPage(req);
  Output* out = req.out;
  WritePageHeader(out);
  out->Line("<HTML>");
  out->Line("<BODY BGCOLOR=\"#FFFFE0\"><CENTER>");
  out->Line("ファイル添付メニュー<P>"_sj);
  out->Line(
      "<FONT COLOR=\"RED\">ファイルのアップロードには時間がかかります<BR><FONT COLOR=\"RED\">"
      "送信ボタンは一度だけ押してください。</FONT>"_sj);
  out->Line("<TABLE BORDER>");
  out->Line(BoardForm(req, req.number, Action::kStoreUpload));
  out->Line("<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">ファイルを添付する文書番号</TD><TD BGCOLOR=\"#E0FFE0\">"_sj +
            Html::Number(req.number) + "</TD></TR>");
  out->Line(
      "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">記入した管理用（削除）パスワード</TD><TD BGCOLOR=\"#E0FFE0\">"
      "<INPUT TYPE=\"PASSWORD\" SIZE=\"20\" NAME=\"UPPASSWORD\" VALUE=\""_sj +
      EscapeAttribute(req.cookies.Value("PWD=")) + "\"></TD></TR>");
  out->Line(
      "<TR><TD NOWRAP BGCOLOR=\"#FFE0E0\">添付するファイル</TD><TD BGCOLOR=\"#E0FFE0\">"
      "<INPUT TYPE=\"FILE\" SIZE=\"20\" NAME=\"UPLOADFILE\"></TD></TR>"_sj);
  out->Line("</TABLE><P>");
  out->Line("<INPUT TYPE=\"SUBMIT\" VALUE=\"文書にファイルを添付する\">"_sj);
  out->Line("</FORM>");
  out->Line("</CENTER></BODY></HTML>");
}

void StoreUploadPage(Request& req) {
  if (!req.settings.file_upload) return NoAttachmentsPage(req);
  WritePageHeader(req.out);
  const int position = req.number - 1;
  const Allowed allowed = CheckUploadPassword(req, position, req.input.Field("UPPASSWORD"));
  if (allowed == Allowed::kLockedOut) {
    WriteLockedOutLines(req);
  } else if (allowed == Allowed::kNo) {
    req.out->Line("パスワードが違います。ファイルの添付を行うことが出来ません。"_sj);
  } else {
    std::string name = StoreUploadedFile(req);
    if (!name.empty() && NameAttachment(req, position, name)) {
      req.out->Line("ファイルの保存が完了しました"_sj);
    } else {
      req.out->Line("<FONT COLOR=\"RED\">ファイルの保存に失敗しました。</FONT>"_sj);
    }
  }
  req.out->Write(Bracketed(BoardLink(req, req.number, Action::kArticle, "掲示板に戻る"_sj)));
}

void CountedDownloadPage(Request& req) {
  std::string name = DownloadableName(req);
  if (name.empty()) return;
  if (!CountDownload(req)) {
    WritePageHeader(req.out);
    req.out->Line("ダウンロード出来ません。しばらく時間をおいて再度実行してください。"_sj);
    req.out->Line("</BODY></HTML>");
    return;
  }
  WriteRedirectHeader(req.out, DownloadAddress(req.client, req.board, req.number, name));
}

void StreamedDownloadPage(Request& req) {
  std::string name = DownloadableName(req);
  if (name.empty()) return;
  if (!StreamFile(req, AttachmentPath(req, req.number, name), name)) {
    WritePageHeader(req.out);
    req.out->Line("サーバにファイルが存在しません。"_sj);
    req.out->Line("</BODY></HTML>");
  }
}

}  // namespace kiroq
