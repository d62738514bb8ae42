// Ini files over arbitrary bytes: values and numbers are read by names that the file itself holds
// (the first section and key it names) and by fixed ones, into buffers of every small size, then a
// key is written, which rewrites the file around every other line, and read back.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/FuzzInput.h"
#include "platform/base/Gbk.h"
#include "platform/kernel/Profile.h"

namespace {

const std::string& ScratchFile() {
  static const std::string path = [] {
    char name[] = "/tmp/pxqd-ini-fuzz-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  return path;
}

// The text between `open` and `close` on the first line that has both, up to a NUL, without a
// lead byte cut off from its trail byte and without the blanks around it, as a name to ask for.
std::string FirstName(const std::string& text, char open, char close) {
  size_t start = text.find(open);
  if (start == std::string::npos) return {};
  size_t end = text.find(close, start + 1);
  size_t line = text.find_first_of("\r\n", start + 1);
  if (end == std::string::npos || (line != std::string::npos && line < end)) return {};
  std::string name = text.substr(start + 1, end - start - 1);
  name.resize(std::strlen(name.c_str()));
  const size_t first = name.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  name = name.substr(first, name.find_last_not_of(" \t") - first + 1);
  name.resize(GbkSafeCut(name.data(), name.size()));
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const DWORD small = in.Byte() % 16;
  size_t count = 0;
  const char* bytes = reinterpret_cast<const char*>(in.Rest(&count));
  const std::string& path = ScratchFile();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(bytes, 1, count, file);
  std::fclose(file);

  const std::string text(bytes, count);
  const std::string section = FirstName(text, '[', ']');
  const std::string key = FirstName(text, '\n', '=');
  const char* sections[] = {section.c_str(), "system", "S"};
  const char* keys[] = {key.c_str(), "UniqueID", "K"};
  char buffer[300];
  for (const char* s : sections) {
    for (const char* k : keys) {
      const DWORD n = GetPrivateProfileStringA(s, k, "default", buffer, sizeof buffer, path.c_str());
      if (n >= sizeof buffer || buffer[n] != '\0') std::abort();
      char tiny[16];
      std::memset(tiny, 0x55, sizeof tiny);
      const DWORD m = GetPrivateProfileStringA(s, k, "default", tiny, small, path.c_str());
      if (small > 0 && (m >= small || tiny[m] != '\0')) std::abort();
      for (DWORD i = small; i < sizeof tiny; ++i) {
        if (static_cast<unsigned char>(tiny[i]) != 0x55) std::abort();
      }
      GetPrivateProfileIntA(s, k, -1, path.c_str());
    }
  }
  if (WritePrivateProfileStringA(sections[0], "written", "value", path.c_str())) {
    GetPrivateProfileStringA(sections[0], "written", "", buffer, sizeof buffer, path.c_str());
    if (std::strcmp(buffer, "value") != 0) std::abort();
  }
  WritePrivateProfileStringA(sections[0], keys[0], nullptr, path.c_str());
  return 0;
}
