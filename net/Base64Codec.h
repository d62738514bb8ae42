// Base64 encoder (the standard alphabet with '=' padding, no line breaks), used for the
// credentials of an HTTP proxy's Basic authentication.
#pragma once

#include <string>

#include "platform/base/WinTypes.h"

class CBase64Codec {
 public:
  static std::string Encode(const void* data, size_t length);
  static std::string Encode(const std::string& text) { return Encode(text.data(), text.size()); }
};
