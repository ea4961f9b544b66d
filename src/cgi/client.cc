#include "cgi/client.h"

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
  return c;
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

}  // namespace kiroq
