#include "framework/NoticeDownload.h"

#include <curl/curl.h>
#include <strings.h>

#include <cstdio>
#include <string>

#include "platform/kernel/Files.h"

namespace {

// A notice is a short text; a body larger than this is not a notice and is dropped.
constexpr size_t NOTICE_MAX_BYTES = 1024 * 1024;

size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<std::string*>(user);
  size_t bytes = size * count;
  if (body->size() + bytes > NOTICE_MAX_BYTES) return 0;
  body->append(data, bytes);
  return bytes;
}

}  // namespace

bool HasNoticeMark(const char* body, unsigned long length) {
  return body != nullptr && length >= 8 && strncasecmp(body, "<notify>", 8) == 0;
}

bool DownloadNotice(const char* url, const char* localFile) {
  std::string body;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return false;
  curl_easy_setopt(curl, CURLOPT_URL, url);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
  CURLcode code = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  if (code != CURLE_OK || !HasNoticeMark(body.data(), body.size())) return false;
  FILE* file = PlatformFopen(localFile, "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(body.data(), 1, body.size(), file) == body.size();
  if (std::fclose(file) != 0) written = false;
  return written;
}
