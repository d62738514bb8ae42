#include "platform/inet/HttpGet.h"

#include <curl/curl.h>

#include <mutex>

namespace platform {
namespace {

struct Sink {
  std::string* body;
  size_t limit;
  bool overflow = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t bytes = size * count;
  if (sink->body->size() + bytes > sink->limit) {
    sink->overflow = true;
    return 0;  // makes libcurl stop with a write error
  }
  sink->body->append(data, bytes);
  return bytes;
}

void InitialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpGetResult HttpGet(const std::string& url, const std::string& agent, size_t bodyLimit) {
  return HttpFetch(url, nullptr, nullptr, agent, bodyLimit);
}

HttpGetResult HttpPost(const std::string& url, const std::string& postData, const std::string& agent,
                       size_t bodyLimit) {
  return HttpFetch(url, &postData, nullptr, agent, bodyLimit);
}

HttpGetResult HttpFetch(const std::string& url, const std::string* postData, std::string* contentType,
                        const std::string& agent, size_t bodyLimit) {
  HttpGetResult result;
  InitialiseOnce();
  CURL* curl = curl_easy_init();
  if (!curl) {
    result.error = "libcurl could not start";
    return result;
  }
  Sink sink{&result.body, bodyLimit};
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  if (!agent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
  if (postData) {
    // The body may hold zero bytes, so its size is given rather than left to strlen.
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postData->size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postData->data());
  }
  CURLcode code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
  if (contentType) {
    char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    *contentType = type ? type : "";
  }
  curl_easy_cleanup(curl);
  if (sink.overflow) {
    result.error = "the body is longer than " + std::to_string(bodyLimit) + " bytes";
  } else if (code != CURLE_OK) {
    result.error = errorText[0] ? errorText : curl_easy_strerror(code);
  } else if (result.status >= 400) {
    result.error = "the server answered " + std::to_string(result.status);
  } else {
    result.ok = true;
    return result;
  }
  result.body.clear();
  return result;
}

}  // namespace platform
