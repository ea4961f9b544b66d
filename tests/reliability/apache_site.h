// A private Apache httpd (event MPM, mod_cgid) serving the real program from
// a temporary site on a free loopback port, with the configuration that
// `make serve` uses (serve/conf.sh), and a small HTTP client for it.
#ifndef KIROQ_TESTS_RELIABILITY_APACHE_SITE_H_
#define KIROQ_TESTS_RELIABILITY_APACHE_SITE_H_

#include <sys/types.h>

#include <string>

#include "storage/record.h"
#include "test_env.h"

namespace kiroq {

class ApacheSite {
 public:
  // "" when Apache, its modules and the serve configuration are there;
  // otherwise what is missing.
  static std::string Missing();

  // Lays out the site: bbs/kiroq.exe (a copy: the configuration follows no
  // symbolic links), bbs/bbsdb/ and the front page folder.
  ApacheSite();
  // Stops the server when it still runs.
  ~ApacheSite();
  ApacheSite(const ApacheSite&) = delete;
  ApacheSite& operator=(const ApacheSite&) = delete;

  // The program folder, ending in "/".
  std::string bbs() const { return root_.path() + "site/bbs/"; }
  void WriteSettings(const std::string& board, const std::string& text) const;
  // Appends an article to a board directly, as the program stores it.
  void AddArticle(const std::string& board, const IndexRecord& rec, const std::string& body) const;

  // Hands the data folder to the server's workers, writes the configuration
  // for a free port and starts Apache in the foreground as a child of this
  // process. False with *error when it does not answer.
  bool Start(std::string* error);
  int port() const { return port_; }
  // Stops the server by its process id and waits for it.
  void Stop();
  // The server's error log, for failure messages.
  std::string ErrorLog() const;

 private:
  TempDir root_;
  pid_t pid_ = -1;
  int port_ = 0;
};

struct HttpResponse {
  int status = 0;  // 0 when no response came
  std::string head, body;
  std::string error;
};

// One request to 127.0.0.1:port, the connection closed after it.
HttpResponse Http(int port, const std::string& method, const std::string& target, const std::string& content_type = "",
                  const std::string& body = "");

}  // namespace kiroq

#endif  // KIROQ_TESTS_RELIABILITY_APACHE_SITE_H_
