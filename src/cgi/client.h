// Who is asking: the client's identity from the CGI environment.
#ifndef KIROQ_CGI_CLIENT_H_
#define KIROQ_CGI_CLIENT_H_

#include <string>

namespace kiroq {

class Env;

// Each getter returns at most the first 1,023 bytes of its variable.
std::string Referer(Env* env);      // HTTP_REFERER
std::string ServerName(Env* env);   // SERVER_NAME
std::string RemoteAddr(Env* env);   // REMOTE_ADDR
std::string UserAgent(Env* env);    // HTTP_USER_AGENT
std::string ScriptName(Env* env);   // SCRIPT_NAME

// REMOTE_HOST, turned into a host name by a reverse look-up when it holds a
// dotted IPv4 address and the look-up succeeds; unchanged otherwise.
std::string ResolvedRemoteHost(Env* env);

// The poster's host as stored with an article: the resolved remote host
// when convert is on, REMOTE_ADDR otherwise.
std::string PosterHost(Env* env, bool convert);

}  // namespace kiroq

#endif  // KIROQ_CGI_CLIENT_H_
