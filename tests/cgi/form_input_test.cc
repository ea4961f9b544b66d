#include "cgi/form_input.h"

#include <gtest/gtest.h>

#include <string>

#include "test_env.h"

namespace kiroq {
namespace {

const std::string kBoundary = "----WebKitFormBoundaryAbCdEfGhIjKlMnOp";
const std::string kD = "--" + kBoundary;
const std::string kFile("\r\n\0--\r\n", 7);

// Counts the reads, and hands out at most max_chunk bytes per read.
class MeteredEnv : public FakeEnv {
 public:
  std::size_t ReadStdin(char* buf, std::size_t n) override {
    ++reads;
    if (n > largest_read) largest_read = n;
    now += seconds_per_read;
    return FakeEnv::ReadStdin(buf, n < max_chunk ? n : max_chunk);
  }
  std::size_t largest_read = 0;
  int seconds_per_read = 0;
  std::size_t max_chunk = static_cast<std::size_t>(-1);
  int reads = 0;
};

std::string Unread(Env* env) {
  std::string rest;
  char buf[4096];
  while (std::size_t n = env->ReadStdin(buf, sizeof(buf))) rest.append(buf, n);
  return rest;
}

std::string TextPart(const std::string& name, const std::string& value) {
  return kD + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

std::string FileHeader(const std::string& file_name) {
  return kD + "\r\nContent-Disposition: form-data; name=\"UPLOADFILE\"; filename=\"" + file_name +
         "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
}

const std::string kSample = TextPart("NAME", "Hanako") + TextPart("CONTENT", "line1\r\nline2") + FileHeader("f.bin") +
                            kFile + "\r\n" + kD + "--\r\n";

void Prepare(FakeEnv* env, const std::string& body, const std::string& length) {
  env->vars["CONTENT_LENGTH"] = length;
  env->vars["CONTENT_TYPE"] = "multipart/form-data; boundary=" + kBoundary;
  env->stdin_data = body;
}

FormInput ReadBody(const std::string& body, std::string length = "") {
  FakeEnv env;
  Prepare(&env, body, length.empty() ? std::to_string(body.size()) : length);
  FormInput in;
  in.Read(&env, false);
  return in;
}

TEST(BodyReading, UnusableLengthsGiveAnEmptyBody) {
  for (const char* length : {"abc", "-5", "12x", "1", "2"}) {
    SCOPED_TRACE(length);
    FakeEnv env;
    Prepare(&env, kSample, length);
    FormInput in;
    in.Read(&env, false);
    EXPECT_TRUE(in.data().empty());
    EXPECT_EQ(in.Field("NAME"), "");
    EXPECT_TRUE(in.Locate("CONTENT").absent());
    EXPECT_EQ(Unread(&env), kSample);
  }
  FakeEnv missing;
  missing.stdin_data = kSample;
  FormInput in;
  in.Read(&missing, false);
  EXPECT_EQ(in.raw_length(), 0u);
  EXPECT_EQ(ReadBody("abcd", "3").data(), "abc");
}

TEST(BodyReading, ReadsInBlocksUpToTheLength) {
  const std::string body = kSample + std::string(1 << 20, 'e');  // epilogue after the closing delimiter
  MeteredEnv env;
  Prepare(&env, body + "next", std::to_string(body.size()));
  FormInput in;
  in.Read(&env, false);
  EXPECT_EQ(in.data(), body);
  EXPECT_LE(env.reads, 20);
  EXPECT_EQ(Unread(&env), "next");

  MeteredEnv trickle;
  trickle.max_chunk = 3;
  Prepare(&trickle, kSample, std::to_string(kSample.size() + 100));  // input ends early
  FormInput small;
  small.Read(&trickle, false);
  EXPECT_EQ(small.raw_length(), kSample.size());
  EXPECT_EQ(small.Bytes(small.Locate("CONTENT")), "line1\r\nline2\r\n");
  EXPECT_EQ(small.UploadBytes(small.FindUpload("UPLOADFILE")), kFile);
}

// A refused body is still read to its end, so that the web server, still
// sending it, takes the answer; block by block, never kept.
TEST(BodyReading, OverCapacityIsRefusedAndReadAway) {
  for (bool exact : {true, false}) {
    for (bool mobile : {false, true}) {
      const std::string huge =
          (mobile ? "NAME=x&CONTENT=y" : kSample) + std::string(FormInput::kCapacity + 700000, 'z');
      MeteredEnv env;
      Prepare(&env, huge, exact ? std::to_string(huge.size()) : "99999999999999999999999");
      FormInput in;
      in.Read(&env, mobile);
      EXPECT_TRUE(in.too_large());
      EXPECT_EQ(in.Field("NAME"), "");
      EXPECT_TRUE(in.Locate("CONTENT").absent());
      EXPECT_EQ(in.FindUpload("UPLOADFILE").data_last, -1);
      EXPECT_EQ(Unread(&env), "");
      EXPECT_EQ(in.data().size(), 0u);
      EXPECT_LE(env.largest_read, 64u * 1024) << "the body was read in one piece";
      EXPECT_GT(env.reads, 80);
    }
  }
  // Only CONTENT_LENGTH bytes are taken: what follows is not the body.
  MeteredEnv env;
  Prepare(&env, std::string(FormInput::kCapacity + 1, 'z') + "next", std::to_string(FormInput::kCapacity + 1));
  FormInput in;
  in.Read(&env, false);
  EXPECT_EQ(Unread(&env), "next");
  const std::string head = TextPart("NAME", "big") + FileHeader("big.bin");
  const std::string tail = "\r\n" + kD + "--\r\n";
  const std::size_t file_size = FormInput::kCapacity - head.size() - tail.size();
  FormInput full = ReadBody(head + std::string(file_size, 'z') + tail);
  EXPECT_FALSE(full.too_large());
  EXPECT_EQ(full.Field("NAME"), "big");
  EXPECT_EQ(full.UploadBytes(full.FindUpload("UPLOADFILE")).size(), file_size);
}

// A client that sends a huge body slowly is not waited for past a few
// seconds of the Env clock.
TEST(BodyReading, RefusedBodyIsReadForAFewSecondsAtMost) {
  MeteredEnv env;
  env.seconds_per_read = 1;
  env.max_chunk = 10;
  Prepare(&env, std::string(FormInput::kCapacity * 2, 'z'), std::to_string(FormInput::kCapacity * 2));
  FormInput in;
  in.Read(&env, false);
  EXPECT_TRUE(in.too_large());
  EXPECT_GE(env.reads, 3);
  EXPECT_LE(env.reads, 6);
}

TEST(DamagedBodies, CutShortBodiesNeverYieldPartOfAValue) {
  for (std::size_t cut = 0; cut <= kSample.size(); ++cut) {
    SCOPED_TRACE(cut);
    FormInput in = ReadBody(kSample.substr(0, cut));
    FormInput::Span content = in.Locate("CONTENT");
    EXPECT_TRUE(content.absent() || in.Bytes(content) == "line1\r\nline2\r\n");
    std::string name = in.Field("NAME");
    EXPECT_TRUE(name.empty() || name == "Hanako") << name;
    FormInput::Upload up = in.FindUpload("UPLOADFILE");
    EXPECT_TRUE(up.data_last < 0 || in.UploadBytes(up) == kFile);
  }
}

TEST(DamagedBodies, MalformedHeadersStayInsideTheBody) {
  // A header that never ends, a name quote and a file name quote that never close.
  FormInput in = ReadBody(kD + "\r\nContent-Disposition: form-data; name=\"CONTENT\"\r\n" + TextPart("NAME", "ok") +
                          kD + "\r\nContent-Disposition: form-data; name=\"TITLE\r\n\r\nvalue\r\n" + kD +
                          "\r\nContent-Disposition: form-data; name=\"UPLOADFILE\"; filename=\"a.txt\r\n"
                          "Content-Type: text/plain\r\n\r\ndata\r\n" +
                          kD + "--");
  EXPECT_TRUE(in.Locate("CONTENT").absent());
  EXPECT_EQ(in.Field("NAME"), "ok");
  EXPECT_EQ(in.Field("TITLE"), "");
  FormInput::Upload up = in.FindUpload("UPLOADFILE");
  EXPECT_EQ(up.file_name, "");
  EXPECT_EQ(in.UploadBytes(up), "data");

  // Every byte replaced in turn by one the scanner looks for.
  for (char c : {'\r', '\n', '"', '-'}) {
    for (std::size_t i = 0; i < kSample.size(); ++i) {
      std::string damaged = kSample;
      damaged[i] = c;
      FormInput d = ReadBody(damaged);
      FormInput::Span content = d.Locate("CONTENT");
      EXPECT_LE(content.start + content.size(), d.data().size());
      FormInput::Upload u = d.FindUpload("UPLOADFILE");
      EXPECT_LE(u.data_start + (u.data_last + 1), d.data().size());
    }
  }
}

}  // namespace
}  // namespace kiroq
