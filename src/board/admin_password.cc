#include "board/admin_password.h"

#include "platform/env.h"

namespace kiroq {

namespace {

constexpr char kDriveVariable[] = "KIROQ_DRIVE_";
constexpr char kDefaultDriveRoot[] = "/var/lib/kiroq/drive-";

// The first line of the file at path, without its line break; false when
// the file cannot be read.
bool ReadFirstLine(Env* env, const std::string& path, std::string* line) {
  std::string text;
  if (!env->FileExists(path) || !env->ReadFile(path, &text).ok()) return false;
  std::size_t end = text.find_first_of("\r\n");
  line->assign(text, 0, end == std::string::npos ? text.size() : end);
  return true;
}

}  // namespace

std::string DriveFolder(Env* env, std::string_view drive) {
  if (drive.size() != 1) return std::string();
  char letter = drive[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return std::string();
  std::string folder = env->GetVar(kDriveVariable + std::string(1, letter));
  if (folder.empty()) folder = kDefaultDriveRoot + std::string(1, static_cast<char>(letter - 'A' + 'a'));
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string ReadAdminPassword(Env* env, std::string_view drive, std::string_view board) {
  const std::string folder = DriveFolder(env, drive);
  if (folder.empty()) return std::string();
  const std::string name(board);
  std::string password;
  ReadFirstLine(env, folder + "/kirpass" + name + "pwd", &password);
  for (const char* dir : {"/KIRPASS/", "/kirpass/"}) {
    for (const char* ext : {".PWD", ".pwd"}) {
      if (ReadFirstLine(env, folder + dir + name + ext, &password)) return password;
    }
  }
  return password;
}

}  // namespace kiroq
