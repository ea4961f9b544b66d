#include "cgi/multipart.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi/form_input.h"
#include "test_env.h"
#include "text/sjis.h"

namespace kiroq {
namespace {

const std::string kChrome = "----WebKitFormBoundaryqHv3Bd2xMlvXyZ0a";
const std::string kFirefox = "---------------------------1982384912716432431542104906";
const std::string kCurl = "------------------------d74496d66958873e";
const std::string kD = "--" + kChrome;

std::string Disposition(const std::string& name) { return "Content-Disposition: form-data; name=\"" + name + "\""; }

// A part as browsers write it: header lines, a blank line, the value.
std::string Part(const std::string& d, const std::string& headers, const std::string& value) {
  return d + "\r\n" + headers + "\r\n\r\n" + value + "\r\n";
}
std::string TextPart(const std::string& d, const std::string& name, const std::string& value) {
  return Part(d, Disposition(name), value);
}

FormInput ReadPosted(const std::string& body, const std::string& content_type) {
  FakeEnv env;
  env.vars["CONTENT_LENGTH"] = std::to_string(body.size());
  if (!content_type.empty()) env.vars["CONTENT_TYPE"] = content_type;
  env.stdin_data = body;
  FormInput input;
  input.Read(&env, false);
  return input;
}
FormInput ReadChrome(const std::string& parts) {
  return ReadPosted(parts + kD + "--\r\n", "multipart/form-data; boundary=" + kChrome);
}

TEST(BoundaryParameter, TakenFromTheContentType) {
  const std::pair<std::string, std::string> cases[] = {
      {"multipart/form-data; boundary=" + kChrome, kChrome},
      {"multipart/form-data;boundary=xyz;charset=Shift_JIS", "xyz"},
      {"multipart/form-data; charset=x; BOUNDARY=\"a b;c\" ; x=y", "a b;c"},
      {"multipart/form-data; Boundary = abc", "abc"},
      {"multipart/form-data; title=\"boundary=fake;\"; boundary=real", "real"},
      {"multipart/form-data", ""},
      {"application/x-www-form-urlencoded", ""},
      {"multipart/form-data; boundary=\"\"", ""},
      {"multipart/form-data; xboundary=abc", ""},
      {"multipart/form-data; boundary=\"unterminated", ""},
  };
  for (const auto& [content_type, boundary] : cases)
    EXPECT_EQ(BoundaryParameter(content_type), boundary) << content_type;
}

TEST(DashBoundaryLine, FirstLineStartingWith29Dashes) {
  const std::string line = std::string(29, '-') + "7d33a816d302b6";
  EXPECT_EQ(DashBoundaryLine("x" + line + "\r\n" + line + "\r\nabc\r\n" + line + "--\r\n"), line);
  EXPECT_EQ(DashBoundaryLine(std::string(28, '-') + "abc\r\n"), "");
}

TEST(BrowserBodies, FieldsMessageAndBinaryUpload) {
  struct Case {
    std::string boundary, content_type, tail;
    bool recognised;
  } cases[] = {
      {kChrome, "multipart/form-data; boundary=" + kChrome, "WebKitFormBoundaryqHv3Bd2xMlvXyZ0a", true},
      {kFirefox, "multipart/form-data; boundary=" + kFirefox, "1982384912716432431542104906", true},
      {kFirefox, "", "1982384912716432431542104906", true},  // old browsers: the 29-dash line
      {kCurl, "multipart/form-data; boundary=" + kCurl, "d74496d66958873e", true},
      {kChrome, "", "", false},
      {kChrome, "multipart/form-data", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content_type);
    const std::string d = "--" + c.boundary;
    std::string file("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\r\n", 18);
    file += d + "Z\r\nx" + d + "\r\n\r\n" + Disposition("NAME") + "\r\n\r\nfake\r\n" + std::string("\0\xff\r", 3);
    const std::string name("表示ポ"_sj);  // second bytes 0x5C and 0x7C
    std::string body =
        TextPart(d, "NAME", name) + TextPart(d, "CONTENT", "line1\r\nline2") +
        Part(d, Disposition("UPLOADFILE") + "; filename=\"photo.png\"\r\nContent-Type: image/png", file) +
        TextPart(d, "COOKIE", "on") + d + "--\r\n";
    FormInput in = ReadPosted(body, c.content_type);
    FormInput::Upload up = in.FindUpload("uploadfile");
    if (!c.recognised) {
      EXPECT_EQ(in.Field("NAME"), "");
      EXPECT_TRUE(in.Locate("CONTENT").absent());
      EXPECT_EQ(up.data_last, -1);
      continue;
    }
    EXPECT_EQ(in.Field("name"), name);
    EXPECT_EQ(in.Field("Content"), "line1line2");
    EXPECT_EQ(in.Field("COOKIE"), "on");
    EXPECT_EQ(in.Bytes(in.Locate("CONTENT")), "line1\r\nline2\r\n");
    EXPECT_EQ(up.field_name, "UPLOADFILE");
    EXPECT_EQ(up.file_name, "photo.png");
    EXPECT_EQ(up.content_type, "image/png");
    EXPECT_EQ(in.UploadBytes(up), file);
    EXPECT_EQ(up.boundary_tail, c.tail);
  }
}

TEST(ContentLocation, TextRunsFromItsFirstLineThroughTheLastLineBreak) {
  auto located = [](const std::string& value) {
    FormInput in = ReadChrome(TextPart(kD, "CONTENT", value));
    return std::string(in.Bytes(in.Locate("CONTENT")));
  };
  EXPECT_EQ(located("abc"), "abc\r\n");  // the line break before the delimiter ends the last line
  EXPECT_EQ(located("abc\r\n"), "abc\r\n\r\n");
  EXPECT_EQ(located("\r\n\r\nabc"), "abc\r\n");  // empty lines before the text separate it from the header
  EXPECT_EQ(located("\r\n \r\nabc"), " \r\nabc\r\n");
  EXPECT_EQ(located(std::string("表示\r\nポ"_sj)), "表示\r\nポ\r\n"_sj);
  EXPECT_EQ(located("\r\n\r\n"), "");  // line breaks alone are no text

  std::string parts = TextPart(kD, "CONTENT", "abc");
  FormInput::Span span = ReadChrome(parts).Locate("CONTENT");
  EXPECT_EQ(span.start, parts.find("abc"));
  EXPECT_EQ(span.last, 4);  // five bytes: "abc" CR LF

  FormInput empty = ReadChrome(TextPart(kD, "CONTENT", "") + TextPart(kD, "NAME", ""));
  EXPECT_TRUE(empty.Locate("CONTENT").absent());
  EXPECT_TRUE(empty.Locate("TITLE").absent());
  EXPECT_EQ(empty.Field("NAME"), "");
}

TEST(PartHeaders, OnlyRealHeadersCount) {
  // A message that quotes part headers must neither add a field nor move the message.
  const std::string quoted =
      "see:\r\n" + Disposition("PASSWORD") + "\r\n\r\nhacked\r\n" + Disposition("CONTENT") + "\r\nx";
  FormInput in = ReadChrome(TextPart(kD, "CONTENT", quoted) + TextPart(kD, "PASSWORD", "real") +
                            Part(kD, "content-disposition: form-data; name=\"NAME\"", "lower case") +
                            Part(kD, Disposition("TITLE") + "\r\nContent-Type: text/plain", "typed"));
  EXPECT_EQ(in.Bytes(in.Locate("CONTENT")), quoted + "\r\n");
  EXPECT_EQ(in.Field("PASSWORD"), "real");
  EXPECT_EQ(in.Field("NAME"), "");
  EXPECT_EQ(in.Field("TITLE"), "typed");  // further header lines are not the value
}

TEST(Uploads, FileNameAndPartChoice) {
  const std::string path("C:\\Documents\\表示.jpg"_sj);
  FormInput in = ReadChrome(
      Part(kD, Disposition("OTHER") + "; filename=\"other.txt\"\r\nContent-Type: text/plain", "other data") +
      Part(kD, Disposition("UPLOADFILE") + "; filename=\"" + path + "\"\r\nContent-Type: image/jpeg", "jpeg data") +
      Part(kD, Disposition("NOTYPE") + "; filename=\"n.txt\"", "untyped") +
      Part(kD, Disposition("EMPTY") + "; filename=\"\"\r\nContent-Type: application/octet-stream", ""));
  FormInput::Upload up = in.FindUpload("UPLOADFILE");
  EXPECT_EQ(up.file_name, path);  // client path kept whole
  EXPECT_EQ(in.UploadBytes(up), "jpeg data");
  EXPECT_EQ(in.UploadBytes(in.FindUpload("OTHER")), "other data");

  FormInput::Upload untyped = in.FindUpload("NOTYPE");
  EXPECT_EQ(untyped.file_name, "n.txt");
  EXPECT_EQ(untyped.data_last, -1);
  EXPECT_TRUE(in.UploadBytes(untyped).empty());

  FormInput::Upload empty = in.FindUpload("EMPTY");
  EXPECT_EQ(empty.field_name, "EMPTY");
  EXPECT_EQ(empty.file_name, "");
  EXPECT_EQ(empty.data_last, -1);
  EXPECT_EQ(in.FindUpload("MISSING").field_name, "");
}

}  // namespace
}  // namespace kiroq
