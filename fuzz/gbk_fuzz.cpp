// The GBK conversions over arbitrary bytes: to wide and UTF-8 and back, the character cuts, and the
// Win32 conversion calls with their size queries and small buffers.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "platform/base/Gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const size_t small = in.Byte();
  size_t count = 0;
  const char* bytes = reinterpret_cast<const char*>(in.Rest(&count));
  const std::string_view gbk(bytes, count);

  const std::wstring wide = GbkToWide(gbk);
  if (wide.size() > count) std::abort();
  const std::string back = WideToGbk(wide);
  const std::string utf8 = GbkToUtf8(gbk);
  // Text that came out of GBK converts back to the same GBK.
  if (Utf8ToGbk(utf8) != back) std::abort();
  Utf8ToGbk(gbk);

  if (count > 0) {
    const size_t cut = GbkSafeCut(bytes, count);
    if (cut > count || count - cut > 1) std::abort();
    if (GbkCharLength(bytes, count) > 2) std::abort();
  }

  const int srcLen = static_cast<int>(count);
  const int needed = MultiByteToWideChar(CP_ACP, 0, bytes, srcLen, nullptr, 0);
  if (needed < 0) std::abort();
  std::vector<wchar_t> out(static_cast<size_t>(needed) + 1);
  if (needed > 0 && MultiByteToWideChar(CP_ACP, 0, bytes, srcLen, out.data(), needed) != needed) std::abort();
  // A buffer too small fails without writing past its end.
  std::vector<wchar_t> tiny(small);
  MultiByteToWideChar(CP_UTF8, 0, bytes, srcLen, tiny.data(), static_cast<int>(small));
  const int narrow = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::vector<char> narrowOut(static_cast<size_t>(narrow > 0 ? narrow : 0) + 1);
  BOOL usedDefault = FALSE;
  if (narrow > 0 && WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrowOut.data(), narrow,
                                        nullptr, &usedDefault) != narrow) {
    std::abort();
  }
  std::vector<char> tinyNarrow(small);
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), tinyNarrow.data(), static_cast<int>(small),
                      nullptr, nullptr);
  return 0;
}
