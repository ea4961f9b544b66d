#include "html/form_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi/output.h"
#include "html/request.h"
#include "test_env.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

class FormTest : public ::testing::Test {
 protected:
  FormTest() : out_(&env_), req_(&env_, &out_) {}

  void Board(bool japanese, bool mobile = false) {
    s_.japanese = japanese;
    s_.imode = mobile ? 1 : 0;
  }
  void SetCookies(std::string_view text) { req_.cookies = Cookies(text); }
  // Everything written since the last call.
  std::string Take() {
    out_.Flush();
    return std::exchange(env_.stdout_data, "");
  }
  static int Count(const std::string& text, std::string_view what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  static bool Has(const std::string& text, std::string_view what) { return text.find(what) != std::string::npos; }

  FakeEnv env_;
  Output out_;
  Request req_;
  Settings& s_ = req_.settings;
};

using FormRows = FormTest;

TEST_F(FormRows, NameRowEscapesTheCookieAndFollowsTheDefaultMode) {
  Board(true);
  s_.use_cookie = true;
  s_.name_size = "24";
  s_.un_name = "Anon";
  SetCookies("EMAIL=e; NAME=a\"b<c>&d; URL=u");
  WriteNameRows(req_);
  EXPECT_EQ(Take(),
            "<TR><TD>氏名:</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"24\" "
            "VALUE=\"a&quot;b&lt;c&gt;&amp;d\"></TD></TR>\r\n"_sj);

  struct Case {
    int mode;
    bool cookie_on;
    std::string_view cookie, value;
  } cases[] = {{0, true, "NAME=Taro", "Taro"}, {2, false, "NAME=Taro", ""},     {3, true, "", ""},
               {1, true, "NAME=Taro", "Taro"}, {1, false, "NAME=Taro", "Anon"}, {1, true, "", "Anon"}};
  for (const Case& c : cases) {
    s_.use_default = c.mode;
    s_.use_cookie = c.cookie_on;
    SetCookies(c.cookie);
    WriteNameRows(req_);
    EXPECT_TRUE(Has(Take(), "VALUE=\"" + std::string(c.value) + "\"></TD></TR>\r\n")) << c.mode << c.cookie;
  }
  for (int mode : {4, -1}) {
    s_.use_default = mode;
    WriteNameRows(req_);
    EXPECT_EQ(Take(), "");
  }
}

TEST_F(FormRows, MobileRowsDropTheBreakWhenTheDefaultIsFilledIn) {
  Board(true, true);
  s_.name_size = "12";
  s_.title_size = "8";
  s_.un_name = "名無し"_sj;
  s_.use_default = 1;
  WriteNameRows(req_);  // no cookies: the default name, no break
  WritePostTitleRow(req_, "無題"_sj);
  WriteReplyTitleRow(req_, "Re:01 x");
  s_.use_cookie = true;
  WriteNameRows(req_);
  s_.use_default = 2;
  WritePostTitleRow(req_, "無題"_sj);
  EXPECT_EQ(Take(),
            "氏名<BR><INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"12\" VALUE=\"名無し\">\r\n"
            "タイトル<BR><INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"8\" VALUE=\"無題\">\r\n"
            "タイトル<BR><INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"8\" VALUE=\"Re:01 x\"><BR>\r\n"
            "氏名<BR><INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"12\" VALUE=\"名無し\"><BR>\r\n"
            "タイトル<BR><INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"8\" VALUE=\"\"><BR>\r\n"_sj);
}

TEST_F(FormRows, TitleRowFillsThePostValueOnlyForDefaultModeOne) {
  Board(false);
  for (int mode : {0, 2, 3}) {
    s_.use_default = mode;
    WritePostTitleRow(req_, "Untitled");
    WriteReplyTitleRow(req_, "Re:01 <b>");
    EXPECT_EQ(Take(),
              "<TR><TD>Title：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"\"></TD></TR>\r\n"
              "<TR><TD>Title：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" "
              "VALUE=\"Re:01 &lt;b&gt;\"></TD></TR>\r\n"_sj);
  }
  s_.use_default = 1;
  WritePostTitleRow(req_, "A\"B");
  EXPECT_TRUE(Has(Take(), "VALUE=\"A&quot;B\"></TD></TR>"));
  EXPECT_EQ(TitleField(req_, "a<b"), "<INPUT TYPE=\"TEXT\" NAME=\"TITLE\" SIZE=\"60\" VALUE=\"a&lt;b\">");
}

TEST_F(FormRows, MembersOnlyBoardsAskForMemberIdAndPasswordAndNoMail) {
  s_.members_only = "/m/members.txt";
  s_.use_mail = true;
  s_.use_default = 7;  // would hide the name row; the member rows stay
  s_.name_size = "30";
  SetCookies("NAME=n; EMAIL=e@x; MEMID=id\"1; MEMPASS=p<w");
  Board(true);
  WriteNameRows(req_);
  WriteEmailRow(req_);
  EXPECT_EQ(
      Take(),
      "<TR><TD>会員ID：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"MEMID\" SIZE=\"30\" VALUE=\"id&quot;1\"></TD></TR>\r\n"
      "<TR><TD>パスワード：</TD><TD><INPUT TYPE=\"PASSWORD\" NAME=\"MEMPASS\" SIZE=\"30\" "
      "VALUE=\"p&lt;w\"></TD></TR>\r\n"_sj);
  Board(false, true);
  WriteNameRows(req_);
  EXPECT_EQ(Take(),
            "Members ID<BR><INPUT TYPE=\"TEXT\" NAME=\"MEMID\" SIZE=\"30\" VALUE=\"id&quot;1\"><BR>\r\n"
            "Members Password<BR><INPUT TYPE=\"TEXT\" NAME=\"MEMPASS\" SIZE=\"30\" VALUE=\"p&lt;w\"><BR>\r\n");
  Board(false);
  WriteNameRows(req_);
  EXPECT_TRUE(Has(Take(), "<TR><TD>Members Password：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"MEMPASS\""_sj));
  EXPECT_EQ(NameField(req_) + EmailField(req_), "");
}

TEST_F(FormRows, TextFieldsFollowTheirSwitchesInBothFamilies) {
  Board(true);
  SetCookies("EMAIL=a@b\"; URL=http://x/?a<b; IMAGEURL=img; PASSWORD2=pw");
  s_.email_size = "40";
  s_.url_size = "50";
  WriteEmailRow(req_);
  WriteUrlRow(req_);
  WriteImageUrlRow(req_);
  WriteControlPasswordRow(req_);
  EXPECT_EQ(Take(), "");
  EXPECT_EQ(EmailField(req_) + UrlField(req_) + ImageUrlField(req_) + ControlPasswordField(req_), "");

  s_.use_mail = s_.use_url = s_.use_image_url = s_.read_only = true;
  WriteEmailRow(req_);
  WriteUrlRow(req_);
  WriteImageUrlRow(req_);
  WriteControlPasswordRow(req_);
  EXPECT_EQ(
      Take(),
      "<TR><TD>EMail：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"EMAIL\" SIZE=\"40\" VALUE=\"a@b&quot;\"></TD></TR>\r\n"
      "<TR><TD>URL：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"URL\" SIZE=\"50\" VALUE=\"http://x/?a&lt;b\"></TD></TR>\r\n"
      "<TR><TD>画像URL：</TD><TD><INPUT TYPE=\"TEXT\" NAME=\"IMAGEURL\" SIZE=\"50\" VALUE=\"\"></TD></TR>\r\n"
      "<TR><TD>管理用PASSWORD：</TD><TD><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD2\" SIZE=\"20\" "
      "VALUE=\"\"></TD></TR>\r\n"_sj);
  Board(false, true);
  WriteImageUrlRow(req_);
  WriteControlPasswordRow(req_);
  EXPECT_EQ(Take(),
            "Image URL<BR><INPUT TYPE=\"TEXT\" NAME=\"IMAGEURL\" SIZE=\"50\" VALUE=\"\"><BR>\r\n"
            "Control Password<BR><INPUT TYPE=\"PASSWORD\" NAME=\"PASSWORD2\" SIZE=\"20\" VALUE=\"\"><BR>\r\n");
  EXPECT_EQ(EmailField(req_) + UrlField(req_),
            "<INPUT TYPE=\"TEXT\" NAME=\"EMAIL\" SIZE=\"40\" VALUE=\"a@b&quot;\">"
            "<INPUT TYPE=\"TEXT\" NAME=\"URL\" SIZE=\"50\" VALUE=\"http://x/?a&lt;b\">");
  // The name template field ignores the default mode and the cookie switch.
  s_.use_default = 9;
  SetCookies("NAME=<H>");
  EXPECT_EQ(NameField(req_), "<INPUT TYPE=\"TEXT\" NAME=\"NAME\" SIZE=\"60\" VALUE=\"&lt;H&gt;\">");
  EXPECT_EQ(Take(), "");  // template text fields write nothing
}

using FormButtons = FormTest;

TEST_F(FormButtons, ContentAreaButtonsAndCheckBox) {
  s_.rows_size = "8";
  s_.cols_size = "50";
  s_.use_cookie = true;
  Board(true);
  WriteContentAndButtons(req_, true);
  EXPECT_EQ(
      Take(),
      "<TEXTAREA NAME=\"CONTENT\" ROWS=8 COLS=50></TEXTAREA><BR>\r\n"
      "<INPUT TYPE=\"SUBMIT\" VALUE=\"投稿する\">\r\n<INPUT TYPE=\"RESET\" VALUE=\"リセットします\">\r\n"
      "<INPUT NAME=\"COOKIE\" TYPE=\"CHECKBOX\" VALUE=\"on\" checked>Cookie に氏名、メールアドレス等を記録する\r\n"_sj);
  WriteContentAndButtons(req_, false);
  EXPECT_FALSE(Has(Take(), "CHECKBOX"));
  Board(false);
  EXPECT_EQ(ButtonsField(req_),
            "<INPUT TYPE=\"SUBMIT\" VALUE=\"Post\"><INPUT TYPE=\"RESET\" VALUE=\"Reset\">"
            "<INPUT NAME=\"COOKIE\" TYPE=\"CHECKBOX\" VALUE=\"on\" checked>Save your name and mail address and etc...");
  s_.use_cookie = false;
  WriteContentAndButtons(req_, true);
  EXPECT_EQ(Take(),
            "<TEXTAREA NAME=\"CONTENT\" ROWS=8 COLS=50></TEXTAREA><BR>\r\n"
            "<INPUT TYPE=\"SUBMIT\" VALUE=\"Post\">\r\n<INPUT TYPE=\"RESET\" VALUE=\"Reset\">\r\n");
}

TEST_F(FormButtons, MobileJapaneseSubmitHasAnAccessKeyAndNoPageHasTheCheckBox) {
  s_.use_cookie = true;
  Board(true, true);
  WriteContentAndButtons(req_, true);
  EXPECT_EQ(Take(),
            "<TEXTAREA NAME=\"CONTENT\" ROWS=10 COLS=60></TEXTAREA><BR>\r\n"
            "<INPUT TYPE=\"SUBMIT\" VALUE=\"投稿する\" ACCESSKEY=\"0\">\r\n"
            "<INPUT TYPE=\"RESET\" VALUE=\"リセットします\">\r\n"_sj);
  EXPECT_EQ(
      ButtonsField(req_),
      "<INPUT TYPE=\"SUBMIT\" VALUE=\"投稿する\" ACCESSKEY=\"0\"><INPUT TYPE=\"RESET\" VALUE=\"リセットします\">"_sj);
  Board(false, true);
  EXPECT_EQ(ButtonsField(req_), "<INPUT TYPE=\"SUBMIT\" VALUE=\"Post\"><INPUT TYPE=\"RESET\" VALUE=\"Reset\">");
}

using FormChoices = FormTest;

TEST_F(FormChoices, AddressListSelectsOnlyAnExactEntry) {
  Board(true);
  s_.use_address = true;
  SetCookies("ADDRESS1=東京都"_sj);
  WriteAddressRow(req_);
  std::string page = Take();
  EXPECT_EQ(Count(page, "\r\n"), 51);
  EXPECT_TRUE(Has(page,
                  "<TR><TD>在住地：</TD><TD><SELECT NAME=\"ADDRESS1\" SIZE=1>\r\n<option value=\"内緒\">内緒\r\n"
                  "<option value=\"北海道\">北海道\r\n"_sj));
  EXPECT_TRUE(Has(page,
                  "<option value=\"千葉県\">千葉県\r\n<option value=\"東京都\" selected>東京都\r\n"
                  "<option value=\"神奈川県\">神奈川県\r\n"_sj));
  EXPECT_TRUE(
      Has(page, "<option value=\"沖縄県\">沖縄県\r\n<option value=\"海外\">海外\r\n</SELECT></TD></TR>\r\n"_sj));
  EXPECT_EQ(Count(page, "selected"), 1);

  SetCookies("ADDRESS1=内緒"_sj);
  WriteAddressRow(req_);
  SetCookies("ADDRESS1=海外"_sj);
  WriteAddressRow(req_);
  page = Take();
  EXPECT_EQ(Count(page, "selected"), 2);
  EXPECT_TRUE(Has(page, "<option value=\"内緒\" selected>内緒\r\n<option value=\"北海道\">"_sj));
  EXPECT_TRUE(Has(page, "<option value=\"海外\" selected>海外\r\n</SELECT>"_sj));
  for (std::string_view cookie : {"ADDRESS1=東京"_sj, "ADDRESS1=東京都 "_sj, ""_sj}) {
    SetCookies(cookie);
    WriteAddressRow(req_);
    EXPECT_EQ(Count(Take(), "selected"), 0) << cookie;
  }
  // The empty choice is selected for an empty cookie; templates and mobile rows differ only around the list.
  s_.use_none = true;
  WriteAddressField(req_);
  EXPECT_TRUE(Has(Take(), "<SELECT NAME=\"ADDRESS1\" SIZE=1>\r\n<option value=\"\" selected>未記入\r\n"_sj));
  Board(true, true);
  WriteAddressRow(req_);
  page = Take();
  EXPECT_TRUE(Has(page, "在住地<BR><SELECT NAME=\"ADDRESS1\" SIZE=1>\r\n"_sj) &&
              Has(page, "海外\r\n</SELECT><BR>\r\n"_sj));
  Board(false);  // never on English boards, whatever the switch says
  WriteAddressRow(req_);
  WriteAddressField(req_);
  EXPECT_EQ(Take(), "");
}

TEST_F(FormChoices, AgeListsByUseAge) {
  Board(true);
  s_.use_age = "1";
  SetCookies("AGE=30代"_sj);
  WriteAgeRow(req_);
  EXPECT_EQ(Take(),
            "<TR><TD>年齢：</TD><TD><SELECT NAME = \"AGE\">\r\n<option value=\"内緒\">内緒\r\n"
            "<option value=\"10代\">10代\r\n<option value=\"20代\">20代\r\n<option value=\"30代\" selected>30代\r\n"
            "<option value=\"40代\">40代\r\n<option value=\"50代\">50代\r\n<option value=\"60代\">60代\r\n"
            "<option value=\"70代\">70代\r\n<option value=\"80代\">80代\r\n<option value=\"90代\">90代\r\n"
            "</SELECT></TD></TR>\r\n"_sj);
  s_.use_age = "2";
  SetCookies("AGE=25歳"_sj);
  WriteAgeField(req_);
  std::string page = Take();
  EXPECT_EQ(Count(page, "<option"), 91);
  EXPECT_TRUE(Has(page, "<option value=\"24歳\">24歳\r\n<option value=\"25歳\" selected>25歳\r\n"_sj));
  EXPECT_TRUE(page.starts_with("<SELECT NAME = \"AGE\">\r\n<option value=\"内緒\">内緒\r\n<option value=\"10歳\">"_sj));
  EXPECT_TRUE(page.ends_with("<option value=\"99歳\">99歳\r\n</SELECT>\r\n"_sj));

  Board(false, true);  // English mobile: no break before the list
  s_.use_none = true;
  WriteAgeRow(req_);
  page = Take();
  EXPECT_TRUE(
      page.starts_with("Age<SELECT NAME = \"AGE\">\r\n<option value=\"\">None\r\n<option value=\"???\">???\r\n"
                       "<option value=\"10\">10\r\n"));
  EXPECT_TRUE(page.ends_with("<option value=\"99\">99\r\n</SELECT><BR>\r\n"));
  EXPECT_EQ(Count(page, "selected"), 0);  // the Japanese cookie value is in no English list
  for (const char* use_age : {"", "3", " 1"}) {
    s_.use_age = use_age;
    WriteAgeRow(req_);
    WriteAgeField(req_);
    EXPECT_EQ(Take(), "") << use_age;
  }
}

TEST_F(FormChoices, SexButtonsAlwaysCheckExactlyOne) {
  Board(true);
  s_.use_sex = true;
  SetCookies("SEX=女性"_sj);
  WriteSexRow(req_);
  EXPECT_EQ(Take(),
            "<TR><TD>性別：</TD><TD>\r\n<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"男性\"> 男性\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"女性\" CHECKED> 女性\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"内緒\"> 内緒\r\n</TD></TR>\r\n"_sj);
  Board(false);
  SetCookies("");
  WriteSexField(req_);
  s_.use_none = true;
  WriteSexField(req_);
  EXPECT_EQ(Take(),
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"MAIL\"> MAIL\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"FEMAIL\"> FEMAIL\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"Secret\" CHECKED> Secret\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"MAIL\"> MAIL\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"FEMAIL\"> FEMAIL\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"\" CHECKED> None\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"Secret\"> Secret\r\n");
  for (std::string_view cookie : {"SEX=mail"_sj, "SEX=男性"_sj, "SEX=Secret"_sj, "SEX=x\"y"_sj}) {
    SetCookies(cookie);
    WriteSexField(req_);
    EXPECT_EQ(Count(Take(), "CHECKED"), 1) << cookie;
  }
  Board(true, true);
  SetCookies("SEX=内緒"_sj);
  WriteSexRow(req_);
  EXPECT_EQ(Take(),
            "性別<BR>\r\n<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"男性\"> 男性\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"女性\"> 女性\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"\"> 未記入\r\n"
            "<INPUT TYPE=\"RADIO\" NAME=\"SEX\" VALUE=\"内緒\" CHECKED> 内緒\r\n<BR>\r\n"_sj);
  Board(false, true);
  WriteSexRow(req_);
  EXPECT_TRUE(Take().starts_with("Sex：\r\n<INPUT"_sj));
  s_.use_sex = false;
  WriteSexRow(req_);
  WriteSexField(req_);
  EXPECT_EQ(Take(), "");
}

}  // namespace
}  // namespace kiroq
