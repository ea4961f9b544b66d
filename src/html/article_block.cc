#include "html/article_block.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "board/dates.h"
#include "html/links.h"
#include "html/post_date.h"
#include "html/request.h"
#include "storage/article_store.h"
#include "storage/attachment_names.h"
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
Html RowStart(std::string_view head, std::string_view text, const Html& label) {
  Html row;
  row.Reserve(80 + head.size() + text.size() + label.bytes().size());
  row += "<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"";
  row += Html::Trusted(head);
  row += "\"><FONT COLOR=\"";
  row += Html::Trusted(text);
  row += "\">";
  row += label;
  row += "</FONT></TD><TD>";
  return row;
}

// Digits in groups of three: "1,234,567".
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
  out->Line(RowStart(s.no_head_color, s.no_str_color, req.labels.number_heading) + Html::Number(number));
  if (!s.read_only) {
    const Html label = req.japanese() ? req.labels.reply : "Response";
    out->Write(" " + BoardLink(req, number, Action::kReplyForm, label));
  }
  out->Line("</TD></TR>");
}

void WritePosterRow(Request& req, const IndexRecord& rec) {
  const Settings& s = req.settings;
  Output* out = req.out;
  const bool ja = req.japanese();
  out->Line(RowStart(s.writer_head_color, s.writer_str_color, ja ? "記入者"_sj : "Posted by"));
  out->Write(PosterName(req, rec));
  out->Write("　"_sj);
  if (s.use_host_name) out->Write("<FONT COLOR=\"BLUE\">(" + EscapeText(rec.host) + ")</FONT> ");
  if (s.use_address) out->Write(EscapeText(rec.address) + "　"_sj);
  if (s.age_on()) out->Write(EscapeText(rec.age) + "　"_sj);
  if (s.use_sex) {
    Html colour = "PURPLE";
    // sic: "MAIL" and "FEMAIL" are what the English form posts (html/form_selects.cc).
    if (rec.sex == (ja ? "男性"_sj : "MAIL")) colour = "BLUE";
    if (rec.sex == (ja ? "女性"_sj : "FEMAIL")) colour = "RED";
    out->Write("<FONT COLOR=\"" + colour + "\">" + EscapeText(rec.sex) + "</FONT>" + "　"_sj);
  }
  out->Line("</TD></TR>");
}

void WriteRelationsRow(Request& req, const PageContext& page, const IndexRecord& rec) {
  const bool ja = req.japanese();
  const int children = rec.ChildCount();
  Output* out = req.out;
  out->Line("<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"" + Html::Trusted(req.settings.tree_head_color) + "\">" +
            (ja ? "コメント元"_sj : "Original") + "</TD><TD>");
  if (children > 0) out->Write(BoardLink(req, page.current(), Action::kThread, ja ? "▼ "_sj : "V "));
  if (rec.parent != 0) {
    out->Write(ja ? "親 "_sj : "Owner ");
    out->Write(BoardLink(req, rec.parent, Action::kArticle, Html::Number(rec.parent)));
  }
  if (children > 0) {
    out->Write(ja ? " 子 "_sj : " Child ");
    for (int i = 0; i < children; ++i) {
      long long n = static_cast<long long>(rec.children[i]) + 1;
      out->Write(BoardLink(req, n, Action::kArticle, Html::Number(n)) + " ");
    }
  }
  out->Line("</TD></TR>");
}

void WriteBody(Request& req, const PageContext& page, const IndexRecord& rec, const BodySource& source) {
  Output* out = req.out;
  if (rec.is_deleted()) {
    // sic: the English wording is kept as boards have always shown it.
    out->Line(req.japanese() ? "この文章は投稿者によって削除されています。<BR>"_sj
                             : "This sentence is being removed by a contributor.<BR>");
    return;
  }
  if (!rec.HasBody()) return;
  std::string storage;
  const std::string_view body = ArticleBodyBytes(req, rec, source, &storage);
  WriteBodyLines(req, body, false);
  if (page.action == Code(Action::kArticleAsHiragana)) {
    out->Line("<HR>");
    WriteBodyLines(req, body, true);
  } else if (req.settings.roma) {
    out->Line(BoardLink(req, page.current(), Action::kArticleAsHiragana, "ローマ字をひらがなに変換"_sj));
  }
}

void WriteAttachmentLine(Request& req, const IndexRecord& rec, int number) {
  const bool ja = req.japanese();
  Output* out = req.out;
  if (rec.attachment.empty()) {
    out->Line(BoardLink(req, number, Action::kUploadForm,
                        ja ? "<FONT SIZE=\"-1\">ファイルを添付</FONT>"_sj : "<FONT SIZE=\"-1\">Attach a file</FONT>"));
    return;
  }
  if (!IsSafeAttachmentName(rec.attachment)) return;
  uint64_t size = 0;
  if (!req.env->GetFileSize(AttachmentPath(req, number, rec.attachment), &size).ok()) return;
  const Html download = BoardLinkNewWindow(req, number, Action::kCountedDownload, EscapeText(rec.attachment));
  const Html change =
      BoardLink(req, number, Action::kUploadForm, ja ? "ファイルを変更</FONT>"_sj : "Change a file</FONT>");
  long long counter = 0;
  if (ReadDownloadCounter(req, number, &counter)) {
    out->Line((ja ? "[<FONT SIZE=\"-1\">ダウンロード数 "_sj : "[<FONT SIZE=\"-1\">Download Counter ") +
              Html::Number(counter) + "][" + download + "(" + EscapeText(FormatBytes(size)) +
              (ja ? Html("byte)] ") : Html("(byte)] ")) + change);
  } else {
    out->Line("<FONT SIZE=\"-1\">[" + download + " (" + EscapeText(FormatBytes(size)) + "(byte)] " + change);
  }
}

// Romaji turned into hiragana everywhere but in the addresses that the
// auto-link will turn into links (found by the same rule), so that links
// keep their letters. *inside_link carries the state of the pieces of a
// line before (see LineCut).
std::string RomajiOutsideAddresses(std::string_view line, bool* inside_link_state) {
  std::string out;
  std::size_t plain = 0, pos = 0;
  bool inside_link = *inside_link_state;
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
  *inside_link_state = inside_link;
  return out;
}

}  // namespace

namespace {

// Where the conversions of a line stand after the pieces before.
struct LineState {
  bool romaji_inside_link = false;
  bool inside_link = false;
};

// A whole line as the page shows it, made in memory.
Html WholeBodyLine(const Request& req, std::string_view text, bool romaji) {
  std::string converted;
  if (romaji) {
    bool inside_link = false;
    converted = req.settings.url_link_convert ? RomajiOutsideAddresses(text, &inside_link) : RomajiToHiragana(text);
    text = converted;
  }
  Html line = req.settings.use_html_tag ? Html::AllowedPostMarkup(text) : EscapeText(text);
  if (req.settings.url_link_convert) line = LinkAddresses(line);
  return line;
}

// A piece of a line as the page shows it, handed to write.
void WriteBodyPiece(const Request& req, std::string_view text, bool romaji, LineState* state,
                    const std::function<void(const Html&)>& write) {
  std::string converted;
  if (romaji) {
    converted = req.settings.url_link_convert ? RomajiOutsideAddresses(text, &state->romaji_inside_link)
                                              : RomajiToHiragana(text);
    text = converted;
  }
  if (req.settings.url_link_convert) {
    WriteLinkedText(text, req.settings.use_html_tag, &state->inside_link, write);
  } else {
    write(req.settings.use_html_tag ? Html::AllowedPostMarkup(text) : EscapeText(text));
  }
}

// Calls line(text) for every line of body, split as SplitLines splits.
template <typename Fn>
void ForEachLine(std::string_view body, Fn line) {
  // The next CR and the next LF, each found with memchr and looked for
  // again only once passed.
  const char* const begin = body.data();
  const char* const end = begin + body.size();
  auto next = [end](const char* from, char c) {
    const void* at = from < end ? std::memchr(from, c, static_cast<std::size_t>(end - from)) : nullptr;
    return at ? static_cast<const char*>(at) : end;
  };
  const char* start = begin;
  const char* cr = next(start, '\r');
  const char* lf = next(start, '\n');
  while (start < end) {
    if (cr < start) cr = next(start, '\r');
    if (lf < start) lf = next(start, '\n');
    const char* const brk = std::min(cr, lf);
    if (brk == end) {
      line(std::string_view(start, static_cast<std::size_t>(end - start)));
      return;
    }
    line(std::string_view(start, static_cast<std::size_t>(brk - start)));
    start = brk + (*brk == '\r' && brk + 1 < end && brk[1] == '\n' ? 2 : 1);
  }
}

}  // namespace

std::vector<Html> BodyLines(const Request& req, std::string_view body, bool romaji) {
  std::vector<Html> lines;
  ForEachLine(body, [&](std::string_view text) { lines.push_back(WholeBodyLine(req, text, romaji)); });
  return lines;
}

void ForEachBodyPiece(const Request& req, std::string_view line, bool romaji, std::size_t piece,
                      const std::function<void(const Html&)>& write) {
  if (!romaji && !req.settings.use_html_tag && !req.settings.url_link_convert) {
    // Plain escaping looks at one byte at a time: any cut will do.
    for (std::size_t at = 0; at < line.size(); at += piece) write(EscapeText(line.substr(at, piece)));
    return;
  }
  LineState state;
  for (std::size_t from = 0; from < line.size();) {
    // Linking alone streams a line of any length (WriteLinkedText); the
    // romaji view makes a copy of its piece.
    const std::size_t to = romaji || !req.settings.url_link_convert
                               ? LineCut(line, from, piece, romaji, req.settings.url_link_convert)
                               : line.size();
    WriteBodyPiece(req, line.substr(from, to - from), romaji, &state, write);
    from = to;
  }
}

void WriteBodyLines(Request& req, std::string_view body, bool romaji) {
  Output* out = req.out;
  // A long line is converted a piece at a time: memory holds a piece, not a
  // line grown up to six times by its entities.
  constexpr std::size_t kPiece = 64 * 1024;
  const bool plain = !romaji && !req.settings.use_html_tag && !req.settings.url_link_convert;
  ForEachLine(body, [&](std::string_view text) {
    if (plain) {
      for (std::size_t at = 0; at < text.size(); at += kPiece) out->WriteEscaped(text.substr(at, kPiece));
    } else {
      ForEachBodyPiece(req, text, romaji, kPiece, [out](const Html& piece) { out->Write(piece); });
    }
    out->Line("<BR>");
  });
}

std::string_view ArticleBodyBytes(Request& req, const IndexRecord& rec, const BodySource& source,
                                  std::string* storage) {
  if (source.read) return source.bytes;
  if (source.log) {
    if (!ReadBody(source.log, rec, storage).ok()) storage->clear();
    return *storage;
  }
  // Closed again as soon as the body is read: the page is written with no
  // file open.
  std::unique_ptr<File> own = OpenLogForArticles(req);
  if (!ReadBody(own.get(), rec, storage).ok()) storage->clear();
  return *storage;
}

Html QuotedBody(std::string_view body, const Html& prefix) {
  Html out = prefix;
  std::size_t start = 0;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\r') continue;
    out += EscapeText(body.substr(start, i - start)) + "\r\n" + prefix;
    if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
    start = i + 1;
  }
  return out + EscapeText(body.substr(start));
}

bool IsSafeAttachmentName(std::string_view name) {
  // Read as Shift-JIS on every board: a 0x5C after a lead byte is part of a
  // character, and only "/" separates folders here.
  return IsStorableName(name, true);
}

Html ArticlePicture(const Request& req, const IndexRecord& rec) {
  if (!req.settings.use_image_url || rec.is_deleted()) return Html();
  return PictureSource(rec.image_url, req.client.script_name);
}

std::string AttachmentPath(const Request& req, int number, const std::string& name) {
  return req.files.UploadDir() + Itoa(number) + "/" + name;
}

std::string CounterPath(const Request& req, int number) { return req.files.DownloadCounter(number); }

bool ReadDownloadCounter(Request& req, int number, long long* count) {
  return ReadDownloadCount(req.env, CounterPath(req, number), count);
}

void WriteArticleBlock(Request& req, const PageContext& page, const IndexRecord& rec, int number,
                       const BodySource& body) {
  const Settings& s = req.settings;
  const bool ja = req.japanese();
  Output* out = req.out;
  out->Line("<HR>");
  out->Line("<TABLE BORDER=0>");
  WriteNumberRow(req, number);

  Html title = RowStart(s.title_head_color, s.title_str_color, ja ? "タイトル"_sj : "Title");
  if (rec.is_deleted()) {
    title += "<FONT COLOR=\"RED\">削除されています</FONT></TD></TR>"_sj;
  } else {
    title += EscapeText(rec.title) + "</TD></TR>";
  }
  out->Line(title);

  WritePosterRow(req, rec);
  if (s.use_date) {
    out->Line(RowStart(s.date_head_color, s.date_str_color, ja ? "日付"_sj : "Date") +
              FormatPostDate(rec.date, s, req.env) + "</TD></TR>");
  }
  if (s.use_url && !rec.is_deleted() && !rec.url.empty()) {
    out->Line(RowStart(s.url_head_color, s.url_str_color, "URL") + "<A HREF=\"" + LinkAddress(rec.url) +
              "\" TARGET=\"OTHER\">" + EscapeText(rec.url) + "</A></TD></TR>");
  }
  if (const Html picture = ArticlePicture(req, rec); !picture.empty()) {
    out->Line("<TR><TD ALIGN=\"CENTER\" BGCOLOR=\"#CCFF00\"><FONT COLOR=\"" + Html::Trusted(s.grph_str_color) + "\">" +
              (ja ? "画像"_sj : "Picture") + "</FONT></TD><TD><IMG SRC=\"" + picture + "\"></TD></TR>");
  }
  if (page.action != Code(Action::kArticleList) && (rec.parent != 0 || rec.ChildCount() > 0)) {
    WriteRelationsRow(req, page, rec);
  }
  out->Line("</TABLE>");
  WriteBody(req, page, rec, body);
  if (!rec.is_deleted() && s.file_upload) WriteAttachmentLine(req, rec, number);
}

}  // namespace kiroq
