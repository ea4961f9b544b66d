// Writes a large Japanese board for the search benchmark: the settings file,
// the log and the index, straight to disk.
//
//   make_board FOLDER BOARD ARTICLES LOG_MEGABYTES KEYWORD_PERCENT
//
// Bodies are Shift-JIS text mixed with ASCII words and CR LF line breaks.
// The keyword (printed in hexadecimal on the last line of the output) is put into
// KEYWORD_PERCENT of the articles; it contains a character no other text
// uses, so exactly those articles hold it.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"
#include "sample_text.h"
#include "storage/record.h"
#include "text/sjis.h"

namespace {

using kiroq::operator""_sj;
using kiroq::bench::kKeyword;

std::string MakeBody(std::mt19937& rng, std::size_t size, bool with_keyword) {
  std::string body = kiroq::bench::MakeBody(rng, size);
  if (with_keyword) {
    // At a character boundary near a random place.
    std::size_t target = std::uniform_int_distribution<std::size_t>(0, body.size() - 1)(rng);
    std::size_t at = 0;
    while (at < target) at += kiroq::IsLeadByte(body[at]) ? 2 : 1;
    body.insert(at, kKeyword);
  }
  return body;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s FOLDER BOARD ARTICLES LOG_MEGABYTES KEYWORD_PERCENT\n", argv[0]);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const std::string board = argv[2];
  const int articles = std::atoi(argv[3]);
  const std::size_t log_bytes = static_cast<std::size_t>(std::atof(argv[4]) * 1024 * 1024);
  const double percent = std::atof(argv[5]);
  if (articles <= 0) return 2;

  kiroq::Env* env = kiroq::PosixEnv();
  env->CreateDir(folder + "bbsdb");
  env->WriteFile(folder + board + ".ini", "JAPANESE=1\r\nUSEDATE=1\r\nUSESEARCHLOG=1\r\n");

  std::mt19937 rng(20240607);
  const std::size_t mean = log_bytes / static_cast<std::size_t>(articles);
  std::uniform_int_distribution<std::size_t> body_size(mean / 2, mean + mean / 2);
  std::bernoulli_distribution keyword_in(percent / 100.0);

  std::string log, index;
  log.reserve(log_bytes + log_bytes / 4);
  index.resize(static_cast<std::size_t>(articles) * kiroq::kRecordSize);
  int with_keyword = 0;
  for (int k = 0; k < articles; ++k) {
    const bool hit = keyword_in(rng);
    with_keyword += hit;
    std::string body = MakeBody(rng, body_size(rng), hit);
    kiroq::IndexRecord rec;
    rec.title = std::string("記事 "_sj) + std::to_string(k + 1);
    rec.name = "投稿者"_sj;
    rec.password = "pw";
    rec.date = kiroq::EncodePostDate({2024, 6, 1 + k % 28, 12, 0, 0});
    rec.sex = rec.age = rec.address = rec.address2 = "内緒"_sj;
    rec.host = "127.0.0.1";
    rec.body_start = static_cast<int32_t>(log.size());
    log += body;
    rec.body_end = static_cast<int32_t>(log.size()) - 1;
    kiroq::EncodeRecord(rec, index.data() + static_cast<std::size_t>(k) * kiroq::kRecordSize);
  }
  if (!env->WriteFile(folder + "bbsdb/" + board + ".log", log).ok() ||
      !env->WriteFile(folder + "bbsdb/" + board + ".idx", index).ok()) {
    std::fprintf(stderr, "cannot write the board files in %s\n", folder.c_str());
    return 1;
  }
  std::printf("%d articles, log %.1f MB, index %.1f MB, keyword in %d articles\n", articles,
              static_cast<double>(log.size()) / (1024 * 1024), static_cast<double>(index.size()) / (1024 * 1024),
              with_keyword);
  for (char c : kKeyword) std::printf("%02X", static_cast<unsigned char>(c));
  std::printf("\n");
  return 0;
}
