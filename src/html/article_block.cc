#include "html/article_block.h"

#include <memory>

#include "html/request.h"
#include "html/links.h"
#include "board/dates.h"
#include "html/post_date.h"
#include "storage/attachment_names.h"
#include "storage/article_store.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/convert.h"
#include "text/sjis.h"

namespace kiroq {

std::unique_ptr<File> OpenLogForArticles(Request& req) {
  std::unique_ptr<File> log;
  if (!OpenWithRetry(req.env, req.files.Log(), OpenMode::kReadShared, kStandardRetry, &log).ok()) {
    req.out->Line("ログファイルをオープン出来ませんでした。暫くしてから再度行ってください。"_sj);
    EndRequest();
  }
  return log;
}

namespace {

// <TR><TD ALIGN="CENTER" BGCOLOR="head"><FONT COLOR="text">label</FONT></TD><TD>
std::string RowStart(std::string_view head, std::string_view text, std::string_view label) {
  std::string s = "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"";
  s.append(head);
  s.append("\"><FONT COLOR=\"");
  s.append(text);
  s.append("\">");
  s.append(label);
  s.append("</FONT></TD><TD>");
  return s;
}

std::string FormatBytes(uint64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

void WriteNumberRow(Request& req, int number) {
  const Settings& s = req.settings;
  Output* out = req.out;
  out->Line(RowStart(s.no_head_color, s.no_str_color, req.japanese() ? "文書番号"_sj : "Article No") + Itoa(number));
  if (!s.read_only) {
    std::string_view label = req.japanese() ? req.labels.reply : std::string_view("Response");
    out->Raw(" " + BoardLink(req, number, 4, label));
  }
  out->Line("</TD></TR>");
}

void WritePosterRow(Request& req, const IndexRecord& rec) {
  const Settings& s = req.settings;
  Output* out = req.out;
  const bool ja = req.japanese();
  out->Line(RowStart(s.writer_head_color, s.writer_str_color, ja ? "記入者"_sj : "Posted by"));
  if (!rec.email.empty() && s.use_mail && !rec.is_deleted()) {
    out->Raw("<A HREF=\"mailto:");
    out->Text(rec.email);
    out->Raw("\">");
    out->Text(rec.name);
    out->Raw("</A>");
  } else {
    out->Text(rec.name);
  }
  out->Raw("　"_sj);
  if (s.use_host_name) {
    out->Raw("<FONT COLOR=\"BLUE\">(");
    out->Text(rec.host);
    out->Raw(")</FONT> ");
  }
  if (s.use_address) {
    out->Text(rec.address);
    out->Raw("　"_sj);
  }
  if (s.age_on()) {
    out->Text(rec.age);
    out->Raw("　"_sj);
  }
  if (s.use_sex) {
    const char* colour = "PURPLE";
    if (rec.sex == (ja ? "男性"_sj : "MAIL")) colour = "BLUE";
    if (rec.sex == (ja ? "女性"_sj : "FEMAIL")) colour = "RED";
    out->Raw(std::string("<FONT COLOR=\"") + colour + "\">");
    out->Text(rec.sex);
    out->Raw("</FONT>");
    out->Raw("　"_sj);
  }
  out->Line("</TD></TR>");
}

void WriteRelationsRow(Request& req, const IndexRecord& rec) {
  const bool ja = req.japanese();
  const int children = rec.ChildCount();
  Output* out = req.out;
  out->Line("<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"" + req.settings.tree_head_color + "\">" +
            std::string(ja ? "コメント元"_sj : "Original") + "</TD><TD>");
  if (children > 0) out->Raw(BoardLink(req, req.position + 1, 12, ja ? "▼ "_sj : "V "));
  if (rec.parent != 0) {
    out->Raw(ja ? "親 "_sj : "Owner ");
    out->Raw(BoardLink(req, rec.parent, 3, Itoa(rec.parent)));
  }
  if (children > 0) {
    out->Raw(ja ? " 子 "_sj : " Child ");
    for (int i = 0; i < children; ++i) {
      long long n = static_cast<long long>(rec.children[i]) + 1;
      out->Raw(BoardLink(req, n, 3, Itoa(n)) + " ");
    }
  }
  out->Line("</TD></TR>");
}

// The body, read from the given log or from the board's own.
std::string ReadArticleBody(Request& req, const IndexRecord& rec, File* log) {
  std::string body;
  std::unique_ptr<File> own;
  if (!log) {
    own = OpenLogForArticles(req);
    log = own.get();
  }
  if (!ReadBody(log, rec, &body).ok()) body.clear();
  return body;
}

void WriteBody(Request& req, const IndexRecord& rec, File* log) {
  Output* out = req.out;
  if (rec.is_deleted()) {
    out->Line(req.japanese() ? "この文章は投稿者によって削除されています。<BR>"_sj
                             : "This sentence is being removed by a contributor.<BR>");
    return;
  }
  if (!rec.HasBody()) return;
  std::string body = ReadArticleBody(req, rec, log);
  for (const std::string& line : BodyLines(req, body, false)) out->Line(line + "<BR>");
  if (req.action == 5) {
    out->Line("<HR>");
    for (const std::string& line : BodyLines(req, body, true)) out->Line(line + "<BR>");
  } else if (req.settings.roma) {
    out->Line(BoardLink(req, req.position + 1, 5, "ローマ字をひらがなに変換"_sj));
  }
}

void WriteAttachmentLine(Request& req, const IndexRecord& rec, int number) {
  const bool ja = req.japanese();
  Output* out = req.out;
  if (rec.attachment.empty()) {
    out->Line(BoardLink(req, number, 20,
                        ja ? "<FONT SIZE=\"-1\">ファイルを添付</FONT>"_sj : "<FONT SIZE=\"-1\">Attach a file</FONT>"));
    return;
  }
  if (!IsSafeAttachmentName(rec.attachment)) return;
  uint64_t size = 0;
  if (!req.env->GetFileSize(AttachmentPath(req, number, rec.attachment), &size).ok()) return;
  std::string download = BoardLinkNewWindow(req, number, 22, EscapeHtml(rec.attachment));
  std::string change = BoardLink(req, number, 20, ja ? "ファイルを変更</FONT>"_sj : "Change a file</FONT>");
  long long counter = 0;
  if (ReadDownloadCounter(req, number, &counter)) {
    out->Line(std::string(ja ? "[<FONT SIZE=\"-1\">ダウンロード数 "_sj : "[<FONT SIZE=\"-1\">Download Counter ") +
              Itoa(counter) + "][" + download + "(" + FormatBytes(size) + (ja ? "byte)] " : "(byte)] ") + change);
  } else {
    out->Line("<FONT SIZE=\"-1\">[" + download + " (" + FormatBytes(size) + "(byte)] " + change);
  }
}

// Romaji turned into hiragana everywhere but in the addresses that the
// auto-link will turn into links (found by the same rule), so that links
// keep their letters.
std::string RomajiOutsideAddresses(std::string_view line) {
  std::string out;
  std::size_t plain = 0, pos = 0;
  bool inside_link = false;
  while (pos < line.size()) {
    std::string_view rest = line.substr(pos);
    if (StartsWithIgnoreCase(rest, "<A")) inside_link = true;
    if (inside_link && StartsWithIgnoreCase(rest, "</A>")) inside_link = false;
    if (!inside_link && (StartsWithIgnoreCase(rest, "WWW.") || StartsWithIgnoreCase(rest, "HTTP"))) {
      std::size_t end = pos;
      while (end < line.size() && line[end] != ' ' && !IsLeadByte(line[end])) ++end;
      out += RomajiToHiragana(line.substr(plain, pos - plain));
      out.append(line.substr(pos, end - pos));
      plain = pos = end;
      continue;
    }
    pos += IsLeadByte(line[pos]) ? 2 : 1;
  }
  if (plain < line.size()) out += RomajiToHiragana(line.substr(plain));
  return out;
}

}  // namespace

std::string LinkTarget(std::string_view url) {
  if (StartsWithIgnoreCase(url, "http://") || StartsWithIgnoreCase(url, "https://")) return std::string(url);
  return "http://" + std::string(url);
}

std::vector<std::string> BodyLines(const Request& req, std::string_view body, bool romaji) {
  std::vector<std::string> lines = SplitLines(body);
  const bool markup = req.settings.use_html_tag;
  for (std::string& line : lines) {
    if (romaji) line = req.settings.url_link_convert ? RomajiOutsideAddresses(line) : RomajiToHiragana(line);
    if (!markup) line = EscapeHtml(line);
    if (req.settings.url_link_convert) line = AutoLinkAddresses(line);
  }
  return lines;
}

bool IsSafeAttachmentName(std::string_view name) {
  // Read as Shift-JIS on every board: a 0x5C after a lead byte is part of a
  // character, and only "/" separates folders here.
  return IsStorableName(name, true);
}

std::string AttachmentPath(const Request& req, int number, const std::string& name) {
  return req.files.UploadDir() + Itoa(number) + "/" + name;
}

std::string CounterPath(const Request& req, int number) {
  return req.files.UploadDir() + req.board + Itoa(number) + ".txt";
}

bool ReadDownloadCounter(Request& req, int number, long long* count) {
  std::string text;
  if (!req.env->ReadFile(CounterPath(req, number), &text).ok()) return false;
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty()) {
    *count = 0;
  } else {
    int v;
    *count = ParseWholeNumber(lines[0], &v) ? v : 1;
  }
  return true;
}

void WriteArticleBlock(Request& req, const IndexRecord& rec, int number, File* log) {
  const Settings& s = req.settings;
  const bool ja = req.japanese();
  Output* out = req.out;
  out->Line("<HR>");
  out->Line("<TABLE BORDER=0>");
  WriteNumberRow(req, number);

  std::string title = RowStart(s.title_head_color, s.title_str_color, ja ? "タイトル"_sj : "Title");
  if (rec.is_deleted()) {
    title += "<FONT COLOR=\"RED\">削除されています</FONT></TD></TR>"_sj;
  } else {
    title += EscapeHtml(rec.title) + "</TD></TR>";
  }
  out->Line(title);

  WritePosterRow(req, rec);
  if (s.use_date) {
    out->Line(RowStart(s.date_head_color, s.date_str_color, ja ? "日付"_sj : "Date") +
              FormatPostDate(rec.date, s, req.env->Now()) + "</TD></TR>");
  }
  if (s.use_url && !rec.is_deleted() && !rec.url.empty()) {
    out->Line(RowStart(s.url_head_color, s.url_str_color, "URL") + "<A HREF=\"" + EscapeHtml(LinkTarget(rec.url)) +
              "\" TARGET=\"OTHER\">" + EscapeHtml(rec.url) + "</A></TD></TR>");
  }
  if (s.use_image_url && !rec.is_deleted() && !rec.image_url.empty()) {
    out->Line("<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#CCFF00\"><FONT COLOR=\"" + s.grph_str_color + "\">" +
              std::string(ja ? "画像"_sj : "Picture") + "</FONT></TD><TD><IMG SRC=\"" + EscapeHtml(rec.image_url) +
              "\"></TD></TR>");
  }
  if (req.action != 11 && (rec.parent != 0 || rec.ChildCount() > 0)) WriteRelationsRow(req, rec);
  out->Line("</TABLE>");
  WriteBody(req, rec, log);
  if (!rec.is_deleted() && s.file_upload) WriteAttachmentLine(req, rec, number);
}

}  // namespace kiroq
