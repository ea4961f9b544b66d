#include "pages/posting.h"

#include <memory>

#include "board/actions.h"
#include "board/limits.h"
#include "board/members.h"
#include "cgi/client.h"
#include "cgi/headers.h"
#include "html/frame.h"
#include "html/links.h"
#include "html/member_log.h"
#include "html/password_guard.h"
#include "html/request.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/convert.h"
#include "text/cut.h"
#include "text/sjis.h"

namespace kiroq {

namespace {

[[noreturn]] void Refuse(Request& req, const Html& heading, const Html& ja1, const Html& ja2, const Html& en1,
                         const Html& en2) {
  WritePageHeader(req.out);
  req.out->Line("<HTML><BODY>");
  req.out->Line("<H1>" + heading + "</H1>");
  if (req.japanese()) {
    req.out->Line(ja1);
    if (!ja2.empty()) req.out->Line(ja2);
  } else {
    req.out->Line(en1);
    if (!en2.empty()) req.out->Line(en2);
  }
  req.out->Line("</BODY></HTML>");
  EndRequest();
}

[[noreturn]] void RefuseMissingText(Request& req) {
  Refuse(req, "KIROQ ERROR", "本文が入力されていません。<BR>"_sj, "本文を入力後再度投稿して下さい。"_sj,
         "No Articles!<BR>", "Please try again.");
}

// A bare line after the CGI header block, then the end.
[[noreturn]] void RefuseWithLine(Request& req, SjLiteral ja, SjLiteral en) {
  WritePageHeader(req.out);
  req.out->Line(req.japanese() ? ja : en);
  EndRequest();
}

bool HostRefused(Request& req) {
  std::vector<std::string> hosts = req.settings_file->Section("CANCELDOMAINLISTSTART", "CANCELDOMAINLISTEND");
  if (hosts.empty()) return false;
  // The resolved host name, and the address too, so that a board can refuse
  // address ranges on servers that pass no host name.
  const std::string names[] = {ToUpperAscii(req.client.ResolvedHost(req.env)), ToUpperAscii(req.client.remote_addr)};
  for (const std::string& entry : hosts) {
    if (entry.empty()) continue;
    std::string upper = ToUpperAscii(entry);
    for (const std::string& name : names) {
      if (!name.empty() && name.find(upper) != std::string::npos) return true;
    }
  }
  return false;
}

bool WordRefused(Request& req, std::string_view body) {
  std::vector<std::string> words = req.settings_file->Section("CHECKSTRINGSTART", "CHECKSTRINGEND");
  if (words.empty()) return false;
  std::string flat = RemoveLineBreaks(body);
  for (const std::string& word : words) {
    if (!word.empty() && flat.find(word) != std::string::npos) return true;
  }
  return false;
}

// The text part of the screening; returns the body to store.
std::string ScreenContent(Request& req) {
  if (HostRefused(req)) {
    Refuse(req, "KIROQ ERROR", "発言者のドメインは書き込みを拒否されています。<BR>"_sj, "",
           "your domain is reject.<BR>", "");
  }
  if (req.settings.use_delete_pass && req.post.record.password.empty()) {
    Refuse(req, "KIROQ ERROR", "削除用のパスワードが入力されていません。<BR>"_sj,
           "削除用パスワードを入力後再度投稿して下さい。"_sj, "A delete password isn't being inputted.<BR>",
           "Please input a delete password and post again.");
  }
  std::string body(req.input.Bytes(req.post.content));
  if (req.settings.crlf_cut) {
    while (!body.empty() && (body.back() == '\r' || body.back() == '\n')) body.pop_back();
  }
  if (WordRefused(req, body)) {
    Refuse(req, "KIROQ ERROR", "本文中に不適切な用語が含まれています。<BR>"_sj, "発言はキャンセルされました。"_sj,
           "An inappropriate term in the body is contained.<BR>", "A remark was canceled.");
  }
  return body;
}

void CheckMember(Request& req) {
  std::string id = req.input.Field("MEMID");
  std::string password = req.input.Field("MEMPASS");
  PasswordGuess guess{PasswordKind::kMember, "member " + id};
  if (!StartPasswordCheck(req, guess)) RefuseLockedOut(req);
  Member m;
  const bool right = FindMember(req.env, req.settings.members_only, id, password, &m);
  FinishPasswordCheck(req, guess, right);
  if (right) {
    req.post.record.email = std::string(CutToBytes(m.email, record_layout::kEmailCap, req.japanese()));
    req.post.record.name = std::string(CutToBytes(m.name, record_layout::kNameCap, req.japanese()));
    return;
  }
  WritePageHeader(req.out);
  req.out->Line("<HTML><BODY>");
  // sic: "wrong.Don't post." kept as boards have always shown it.
  req.out->Line(req.japanese() ? "ID とパスワードが間違っています、発言は出来ません。"_sj
                               : "ID and a password are wrong.Don't post.");
  LogFailedLogin(req, id);
  req.out->Line("</BODY></HTML>");
  EndRequest();
}

void CheckControlPassword(Request& req) {
  // An empty password guesses nothing and is not counted.
  bool right = false;
  if (!req.admin_password.empty() && !req.post.password2.empty()) {
    PasswordGuess guess{PasswordKind::kAdministrator, "admin"};
    if (!StartPasswordCheck(req, guess)) RefuseLockedOut(req);
    right = req.post.password2 == req.admin_password;
    FinishPasswordCheck(req, guess, right);
  }
  if (!right) {
    Refuse(req, "PASSWORD ERROR!!", "管理用パスワードが間違っています<BR>"_sj, "発言はキャンセルされました。"_sj,
           "A password for the control is wrong.<BR>", "A remark was canceled.");
  }
}

// The screens that need no state: the trap field a person never sees
// (TRAPFIELD) and the number of web addresses (MAXLINKS).
void CheckBotScreens(Request& req, std::string_view body) {
  if (req.settings.trap_field && !req.input.Field(kTrapFieldName).empty()) {
    Refuse(req, "KIROQ ERROR", "この発言は受け付けられませんでした。<BR>"_sj, "発言は保存されていません。"_sj,
           "This post was not accepted.<BR>", "Nothing was stored.");
  }
  if (req.settings.max_links >= 0 && CountWebAddresses(body, req.settings.use_html_tag) > req.settings.max_links) {
    const Html limit = Html::Number(req.settings.max_links);
    Refuse(req, "KIROQ ERROR", "本文中のアドレスが多すぎます（"_sj + limit + " 個まで）。<BR>"_sj,
           "アドレスを減らして再度投稿して下さい。発言は保存されていません。"_sj,
           "The message holds too many web addresses (at most " + limit + ").<BR>",
           "Please remove some and post again. Nothing was stored.");
  }
}

// A post entered in the limits file before it is stored, so that it can be
// taken back when storing fails.
struct EnteredPost {
  bool entered = false;
  std::string host;
  uint64_t hash = 0;
  int64_t time = 0;
};

void TakeBackPost(Request& req, const EnteredPost& post) {
  if (!post.entered) return;
  UpdateLimits(req.env, req.files.Limits(), [&](LimitsState& state, int64_t) {
    state.RemovePost(post.host, post.hash, post.time);
    return true;
  });
}

// POSTINTERVAL and REFUSEDOUBLEPOST, in one locked turn of the limits file
// so that concurrent posts of a host are counted exactly: the post is
// entered as stored before it is, and a refused one changes nothing.
EnteredPost CheckPostingLimits(Request& req, std::string_view body) {
  const Settings& s = req.settings;
  EnteredPost entered;
  if (!s.limits_posts()) return entered;
  const std::string host = LimitsHost(req.client.remote_addr);
  const uint64_t hash = PostHash(req.post.record.title, body);
  int64_t wait = 0;
  bool double_post = false;
  UpdateLimits(req.env, req.files.Limits(), [&](LimitsState& state, int64_t now) {
    const int64_t last = state.LastPost(host);
    if (s.post_interval > 0 && last >= 0 && now - last < s.post_interval) {
      wait = s.post_interval - (now - last);
      return false;
    }
    if (s.refuse_double_post && state.Posted(host, hash, now - kDoublePostSeconds + 1)) {
      double_post = true;
      return false;
    }
    state.AddPost(host, hash, now);
    entered = {true, host, hash, now};
    return true;
  });
  if (wait > 0) {
    const Html seconds = Html::Number(wait);
    Refuse(req, "KIROQ ERROR", "続けて投稿することはできません。<BR>"_sj,
           "あと "_sj + seconds + " 秒待ってから投稿して下さい。発言は保存されていません。"_sj,
           "You posted only a moment ago.<BR>",
           "Please wait " + seconds + " seconds and post again. Nothing was stored.");
  }
  if (double_post) {
    Refuse(req, "KIROQ ERROR", "同じ内容の発言がすでに投稿されています。<BR>"_sj, "発言は保存されていません。"_sj,
           "The same title and message were posted already.<BR>", "Nothing was stored.");
  }
  return entered;
}

void ApplyDefaults(Request& req) {
  IndexRecord& rec = req.post.record;
  const bool ja = req.japanese();
  if (req.settings.use_default == 2) {
    if (rec.title.empty()) rec.title = std::string(CutToBytes(req.settings.un_title, record_layout::kTitleCap, ja));
    if (rec.name.empty()) rec.name = std::string(CutToBytes(req.settings.un_name, record_layout::kNameCap, ja));
  } else if (req.settings.use_default == 3) {
    if (rec.title.empty()) {
      RefuseWithLine(req, "タイトルが記入されていません。戻ってタイトルを記入してください。"_sj,
                     "A subject isn't being inputted.");
    }
    if (rec.name.empty()) {
      RefuseWithLine(req, "氏名が記入されていません。戻って氏名を記入してください。"_sj,
                     "A name isn't being inputted.");
    }
  }
}

void CheckEmail(Request& req) {
  const std::string& email = req.post.record.email;
  if (!req.settings.use_mail || email.empty() || email.find('@') != std::string::npos) return;
  WritePageHeader(req.out);
  Output* out = req.out;
  out->Line("<HTML>");
  out->Line("<H1>KIROQ ERROR</H1>");
  // The referring page; only an http(s) address links as itself, so that a
  // forged Referer cannot make the link run script.
  const Html back = req.client.referer.empty() ? Html() : LinkAddress(req.client.referer);
  if (req.japanese()) {
    out->Line("メールアドレスが記入されていますが、正しくない可能性があります。<BR>"_sj);
    out->Line("メールアドレスを確認してください。"_sj);
    out->Line("再度入力する場合は、<A HREF=\""_sj + back + "\">こちら</A>を押して戻って下さい"_sj);
  } else {
    out->Line("Though a mail address is being written down, it has the possibility which isn't right.<BR>");
    out->Line("Confirm a mail address.");
    // sic: "plase try agein" kept as boards have always shown it.
    out->Line("Click <A HREF=\"" + back + "\">here</A>, plase try agein.");
  }
  out->Line("</HTML>");
  EndRequest();
}

void StorePost(Request& req, std::string_view body, const EnteredPost& entered) {
  IndexRecord rec = req.post.record;
  std::unique_ptr<File> log;
  if (!OpenWithRetry(req.env, req.files.Log(), OpenMode::kWriteShared, kStandardRetry, &log).ok() ||
      !AppendBody(log.get(), body, &rec.body_start, &rec.body_end).ok()) {
    log.reset();
    TakeBackPost(req, entered);
    // sic: the English wording is kept as boards have always shown it.
    RefuseWithLine(req, "ログデータの書き込みが行えません。管理者に問い合わせてください。"_sj,
                   "Writing of log data can't be done. Put it, and carry out time for a while again.");
  }
  log.reset();  // the log is closed before the index is opened
  rec.parent = (req.action == Code(Action::kNewestAfterPost) && req.number > 0) ? req.number : 0;
  std::unique_ptr<File> index;
  int position = 0;
  if (!OpenWithRetry(req.env, req.files.Index(), OpenMode::kWriteExclusive, kStandardRetry, &index).ok() ||
      !AppendRecord(index.get(), rec, &position).ok()) {
    index.reset();
    TakeBackPost(req, entered);
    WritePageHeader(req.out);
    req.out->Line(req.labels.index_busy);
    EndRequest();
  }
}

}  // namespace

bool CheckAndStorePost(Request& req) {
  const int action = req.action;
  const bool has_content = !req.post.content.absent();
  if (!has_content && IsPostAction(action)) RefuseMissingText(req);
  std::string body;
  if (has_content) body = ScreenContent(req);
  if (IsPostAction(action) && body.empty()) RefuseMissingText(req);
  // A read-only board takes posts only with its control password, and a
  // board without one takes none.
  if (req.settings.read_only && IsPostAction(action)) CheckControlPassword(req);
  if (req.settings.members_only_board() && IsPostAction(action)) CheckMember(req);
  if (!IsPostAction(action)) return false;
  CheckBotScreens(req, body);
  ApplyDefaults(req);
  // Everything that can refuse the post is checked before anything is
  // written, so a refused post leaves nothing behind; the posting limits
  // come last, as they enter the post in the limits file.
  CheckEmail(req);
  const EnteredPost entered = CheckPostingLimits(req, body);
  StorePost(req, body, entered);
  return true;
}

void WritePostCookies(Request& req) {
  const Settings& s = req.settings;
  if (!s.use_cookie) return;
  const bool temporary = s.cookie_delete;
  if (!temporary && !req.post.remember) return;
  const IndexRecord& rec = req.post.record;
  std::vector<std::string> pairs;
  pairs.push_back("NAME=" + rec.name);
  if (s.use_mail) pairs.push_back("EMAIL=" + rec.email);
  if (s.use_url) pairs.push_back("URL=" + rec.url);
  if (s.use_address) pairs.push_back("ADDRESS1=" + rec.address);
  if (s.age_on()) pairs.push_back("AGE=" + rec.age);
  if (s.use_sex) pairs.push_back("SEX=" + rec.sex);
  if (s.members_only_board()) {
    pairs.push_back("MEMID=" + req.input.Field("MEMID"));
    pairs.push_back("MEMPASS=" + req.input.Field("MEMPASS"));
  }
  pairs.push_back("PWD=" + rec.password);
  std::string path = CookiePath(req.client.referer);
  for (const std::string& pair : pairs) {
    if (temporary) {
      WriteTemporaryCookie(req.out, pair, path);
    } else {
      WritePersistentCookie(req.out, pair, path, req.env->UnixTime());
    }
  }
}

}  // namespace kiroq
