// Who is asking: the client's identity, read once from the CGI environment.
#ifndef KIROQ_CGI_CLIENT_H_
#define KIROQ_CGI_CLIENT_H_

#include <optional>
#include <string>

namespace kiroq {

class Env;

// Each text holds at most the first 1,023 bytes of its variable, so that
// header lines built from it (cookie paths, the download address) stay
// within what web servers accept.
struct Client {
  std::string referer;      // HTTP_REFERER
  std::string server_name;  // SERVER_NAME
  std::string server_port;  // SERVER_PORT
  std::string remote_addr;  // REMOTE_ADDR
  std::string remote_host;  // REMOTE_HOST, as the server gave it
  std::string user_agent;   // HTTP_USER_AGENT
  std::string script_name;  // SCRIPT_NAME
  bool tls = false;         // HTTPS is "on" or REQUEST_SCHEME is "https" (any case)
  std::string http_host;    // HTTP_HOST: the host (and port) the browser asked
  // What the browser says about where the request comes from; nullopt when
  // the header was not sent (older browsers, scripts, telephones).
  std::optional<std::string> fetch_site;  // HTTP_SEC_FETCH_SITE
  std::optional<std::string> fetch_dest;  // HTTP_SEC_FETCH_DEST
  std::optional<std::string> origin;      // HTTP_ORIGIN

  // True when a page of another site made the browser send this request:
  // Sec-Fetch-Site is "cross-site", or "same-site" (a page of a sibling host
  // or another port: another origin all the same; only "same-origin" and
  // "none", an address the visitor typed or kept, are the board's own); or
  // Sec-Fetch-Dest names something other
  // than a page or a script's fetch (document, iframe, frame, empty), such as
  // an image; or Origin names another host or port than the request's own.
  // The request's own is the Host header, which holds what the browser
  // asked for even where SERVER_NAME is the configured name (Apache's
  // UseCanonicalName On, lighttpd's and nginx's server names); SERVER_NAME
  // and SERVER_PORT stand in when there is no Host header. Missing ports are
  // the schemes' defaults (80, 443). False when none of these headers came.
  bool FromOtherSite() const;

  // REMOTE_HOST, turned into a host name by a reverse look-up when it holds
  // a dotted IPv4 address and the look-up succeeds; unchanged otherwise.
  // The look-up is made once, when first asked for.
  const std::string& ResolvedHost(Env* env) const;

  // The poster's host as stored with an article: the resolved remote host
  // when convert is on, REMOTE_ADDR otherwise.
  std::string PosterHost(Env* env, bool convert) const;

 private:
  mutable std::optional<std::string> resolved_;
};

Client ReadClient(Env* env);

// The absolute address of the program's folder, ending in "/":
// scheme://server[:port]<folder of SCRIPT_NAME>, with the scheme of the
// request (HTTPS, REQUEST_SCHEME), the server's canonical name
// (SERVER_NAME, CR and LF removed; an IPv6 address in brackets), the port
// when it is not the scheme's own, and the folder percent-encoded where it
// needs to be. Addresses the program hands out whole (the download
// redirect, the feed) start with it.
std::string ProgramFolderAddress(const Client& client);

}  // namespace kiroq

#endif  // KIROQ_CGI_CLIENT_H_
