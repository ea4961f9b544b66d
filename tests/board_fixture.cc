#include "board_fixture.h"

#include <memory>

#include "app/run.h"
#include "storage/article_store.h"
#include "storage/board_files.h"

namespace kiroq {

void BoardFixture::Settings(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  dir_.Write(board_ + ".ini", text);
}

int BoardFixture::AddArticle(const IndexRecord& rec, const std::string& body) {
  BoardFiles files(dir_.path(), board_);
  PosixEnv()->CreateDir(files.DataDir());
  EnsureDataFiles(PosixEnv(), files);
  std::unique_ptr<kiroq::File> log, index;
  IndexRecord r = rec;
  if (!body.empty()) {
    PosixEnv()->Open(files.Log(), OpenMode::kWriteShared, &log);
    AppendBody(log.get(), body, &r.body_start, &r.body_end);
    log.reset();
  }
  PosixEnv()->Open(files.Index(), OpenMode::kWriteExclusive, &index);
  int position = -1;
  AppendRecord(index.get(), r, &position);
  return position;
}

IndexRecord BoardFixture::Record(int position) const {
  IndexRecord r;
  std::string bytes = IndexBytes();
  if (bytes.size() >= (static_cast<std::size_t>(position) + 1) * kRecordSize) {
    DecodeRecord(std::string_view(bytes).substr(static_cast<std::size_t>(position) * kRecordSize), &r);
  }
  return r;
}

std::string BoardFixture::Run(const std::vector<std::string>& args) {
  env_.stdout_data.clear();
  RunRequest(&env_, args, dir_.path());
  return env_.stdout_data;
}

std::string BoardFixture::Post(const std::vector<std::string>& args,
                               const std::vector<std::pair<std::string, std::string>>& fields) {
  const std::string boundary = "----WebKitFormBoundaryk1r0qT3stB0und";
  env_.SetStdin(MultipartBody(boundary, fields));
  env_.vars["CONTENT_LENGTH"] = std::to_string(env_.stdin_data.size());
  env_.vars["CONTENT_TYPE"] = "multipart/form-data; boundary=" + boundary;
  env_.vars["REQUEST_METHOD"] = "POST";
  std::string out = Run(args);
  env_.SetStdin("");
  env_.vars.erase("CONTENT_LENGTH");
  env_.vars.erase("CONTENT_TYPE");
  env_.vars.erase("REQUEST_METHOD");
  return out;
}

std::string MultipartBody(const std::string& boundary, const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string body;
  for (const auto& [name, value] : fields) {
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n";
    body += value + "\r\n";
  }
  body += "--" + boundary + "--\r\n";
  return body;
}

IndexRecord SampleRecord(const std::string& title, const std::string& name, int parent) {
  IndexRecord r;
  r.title = title;
  r.name = name;
  r.parent = parent;
  r.date = EncodePostDate({2024, 12, 1, 10, 20, 30});
  r.sex = r.age = r.address = r.address2 = "Secret";
  r.age = "Secre";
  r.host = "127.0.0.1";
  return r;
}

std::string_view BodyIn(std::string_view log, const IndexRecord& rec) {
  if (rec.body_start < 0 || rec.body_end < rec.body_start || static_cast<uint64_t>(rec.body_end) >= log.size()) {
    return std::string_view();
  }
  return log.substr(static_cast<std::size_t>(rec.body_start),
                    static_cast<std::size_t>(rec.body_end) - static_cast<std::size_t>(rec.body_start) + 1);
}

Status ToggleDeleted(File* index, int position) {
  std::string bytes;
  Status s = ReadRecordBytes(index, position, &bytes);
  if (!s.ok()) return s;
  ToggleDeletedMark(&bytes);
  return WriteRecordBytes(index, position, bytes);
}

std::string StoredMessage(std::string_view typed) {
  const std::size_t first = typed.find_first_not_of("\r\n");
  if (first == std::string_view::npos) return "";
  return std::string(typed.substr(first)) + "\r\n";
}

std::string JoinedParts(const std::string& boundary, const std::vector<std::string>& parts, bool closed) {
  std::string body;
  for (const std::string& p : parts) body += "--" + boundary + "\r\n" + p + "\r\n";
  if (closed) body += "--" + boundary + "--\r\n";
  return body;
}

std::string Part(const std::string& name, const std::string& value) {
  return "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value;
}

}  // namespace kiroq
