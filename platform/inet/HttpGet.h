// The HTTP GET behind the internet session: one whole body fetched over libcurl.
//
// Only http and https addresses are fetched, redirects included (at most 5). The system's proxy
// settings (the http_proxy family of environment variables) apply, as the preconfigured access of
// the platform does. A server answer of 400 or above is a failure, and so is a body longer than
// the limit given. A connection that cannot be made within 30 seconds, or that delivers nothing
// for 60 seconds, fails.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

struct HttpGetResult {
  bool ok = false;
  long status = 0;     // the HTTP status of the last answer, 0 when there was none
  std::string body;    // the body when ok
  std::string error;   // what went wrong otherwise
};

// The largest body the program fetches: notices are a few kilobytes.
constexpr size_t HTTP_BODY_LIMIT = 8u << 20;

// agent: the User-Agent header, none when empty.
HttpGetResult HttpGet(const std::string& url, const std::string& agent = std::string(),
                      size_t bodyLimit = HTTP_BODY_LIMIT);

// The same fetch as a POST of `postData` (sent as it stands, as a form body), for the web control's
// posted navigations. The answer's Content-Type comes back in `contentType` when asked for.
HttpGetResult HttpPost(const std::string& url, const std::string& postData, const std::string& agent = std::string(),
                       size_t bodyLimit = HTTP_BODY_LIMIT);

// A GET or, with `postData`, a POST; `contentType` receives the answer's Content-Type when not null.
HttpGetResult HttpFetch(const std::string& url, const std::string* postData, std::string* contentType,
                        const std::string& agent = std::string(), size_t bodyLimit = HTTP_BODY_LIMIT);

}  // namespace platform
