#include "app/run.h"

#include <cstdint>
#include <exception>

#include "app/commands.h"
#include "board/actions.h"
#include "board/admin_password.h"
#include "cgi/client.h"
#include "cgi/headers.h"
#include "cgi/output.h"
#include "html/frame.h"
#include "html/page_context.h"
#include "html/request.h"
#include "pages/attachments.h"
#include "pages/login_gate.h"
#include "pages/posting.h"
#include "platform/env.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

constexpr int kDefaultPageSize = 10;
// Rows or articles on one page at most, whatever the query or the BROWSCOUNT
// cookie asks for: a page's memory and time stay bounded on a board of any
// size.
constexpr int kMaxPageSize = 1000;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      int hi = HexValue(s[i + 1]), lo = HexValue(s[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

// The action bytes of the negative codes -1..-7, -9..-13, -15, -16, -21..-23,
// -31..-33, -99 and -100 all mean the title list.
int NormalizeAction(int action) {
  switch (action) {
    case 156:
    case 157:
    case 223:
    case 224:
    case 225:
    case 233:
    case 234:
    case 235:
    case 240:
    case 241:
    case 243:
    case 244:
    case 245:
    case 246:
    case 247:
    case 249:
    case 250:
    case 251:
    case 252:
    case 253:
    case 254:
    case 255:
      return 1;
    default:
      return action;
  }
}

void WriteMissingSettingsPage(Request& req) {
  WritePageHeader(req.out);
  req.out->Line("<HTML>");
  req.out->Line("設定ファイル "_sj + EscapeText(req.board) + ".ini がありません。BBS の名前を確認してください"_sj);
  req.out->Line("</HTML>");
}

void WriteServerBusyPage(Request& req, SjLiteral japanese, SjLiteral english) {
  WritePageHeader(req.out);
  WriteErrorPage(req, "KIROQ SERVER BUSY", {req.japanese() ? japanese : english});
}

// A page of another site asked the visitor's browser to change something
// here (a link, a form, an image address); nothing is changed.
void WriteOtherSitePage(Request& req) {
  WritePageHeader(req.out);
  if (req.japanese()) {
    WriteErrorPage(req, "KIROQ ERROR",
                   {"他のサイトのページから送られた要求は受け付けられません。<BR>"_sj,
                    "この掲示板のページから操作してください。何も変更されていません。"_sj});
  } else {
    WriteErrorPage(req, "KIROQ ERROR",
                   {"A request sent from another site's page is not accepted.<BR>",
                    "Please use this board's own pages. Nothing was changed."});
  }
}

// The client, cookies and the four query words.
void ReadAddress(Request& req, const std::vector<std::string>& args) {
  req.client = ReadClient(req.env);
  req.cookies = Cookies(req.env->GetVar("HTTP_COOKIE"));
  req.words = QueryWords(req.env, args);
  req.board = req.Word(1);
  req.page_size = ToIntDef(req.Word(2), kDefaultPageSize);
  std::string browscount = req.cookies.Value("BROWSCOUNT=");
  if (!browscount.empty()) req.page_size = ToIntDef(browscount, kDefaultPageSize);
  // 0 means the default; so does a negative size, which would turn paging
  // arithmetic backwards.
  if (req.page_size <= 0) req.page_size = kDefaultPageSize;
  if (req.page_size > kMaxPageSize) req.page_size = kMaxPageSize;
  // Numbers far outside any board are kept away from the edges of int, so
  // that paging arithmetic cannot overflow.
  constexpr int kNumberLimit = 1000000000;
  req.number = ToIntDef(req.Word(3), 0);
  if (req.number > kNumberLimit) req.number = kNumberLimit;
  if (req.number < -kNumberLimit) req.number = -kNumberLimit;
  req.action = static_cast<uint8_t>(ToIntDef(req.Word(4), 0));
  req.action = NormalizeAction(req.action);
}

// The board's settings: false when the board has no settings file (the page
// saying so has been written).
bool LoadBoardSettings(Request& req, std::unique_ptr<SettingsFile>* file) {
  req.settings.japanese = true;  // the missing-settings page is Japanese
  std::string text;
  if (!IsValidBoardName(req.board) ||
      !ReadAdministratorFile(req.env, req.files.FindBesideProgram(req.env, ".ini"), &text).ok()) {
    WriteMissingSettingsPage(req);
    return false;
  }
  file->reset(new SettingsFile(text));
  req.settings_file = file->get();
  req.settings = ReadSettings(**file, req.client.user_agent);
  req.out->set_phone_layout(req.settings.phone_layout());
  return true;
}

// The settings a request can change (cookies, the attachment folder, the
// labels), after the body was read.
void ApplyRequestSettings(Request& req) {
  Settings& s = req.settings;
  // A cookie cleared with an empty value counts as absent.
  std::string treet = req.cookies.Value("TREET="), treet2 = req.cookies.Value("TREET2=");
  if (!treet.empty()) s.tree_close = treet != "0";
  if (!treet2.empty()) s.new_post_sort = treet2 != "0";
  if (s.file_upload) {
    if (req.action == Code(Action::kUploadForm) || req.action == Code(Action::kStoreUpload))
      req.env->CreateDir(req.files.DataDir() + "/" + req.board);
    req.upload_dir = req.files.UploadDir();
  }
  if (s.view_select == -1 || s.view_select == -2 || s.view_select == -3 || s.view_select == -13) s.view_select = 0;
  if (!s.japanese) s.use_address = false;
  req.labels = ChooseLabels(s.japanese, s.image_button, s.mobile());
}

Handler FindWhole(const WholeCommand* commands, int count, const Request& req) {
  for (int i = 0; i < count; ++i) {
    const WholeCommand& c = commands[i];
    if (Code(c.action) == req.action && (c.needs == nullptr || req.settings.*c.needs)) return c.handler;
  }
  return nullptr;
}

const FramedCommand* FindFramed(int action) {
  const CommandTable& t = Commands();
  for (int i = 0; i < t.framed_count; ++i) {
    if (Code(t.framed[i].action) == action) return &t.framed[i];
  }
  return nullptr;
}

// The page of the second group: CGI header, page head, the action's body,
// the page end. The current article is the query's number, or the newest
// for 0.
void WriteFramedPage(Request& req) {
  WritePageHead(req);
  PageContext page;
  page.action = req.action;
  uint64_t size = 0;
  page.count = req.env->GetFileSize(req.files.Index(), &size).ok() ? static_cast<int>(size / kRecordSize) : 0;
  if (req.number != 0) {
    page.position = req.number - 1;
  } else if (page.count > 0) {
    page.position = page.count - 1;
  }
  if (const FramedCommand* command = FindFramed(req.action)) {
    page.action = Code(command->shows_as);
    command->handler(req, page);
  }
  const int a = page.action;
  if ((a == Code(Action::kArticle) || a == Code(Action::kNewestAfterPost) || a == Code(Action::kSearch) ||
       a == Code(Action::kThread)) &&
      req.settings.use_search_log) {
    WriteSearchForm(req);
  }
  if (req.settings.bbs_man) WriteManagerLink(req);
  WritePageFooter(req);
}

void Serve(Request& req, const std::vector<std::string>& args, const std::string& program_folder) {
  Env* env = req.env;
  req.program_folder = program_folder;
  env->CreateDir(program_folder + "bbsdb");
  ReadAddress(req, args);
  req.files = BoardFiles(program_folder, req.board);

  std::unique_ptr<SettingsFile> settings_file;
  if (!LoadBoardSettings(req, &settings_file)) return;
  // i-mode pages stay as small as they were: telephones read no feeds.
  if (req.settings.use_feed && !req.mobile()) req.out->SetPageHeadLine(FeedHeadLink(req));

  req.input.Read(env, req.settings.mobile());
  // Before anything of the board is written (only the shared data folder
  // exists by now): a refused request changes no file and sets no cookie.
  if (ChangesState(req.action, LoginPosted(req)) && req.client.FromOtherSite()) return WriteOtherSitePage(req);
  ApplyRequestSettings(req);
  PassLoginGate(req);
  req.admin_password = ReadAdminPassword(env, req.settings.password, req.board);
  if (req.input.too_large()) {
    WritePageHeader(req.out);
    if (req.japanese()) {
      WriteErrorPage(req, "KIROQ ERROR",
                     {"送信された内容が大きすぎます（5MB まで）。<BR>"_sj, "何も保存されていません。"_sj});
    } else {
      WriteErrorPage(req, "KIROQ ERROR", {"The request is too large (at most 5 MB).<BR>", "Nothing was stored."});
    }
    return;
  }

  // Attachment actions on a board without attachments, and downloads, are
  // answered before any data file is touched: they never create a board.
  if (req.action >= Code(Action::kUploadForm) && req.action <= Code(Action::kStreamedDownload) &&
      !req.settings.file_upload) {
    return NoAttachmentsPage(req);
  }
  const CommandTable& table = Commands();
  if (Handler early = FindWhole(table.early, table.early_count, req)) return early(req);

  // sic: "securyty" kept as boards have always shown it.
  switch (EnsureDataFiles(env, req.files)) {
    case EnsureResult::kOk:
      break;
    case EnsureResult::kLogFailed:
      WriteServerBusyPage(req, "ログファイルが作成出来ませんでした。フォルダセキュリティを確認してください。<BR>"_sj,
                          "made false log file. Check the folder securyty.<BR>");
      return;
    case EnsureResult::kIndexFailed:
      WriteServerBusyPage(req,
                          "インデックスファイルが作成出来ませんでした。フォルダセキュリティを確認してください。<BR>"_sj,
                          "made false index file. Check the folder securyty.<BR>");
      return;
  }

  if (Handler whole = FindWhole(table.whole, table.whole_count, req)) return whole(req);

  req.post = DecodePostedForm(req.input, req.settings, req.client, env, req.action);
  if (CheckAndStorePost(req)) WritePostCookies(req);
  WriteFramedPage(req);
}

}  // namespace

bool IsValidBoardName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

std::vector<std::string> QueryWords(Env* env, const std::vector<std::string>& args) {
  if (!env->HasVar("QUERY_STRING")) return args;
  std::string query = env->GetVar("QUERY_STRING");
  std::vector<std::string> words;
  if (query.find('=') != std::string::npos) return words;
  std::size_t start = 0;
  for (;;) {
    std::size_t plus = query.find('+', start);
    words.push_back(PercentDecode(std::string_view(query).substr(start, plus - start)));
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  return words;
}

int RunRequest(Env* env, const std::vector<std::string>& args, const std::string& program_folder) {
  Output out(env);
  Request req(env, &out);
  try {
    Serve(req, args, program_folder);
  } catch (const RequestEnded&) {
    // The page said what there was to say.
  } catch (const std::exception&) {
    // Whatever was written stays; the page gets its one header block.
    if (!out.header_written()) WritePageHeader(&out);
    out.Line("Server Busy!");
  }
  out.Flush();
  return 0;
}

}  // namespace kiroq
