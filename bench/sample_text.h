// Japanese (Shift-JIS) sample text for the benchmark boards.
#ifndef KIROQ_BENCH_SAMPLE_TEXT_H_
#define KIROQ_BENCH_SAMPLE_TEXT_H_

#include <cstddef>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "text/sjis.h"

namespace kiroq::bench {

using kiroq::operator""_sj;

inline const std::string_view kWords[] = {
    "掲示板"_sj,
    "投稿"_sj,
    "返信"_sj,
    "記事"_sj,
    "ありがとうございます"_sj,
    "よろしくお願いします"_sj,
    "表示"_sj,
    "ソフト"_sj,
    "ポイント"_sj,
    "能力"_sj,
    "予定"_sj,
    "今日は"_sj,
    "天気"_sj,
    "会議"_sj,
    "東京"_sj,
    "大阪"_sj,
    "、"_sj,
    "。"_sj,
    "です"_sj,
    "ます"_sj,
    "hello",
    "board",
    "search",
    "2024",
    "http://example.com/",
    "OK",
    "(^_^)",
    "[info]",
    "１２３"_sj,
    "ＡＢＣ"_sj,
};

// The search keyword: it holds a character no sample word uses.
inline const std::string_view kKeyword = "検索語句鍵"_sj;

// A body of about size bytes: sample words, CR LF every 30 to 90 bytes.
inline std::string MakeBody(std::mt19937& rng, std::size_t size) {
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
  std::uniform_int_distribution<int> line_length(30, 90);
  std::string body;
  std::size_t line_start = 0;
  int line_limit = line_length(rng);
  while (body.size() < size) {
    body.append(kWords[pick(rng)]);
    if (body.size() - line_start > static_cast<std::size_t>(line_limit)) {
      body += "\r\n";
      line_start = body.size();
      line_limit = line_length(rng);
    }
  }
  return body;
}

}  // namespace kiroq::bench

#endif  // KIROQ_BENCH_SAMPLE_TEXT_H_
