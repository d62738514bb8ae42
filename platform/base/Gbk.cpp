#include "platform/base/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/base/WinError.h"

namespace {

size_t Utf8SequenceLength(const char* s, size_t n) {
  size_t len = 1;
  while (len < n && len < 4 && (static_cast<unsigned char>(s[len]) & 0xC0) == 0x80) ++len;
  return len;
}

// One converter per direction and thread: iconv descriptors keep shift state and must not be
// shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (m_cd != (iconv_t)-1) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts in, replacing every undecodable input unit by `replacement` (already in the output
  // encoding) and going on after it. Returns the output bytes.
  // A unitSize of 0 means the input is UTF-8: a failing sequence is skipped as a whole.
  std::string Run(const char* in, size_t n, std::string_view replacement, size_t unitSize) {
    std::string out;
    if (m_cd == (iconv_t)-1) return out;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in);
    size_t left = n;
    std::vector<char> buf(4 * n + 16);
    while (left > 0) {
      char* dst = buf.data();
      size_t room = buf.size();
      size_t rc = iconv(m_cd, &src, &left, &dst, &room);
      out.append(buf.data(), dst - buf.data());
      if (rc != (size_t)-1) break;
      if (errno == E2BIG) continue;
      // EILSEQ (invalid or unmappable) or EINVAL (cut short at the end): replace one unit.
      out.append(replacement);
      size_t skip = std::min(unitSize ? unitSize : Utf8SequenceLength(src, left), left);
      src += skip;
      left -= skip;
      iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t m_cd;
};

Converter& GbkToWideConv() {
  thread_local Converter c("WCHAR_T", "GBK");
  return c;
}
Converter& WideToGbkConv() {
  thread_local Converter c("GBK", "WCHAR_T");
  return c;
}
Converter& GbkToUtf8Conv() {
  thread_local Converter c("UTF-8", "GBK");
  return c;
}
Converter& Utf8ToGbkConv() {
  thread_local Converter c("GBK", "UTF-8");
  return c;
}
Converter& Utf8ToWideConv() {
  thread_local Converter c("WCHAR_T", "UTF-8");
  return c;
}
Converter& WideToUtf8Conv() {
  thread_local Converter c("UTF-8", "WCHAR_T");
  return c;
}

const wchar_t kReplacementChar = 0xFFFD;
std::string_view WideReplacement() {
  return std::string_view(reinterpret_cast<const char*>(&kReplacementChar), sizeof kReplacementChar);
}

std::wstring BytesToWide(const std::string& bytes) {
  std::wstring w(bytes.size() / sizeof(wchar_t), L'\0');
  if (!w.empty()) memcpy(w.data(), bytes.data(), w.size() * sizeof(wchar_t));
  return w;
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) {
  return BytesToWide(GbkToWideConv().Run(gbk.data(), gbk.size(), WideReplacement(), 1));
}

std::string WideToGbk(std::wstring_view wide) {
  return WideToGbkConv().Run(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t), "?",
                             sizeof(wchar_t));
}

std::string GbkToUtf8(std::string_view gbk) {
  return GbkToUtf8Conv().Run(gbk.data(), gbk.size(), "\xEF\xBF\xBD", 1);
}

std::string Utf8ToGbk(std::string_view utf8) { return Utf8ToGbkConv().Run(utf8.data(), utf8.size(), "?", 0); }

size_t GbkCharLength(const char* s, size_t n) {
  if (n == 0) return 0;
  unsigned char lead = static_cast<unsigned char>(s[0]);
  if (lead >= 0x81 && lead <= 0xFE && n >= 2) {
    unsigned char trail = static_cast<unsigned char>(s[1]);
    if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
  }
  return 1;
}

size_t GbkSafeCut(const char* s, size_t n) {
  size_t pos = 0;
  while (pos < n) {
    size_t len = GbkCharLength(s + pos, n - pos);
    // A lead byte in the last place would lose its trail byte: cut before it.
    unsigned char lead = static_cast<unsigned char>(s[pos]);
    if (len == 1 && pos + 1 == n && lead >= 0x81 && lead <= 0xFE) return pos;
    pos += len;
  }
  return n;
}

std::vector<std::string> SplitGbkFields(std::string_view text, char separator, size_t maxFields) {
  std::vector<std::string> fields;
  if (maxFields == 0) return fields;
  size_t start = 0, pos = 0;
  while (pos < text.size()) {
    const size_t len = GbkCharLength(text.data() + pos, text.size() - pos);
    if (len == 1 && text[pos] == separator) {
      fields.emplace_back(text.substr(start, pos - start));
      if (fields.size() == maxFields) return fields;
      start = pos + 1;
    }
    pos += len;
  }
  fields.emplace_back(text.substr(start));
  return fields;
}

namespace {
bool IsGbkPage(UINT cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == CP_GBK; }
}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen) {
  if (!src || dstLen < 0 || (dstLen > 0 && !dst) || (!IsGbkPage(codePage) && codePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = srcLen < 0 ? strlen(src) + 1 : static_cast<size_t>(srcLen);
  std::string_view in(src, n);
  std::wstring w = codePage == CP_UTF8 ? BytesToWide(Utf8ToWideConv().Run(in.data(), in.size(), WideReplacement(), 0))
                                        : GbkToWide(in);
  if (dstLen == 0) return static_cast<int>(w.size());
  if (w.size() > static_cast<size_t>(dstLen)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  wmemcpy(dst, w.data(), w.size());
  return static_cast<int>(w.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, LPBOOL usedDefault) {
  if (!src || dstLen < 0 || (dstLen > 0 && !dst) || (!IsGbkPage(codePage) && codePage != CP_UTF8)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = srcLen < 0 ? wcslen(src) + 1 : static_cast<size_t>(srcLen);
  std::string out = codePage == CP_UTF8 ? WideToUtf8Conv().Run(reinterpret_cast<const char*>(src), n * sizeof(wchar_t),
                                                               "\xEF\xBF\xBD", sizeof(wchar_t))
                                        : WideToGbk(std::wstring_view(src, n));
  if (usedDefault) *usedDefault = FALSE;
  if (dstLen == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(dstLen)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  memcpy(dst, out.data(), out.size());
  return static_cast<int>(out.size());
}
