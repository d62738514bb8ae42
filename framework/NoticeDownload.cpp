#include "framework/NoticeDownload.h"

#include <strings.h>

#include <cstdio>
#include <string>

#include "platform/inet/HttpGet.h"
#include "platform/kernel/Files.h"

namespace {

// A notice is a short text; a body larger than this is not a notice and is dropped.
constexpr size_t NOTICE_MAX_BYTES = 1024 * 1024;

}  // namespace

bool HasNoticeMark(const char* body, unsigned long length) {
  return body != nullptr && length >= 8 && strncasecmp(body, "<notify>", 8) == 0;
}

bool DownloadNotice(const char* url, const char* localFile) {
  platform::HttpGetResult got = platform::HttpGet(url, std::string(), NOTICE_MAX_BYTES);
  if (!got.ok || !HasNoticeMark(got.body.data(), got.body.size())) return false;
  FILE* file = PlatformFopen(localFile, "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(got.body.data(), 1, got.body.size(), file) == got.body.size();
  if (std::fclose(file) != 0) written = false;
  return written;
}
