// Writes a threaded Japanese board for the page benchmarks, straight to disk:
// the settings file, the log and the index.
//
//   make_threads FOLDER BOARD ARTICLES LOG_MEGABYTES
//
// About a third of the articles start a thread; the others answer an
// article of a recent thread (so replies sit at several depths), one in 30
// is deleted, and a few parents get a full child list of 101 entries, one
// of them with replies beyond it that only their parent number links. One
// article in a hundred holds the search keyword. Posts are a few minutes
// apart, so the dates grow with the position.
//
// Also writes BOARD + "s.ini" and BOARD + "f.ini": the same settings with
// NEWPOSTSORT=1 and with USEFEED=1, for boards whose data files are links
// to these. Prints a summary line, then the
// keyword in hexadecimal and the number of visible articles that hold it.
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

const std::string_view kTitles[] = {"はじめまして"_sj, "質問です"_sj,   "今日の天気"_sj, "会議の予定"_sj,
                                    "ソフトの表示"_sj, "東京と大阪"_sj, "お知らせ"_sj,   "雑談"_sj};
const std::string_view kNames[] = {"管理人"_sj, "さくら"_sj, "たろう"_sj, "はなこ"_sj, "名無しさん"_sj, "ゲスト"_sj};

std::string MakeBody(std::mt19937& rng, std::size_t size, bool with_keyword) {
  std::string body = kiroq::bench::MakeBody(rng, size);
  if (with_keyword) body.append(kKeyword);  // at the end: a character boundary
  return body;
}

kiroq::DateTime DateOf(int position) {
  // Seven minutes apart from 2023-01-01 00:00.
  long long minutes = 7LL * position;
  kiroq::DateTime t{2023, 1, 1, 0, 0, 0};
  t.minute = static_cast<int>(minutes % 60);
  t.hour = static_cast<int>(minutes / 60 % 24);
  long long days = minutes / (60 * 24);
  static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (;;) {
    const bool leap = t.year % 4 == 0 && (t.year % 100 != 0 || t.year % 400 == 0);
    const int in_month = kMonthDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    if (days < in_month - t.day + 1) break;
    days -= in_month - t.day + 1;
    t.day = 1;
    if (++t.month > 12) {
      t.month = 1;
      ++t.year;
    }
  }
  t.day += static_cast<int>(days);
  return t;
}

struct Thread {
  std::vector<int> members;  // positions, top first
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s FOLDER BOARD ARTICLES LOG_MEGABYTES\n", argv[0]);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const std::string board = argv[2];
  const int articles = std::atoi(argv[3]);
  const std::size_t log_bytes = static_cast<std::size_t>(std::atof(argv[4]) * 1024 * 1024);
  if (articles <= 0) return 2;

  kiroq::Env* env = kiroq::PosixEnv();
  env->CreateDir(folder + "bbsdb");
  const std::string settings =
      "JAPANESE=1\r\nUSEMAIL=1\r\nUSEDATE=1\r\nUSECOOKIE=1\r\nUSECOOKIESETTING=1\r\nUSESEARCHLOG=1\r\n"
      "USEDELETE=1\r\nBBSMAN=1\r\nVIEWSELECT=0\r\nNUMCLICK=1\r\nTITLECLICK=1\r\nUSECOMMENTNUMBER=1\r\n"
      "SUBJECTLENGTH=40\r\nTIMETYPE=0\r\nUNNAME=" +
      std::string("名無しさん"_sj) + "\r\n";
  env->WriteFile(folder + board + ".ini", settings);
  env->WriteFile(folder + board + "s.ini", settings + "NEWPOSTSORT=1\r\n");
  env->WriteFile(folder + board + "f.ini", settings + "USEFEED=1\r\n");

  std::mt19937 rng(20240611);
  const std::size_t mean = std::max<std::size_t>(16, log_bytes / static_cast<std::size_t>(articles));
  std::uniform_int_distribution<std::size_t> body_size(mean / 2, mean + mean / 2);
  std::bernoulli_distribution starts_thread(0.35), deleted(1.0 / 30), keyword_in(0.01);

  // Parents that collect a full list: a few, spread over the board; the
  // last one gets replies beyond its 101 list entries.
  std::vector<int> full_parents;
  const int full_count = articles >= 10000 ? 3 : 1;
  for (int i = 0; i < full_count; ++i) full_parents.push_back(articles / (full_count + 1) * (i + 1) - 400);
  std::vector<int> replies_wanted(static_cast<std::size_t>(articles), 0);
  for (std::size_t i = 0; i < full_parents.size(); ++i) {
    if (full_parents[i] < 0) full_parents[i] = 0;
    replies_wanted[static_cast<std::size_t>(full_parents[i])] = i + 1 == full_parents.size() ? 108 : 101;
  }

  std::vector<kiroq::IndexRecord> recs(static_cast<std::size_t>(articles));
  std::vector<Thread> threads;
  std::vector<int> thread_of(static_cast<std::size_t>(articles), -1);
  std::string log;
  log.reserve(log_bytes + log_bytes / 4);
  int keyword_hits = 0, deleted_count = 0, full_left = 0;
  int full_next = 0;  // index into full_parents of the parent being filled
  for (int k = 0; k < articles; ++k) {
    kiroq::IndexRecord& rec = recs[static_cast<std::size_t>(k)];
    int parent = -1;  // position
    // Fill a full parent's list with its next replies, every other post.
    if (full_left > 0 && k % 2 == 0) {
      parent = full_parents[static_cast<std::size_t>(full_next)];
      if (--full_left == 0) ++full_next;
    } else if (!threads.empty() && !starts_thread(rng)) {
      // A recent thread: the last 30 get most replies.
      const int recent = std::min<int>(30, static_cast<int>(threads.size()));
      const Thread& t = threads[threads.size() - 1 - std::uniform_int_distribution<int>(0, recent - 1)(rng)];
      parent = t.members[std::uniform_int_distribution<std::size_t>(0, t.members.size() - 1)(rng)];
    }
    if (full_next < static_cast<int>(full_parents.size()) && k == full_parents[static_cast<std::size_t>(full_next)]) {
      parent = -1;  // the full parent itself starts a thread
      full_left = replies_wanted[static_cast<std::size_t>(k)];
    }

    const bool hit = keyword_in(rng);
    rec.deleted = deleted(rng) ? 1 : 0;
    deleted_count += rec.deleted;
    std::string body = MakeBody(rng, body_size(rng), hit);
    if (hit && !rec.deleted) ++keyword_hits;
    if (parent < 0) {
      rec.title = std::string(kTitles[static_cast<std::size_t>(k) % std::size(kTitles)]) + " " + std::to_string(k + 1);
      thread_of[static_cast<std::size_t>(k)] = static_cast<int>(threads.size());
      threads.push_back({{k}});
    } else {
      kiroq::IndexRecord& p = recs[static_cast<std::size_t>(parent)];
      rec.parent = parent + 1;
      rec.title = "Re:01 " + p.title.substr(0, 60);
      if (p.child_count < kiroq::kMaxChildren) p.children[static_cast<std::size_t>(p.child_count++)] = k;
      const int t = thread_of[static_cast<std::size_t>(parent)];
      thread_of[static_cast<std::size_t>(k)] = t;
      threads[static_cast<std::size_t>(t)].members.push_back(k);
    }
    rec.name = kNames[static_cast<std::size_t>(k) % std::size(kNames)];
    if (k % 3 == 0) rec.email = "user" + std::to_string(k % 97) + "@example.com";
    rec.password = "pw";
    rec.date = kiroq::EncodePostDate(DateOf(k));
    rec.sex = rec.age = rec.address = rec.address2 = "内緒"_sj;
    rec.host = "192.0.2." + std::to_string(k % 250 + 1);
    rec.body_start = static_cast<int32_t>(log.size());
    log += body;
    rec.body_end = static_cast<int32_t>(log.size()) - 1;
  }

  std::string index(static_cast<std::size_t>(articles) * kiroq::kRecordSize, '\0');
  for (int k = 0; k < articles; ++k) {
    kiroq::EncodeRecord(recs[static_cast<std::size_t>(k)],
                        index.data() + static_cast<std::size_t>(k) * kiroq::kRecordSize);
  }
  if (!env->WriteFile(folder + "bbsdb/" + board + ".log", log).ok() ||
      !env->WriteFile(folder + "bbsdb/" + board + ".idx", index).ok()) {
    std::fprintf(stderr, "cannot write the board files in %s\n", folder.c_str());
    return 1;
  }
  std::printf("%s: %d articles in %zu threads, %d deleted, log %.1f MB, index %.1f MB\n", board.c_str(), articles,
              threads.size(), deleted_count, static_cast<double>(log.size()) / (1024 * 1024),
              static_cast<double>(index.size()) / (1024 * 1024));
  for (char c : kKeyword) std::printf("%02X", static_cast<unsigned char>(c));
  std::printf("\n%d\n", keyword_hits);
  return 0;
}
