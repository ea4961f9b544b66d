// Message templates rendered for the articles of a small board.
//
// Input: one line of options, then the template file's text. The options line is
// "<action> <extension> <flags> <position> <cookie text>", each word
// optional: the request's action code (3 when missing), the template file's
// extension (.mes), letters that turn settings on (see Apply) and the
// 0-based record of the board the template is rendered for.
//
// Every text a visitor gave (record fields, bodies, cookies) carries the
// marker <DEL" (DEL the byte 0x7F) so that any of it written unescaped shows
// in the page. The input's own DEL bytes are dropped, so that neither the
// template nor its tags can make the marker.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "board_fixture.h"
#include "fuzz_support.h"
#include "html/labels.h"
#include "html/page_context.h"
#include "html/request.h"
#include "html/templates.h"
#include "storage/board_files.h"
#include "text/ascii.h"
#include "text/sjis.h"

namespace kiroq::fuzz {
namespace {

constexpr char kDel = '\x7f';
constexpr std::string_view kMarker = "<\x7f\"";
const std::string M(kMarker);

IndexRecord Article(const std::string& title, const std::string& name, int parent, std::vector<int32_t> children) {
  IndexRecord r = SampleRecord(title, name, parent);
  r.email = name + M + "@example.jp";
  r.url = "http://example.jp/?a=1&b=" + M;
  r.image_url = "http://example.jp/i" + M + ".png";
  r.sex = "m" + M;
  r.age = "2" + M;
  r.address = "A" + M;
  r.host = "host" + M;
  r.password = "pw";
  r.child_count = static_cast<int32_t>(children.size());
  for (std::size_t i = 0; i < children.size(); ++i) r.children[i] = children[i];
  return r;
}

// The board every input renders against, made once: a thread of four
// (one reply deleted, one with a legacy text date and an attachment) and a
// lone top without a body.
void FillBoard(BoardFixture* b) {
  b->AddArticle(Article("Hello " + M, "taro" + M, 0, {1, 3}),
                "line one " + M + "\r\nhttp://example.com/x" + M + " tail\r\n\r\n> quoted\r\nkonnichiha");
  b->AddArticle(Article("Re:01 Hello" + M, "hana", 1, {2}), "reply " + M);
  IndexRecord deleted = Article("Re:02 Hello", "jiro", 2, {});
  deleted.deleted = 1;
  b->AddArticle(deleted, "gone " + M);
  IndexRecord legacy = Article("", "saburo", 1, {});
  legacy.title = "Re:01 ";
  legacy.title.append("漢字の題"_sj);
  legacy.date = {};
  const std::string text = "2003/01/02 03:04:05";
  legacy.date[0] = static_cast<uint8_t>(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) legacy.date[1 + i] = static_cast<uint8_t>(text[i]);
  legacy.attachment = "file.txt";
  std::string sjis_body = "sjis ";
  sjis_body.append("本文です"_sj);
  b->AddArticle(legacy, sjis_body + M);
  b->dir().Write("bbsdb/fz/4/file.txt", "attached");
  b->AddArticle(Article("Top" + M, "shiro", 0, {}), "");
  b->env().SetLocalTime(2024, 12, 5, 12, 0, 0);
}

// Static, so that its temporary folder goes when the run ends.
BoardFixture& Board() {
  static BoardFixture board("fz");
  static const bool filled = (FillBoard(&board), true);
  (void)filled;
  return board;
}

void Apply(std::string_view flags, Settings* s) {
  for (char c : flags) {
    switch (c) {
      case 'J':
        s->japanese = true;
        break;
      case 'M':
        s->use_mail = true;
        break;
      case 'U':
        s->use_url = true;
        break;
      case 'D':
        s->use_delete = true;
        break;
      case 'R':
        s->roma = true;
        break;
      case 'I':
        s->use_image_url = true;
        break;
      case 'A':
        s->use_address = true;
        break;
      case 'S':
        s->use_sex = true;
        break;
      case 'G':
        s->use_age = "1";
        break;
      case 'C':
        s->use_cookie = true;
        break;
      case 'K':
        s->use_cookie_setting = true;
        break;
      case 'F':
        s->file_upload = true;
        break;
      case 'N':
        s->num_click = true;
        break;
      case 'T':
        s->title_click = true;
        break;
      case 'H':
        s->use_html_tag = true;
        break;
      case 'L':
        s->url_link_convert = true;
        break;
      case 'B':
        s->bbs_man = true;
        break;
      case 'P':
        s->post_button = true;
        break;
      case 'V':
        s->delete_visible = true;
        break;
      case 'W':
        s->crlf_cut = true;
        break;
      case 'O':
        s->read_only = true;
        break;
      case 'E':
        s->use_default = 1;
        break;
      case 'X':
        s->imode = 1;
        break;
      case '!':
        s->time_color = 1;
        break;
      default:
        if (c >= '0' && c <= '9') s->view_select = c - '0';
    }
  }
  s->un_title = "untitled";
  s->add_head = "> ";
  s->form_enctype = s->mobile() ? "" : " ENCTYPE=\"multipart/form-data\"";
}

// Letters, digits and dots only: the extension becomes part of a file name.
std::string Extension(std::string_view word) {
  std::string ext;
  for (char c : word.substr(0, 8)) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.') ext += c;
  }
  if (ext.empty() || ext.front() != '.') ext.insert(0, ".");
  return ext;
}

// The board's Env, with the template file served from memory: writing it
// to disk for every input made the target twenty times slower.
class TemplateEnv : public EnvWrapper {
 public:
  TemplateEnv(Env* target, std::string path, std::string_view text)
      : EnvWrapper(target), path_(std::move(path)), text_(text) {}
  Status ReadFile(const std::string& path, std::string* data) override {
    if (path != path_) return EnvWrapper::ReadFile(path, data);
    data->assign(text_);
    return Status::OK();
  }

 private:
  std::string path_;
  std::string_view text_;
};

std::vector<std::string_view> Words(std::string_view line, std::size_t max) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (words.size() + 1 < max) {
    while (at < line.size() && line[at] == ' ') ++at;
    if (at >= line.size()) return words;
    std::size_t end = line.find(' ', at);
    if (end == std::string_view::npos) end = line.size();
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  while (at < line.size() && line[at] == ' ') ++at;
  if (at < line.size()) words.push_back(line.substr(at));
  return words;
}

}  // namespace
}  // namespace kiroq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kiroq;
  using namespace kiroq::fuzz;
  BoardFixture& board = Board();
  std::string text(AsText(data, size));
  text.erase(std::remove(text.begin(), text.end(), kDel), text.end());
  const Split input = SplitFirstLine(text);
  const std::vector<std::string_view> words = Words(input.first_line, 5);
  auto word = [&](std::size_t i) { return i < words.size() ? words[i] : std::string_view(); };

  Settings settings;
  Apply(word(2), &settings);
  const int action = ToIntDef(word(0), 3) & 0xFF;
  const std::string ext = word(1).empty() ? std::string(".mes") : Extension(word(1));
  static const int count = board.Count();
  int position = ToIntDef(word(3), 0) % count;
  if (position < 0) position += count;
  const std::string cookie = "NAME=nm" + M + "; EMAIL=em" + M + "; URL=u" + M + "; PWD=pw" + M + "; AGE=3" + M +
                             "; SEX=f" + M + "; ADDRESS1=ad" + M + "; " + std::string(word(4));

  static const std::vector<IndexRecord> records = [&] {
    std::vector<IndexRecord> all;
    for (int p = 0; p < count; ++p) all.push_back(board.Record(p));
    return all;
  }();
  const IndexRecord& rec = records[static_cast<std::size_t>(position)];
  FakeEnv& fake = board.env();
  fake.stdout_data.clear();
  const std::string path = board.dir().path() + board.board() + ext;
  TemplateEnv env(&fake, path, input.rest);
  {
    Output out(&env);
    Request req(&env, &out);
    req.board = board.board();
    req.program_folder = board.dir().path();
    req.page_size = 10;
    req.action = action;
    req.number = position + 1;
    PageContext page;
    page.action = action;
    page.position = position;
    page.count = count;
    req.cookies = Cookies(cookie);
    req.files = BoardFiles(board.dir().path(), board.board());
    if (settings.file_upload) req.upload_dir = req.files.UploadDir();
    req.settings = settings;
    req.labels = ChooseLabels(settings.japanese, settings.image_button, settings.mobile());
    try {
      RenderTemplate(req, page, path, rec);
    } catch (const RequestEnded&) {
      Check(false, "template render ended the request");
    }
  }
  const std::string& page = fake.stdout_data;
  if (std::getenv("KIROQ_FUZZ_DUMP")) std::fwrite(page.data(), 1, page.size(), stderr);
  // Lines end in CR LF: one per template line.
  Check(SplitLines(input.rest).size() <= static_cast<std::size_t>(std::count(page.begin(), page.end(), '\n')),
        "a template line was lost");
  // With USEHTMLTAG bodies go out as posted, marker and all.
  if (!settings.use_html_tag) {
    Check(page.find(kMarker.substr(0, 2)) == std::string::npos, "visitor text written unescaped");
    Check(page.find(kMarker.substr(1)) == std::string::npos, "visitor text breaks out of a quote");
  }
  return 0;
}
