#include "cgi/client.h"

#include "platform/env.h"

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

// Each value is read through a 1,024-byte buffer: a longer one is cut, so
// that the header lines built from it (cookie paths, the download address)
// stay within what web servers accept.
std::string Variable(Env* env, const char* name) {
  constexpr std::size_t kMaxBytes = 1023;
  std::string value = env->GetVar(name);
  if (value.size() > kMaxBytes) value.resize(kMaxBytes);
  return value;
}

}  // namespace

std::string Referer(Env* env) { return Variable(env, "HTTP_REFERER"); }
std::string ServerName(Env* env) { return Variable(env, "SERVER_NAME"); }
std::string RemoteAddr(Env* env) { return Variable(env, "REMOTE_ADDR"); }
std::string UserAgent(Env* env) { return Variable(env, "HTTP_USER_AGENT"); }
std::string ScriptName(Env* env) { return Variable(env, "SCRIPT_NAME"); }

std::string ResolvedRemoteHost(Env* env) {
  std::string host = Variable(env, "REMOTE_HOST");
  if (host.empty() || !IsDottedQuad(host)) return host;
  std::string name = env->ReverseLookup(host);
  return name.empty() ? host : name;
}

std::string PosterHost(Env* env, bool convert) { return convert ? ResolvedRemoteHost(env) : RemoteAddr(env); }

}  // namespace kiroq
