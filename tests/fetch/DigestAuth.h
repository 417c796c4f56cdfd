#pragma once

#include <string>

// HTTP Digest authentication (MD5, qop "auth") as a test server checks it.
namespace DigestAuth {

std::string Md5Hex(const std::string& text);

// The value of a WWW-Authenticate or Proxy-Authenticate header that offers Digest.
std::string Challenge(const std::string& realm, const std::string& nonce);

// True when the Authorization or Proxy-Authorization value answers the challenge for this user and
// password: the response digest must be computed from the password the server knows.
bool Verify(const std::string& authorization, const std::string& method, const std::string& realm,
            const std::string& nonce, const std::string& user, const std::string& password);

} // namespace DigestAuth
