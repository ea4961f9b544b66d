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

}  // namespace

std::string Referer(Env* env) { return env->GetVar("HTTP_REFERER"); }
std::string ServerName(Env* env) { return env->GetVar("SERVER_NAME"); }
std::string RemoteAddr(Env* env) { return env->GetVar("REMOTE_ADDR"); }
std::string UserAgent(Env* env) { return env->GetVar("HTTP_USER_AGENT"); }
std::string ScriptName(Env* env) { return env->GetVar("SCRIPT_NAME"); }

std::string ResolvedRemoteHost(Env* env) {
  std::string host = env->GetVar("REMOTE_HOST");
  if (host.empty() || !IsDottedQuad(host)) return host;
  std::string name = env->ReverseLookup(host);
  return name.empty() ? host : name;
}

std::string PosterHost(Env* env, bool convert) { return convert ? ResolvedRemoteHost(env) : RemoteAddr(env); }

}  // namespace kiroq
