#include "cgi/client.h"

#include "cgi/headers.h"
#include "platform/env.h"
#include "text/ascii.h"

namespace kiroq {

namespace {

bool IsDottedQuad(const std::string& s) {
  int parts = 0, digits = 0, value = 0;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      if (++digits > 3 || value > 255) return false;
    } else if (c == '.') {
      if (digits == 0) return false;
      ++parts;
      digits = value = 0;
    } else {
      return false;
    }
  }
  return parts == 3 && digits > 0;
}

// Each value is cut to 1,023 bytes.
std::string Variable(Env* env, const char* name) {
  constexpr std::size_t kMaxBytes = 1023;
  std::string value = env->GetVar(name);
  if (value.size() > kMaxBytes) value.resize(kMaxBytes);
  return value;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::optional<std::string> Header(Env* env, const char* name) {
  if (!env->HasVar(name)) return std::nullopt;
  return Variable(env, name);
}

// A host and its port, as compared between Origin and the request.
struct HostPort {
  std::string host;  // lower case, IPv6 addresses with their brackets
  std::string port;
  bool operator==(const HostPort&) const = default;
};

// "host", "host:port", "[v6]" or "[v6]:port"; default_port when none is given.
HostPort SplitHostPort(std::string_view text, std::string_view default_port) {
  std::size_t colon = std::string_view::npos;
  if (!text.empty() && text.front() == '[') {
    std::size_t close = text.find(']');
    if (close != std::string_view::npos && close + 1 < text.size() && text[close + 1] == ':') colon = close + 1;
  } else {
    colon = text.rfind(':');
  }
  HostPort hp;
  hp.host = ToLowerAscii(text.substr(0, colon));
  hp.port = colon == std::string_view::npos ? std::string(default_port) : std::string(text.substr(colon + 1));
  if (hp.port.empty()) hp.port = std::string(default_port);
  return hp;
}

}  // namespace

Client ReadClient(Env* env) {
  Client c;
  c.referer = Variable(env, "HTTP_REFERER");
  c.server_name = Variable(env, "SERVER_NAME");
  c.server_port = Variable(env, "SERVER_PORT");
  c.remote_addr = Variable(env, "REMOTE_ADDR");
  c.remote_host = Variable(env, "REMOTE_HOST");
  c.user_agent = Variable(env, "HTTP_USER_AGENT");
  c.script_name = Variable(env, "SCRIPT_NAME");
  c.tls = EqualsIgnoreCase(env->GetVar("HTTPS"), "on") || EqualsIgnoreCase(env->GetVar("REQUEST_SCHEME"), "https");
  c.http_host = Variable(env, "HTTP_HOST");
  c.fetch_site = Header(env, "HTTP_SEC_FETCH_SITE");
  c.fetch_dest = Header(env, "HTTP_SEC_FETCH_DEST");
  c.origin = Header(env, "HTTP_ORIGIN");
  return c;
}

bool Client::FromOtherSite() const {
  if (fetch_site && (EqualsIgnoreCase(*fetch_site, "cross-site") || EqualsIgnoreCase(*fetch_site, "same-site"))) {
    return true;
  }
  if (fetch_dest) {
    bool page = false;
    for (const char* dest : {"document", "iframe", "frame", "empty"})
      page = page || EqualsIgnoreCase(*fetch_dest, dest);
    if (!page) return true;
  }
  if (!origin) return false;
  // "scheme://host[:port]"; anything else ("null" from sandboxed frames and
  // local files) is no site of ours.
  std::string_view o = *origin;
  std::size_t scheme_end = o.find("://");
  if (scheme_end == std::string_view::npos) return true;
  std::string_view scheme = o.substr(0, scheme_end);
  std::string_view origin_default = EqualsIgnoreCase(scheme, "https") ? "443" : "80";
  HostPort from = SplitHostPort(o.substr(scheme_end + 3), origin_default);
  std::string_view own_default = tls ? "443" : "80";
  HostPort own = http_host.empty()
                     ? HostPort{ToLowerAscii(server_name), server_port.empty() ? std::string(own_default) : server_port}
                     : SplitHostPort(http_host, own_default);
  return !(from == own);
}

const std::string& Client::ResolvedHost(Env* env) const {
  if (!resolved_) {
    resolved_ = remote_host;
    if (!remote_host.empty() && IsDottedQuad(remote_host)) {
      std::string name = env->ReverseLookup(remote_host);
      if (!name.empty()) resolved_ = name;
    }
  }
  return *resolved_;
}

std::string Client::PosterHost(Env* env, bool convert) const { return convert ? ResolvedHost(env) : remote_addr; }

std::string ProgramFolderAddress(const Client& client) {
  const std::string scheme = client.tls ? "https" : "http";
  std::string host = HeaderSafe(client.server_name);
  if (host.find(':') != std::string::npos && host[0] != '[') host = "[" + host + "]";  // an IPv6 address
  const std::string& port = client.server_port;
  const bool digits = !port.empty() && port.find_first_not_of("0123456789") == std::string::npos;
  if (digits && port != (client.tls ? "443" : "80")) host += ":" + port;

  const std::string& script = client.script_name;
  std::size_t slash = script.rfind('/');
  std::string folder = slash == std::string::npos ? "/" : script.substr(0, slash + 1);
  if (folder[0] != '/') folder.insert(0, "/");
  return scheme + "://" + host + PercentEncode(folder, "/!$&'()*+,;=:@");
}

}  // namespace kiroq
