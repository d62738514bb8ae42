#include "testbed/server/ProtectionAnswer.h"

namespace testbed {

bool IsProtectionPassword(const std::string& digits) {
  if (digits.empty() || digits.size() > PROTECTION_PASSWORD_MAX) return false;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int32_t ProtectionAnswer(const std::string& digits, int32_t challenge) {
  // Groups hold at most four digits, so their sum and the challenge's halves stay far below the
  // range of a 32-bit integer for any eight-digit challenge.
  int64_t sum = 0;
  size_t at = 0;
  for (int group = 0; group < 4 && at < digits.size(); ++group) {
    size_t remaining = digits.size() - at;
    size_t take = remaining > 4 ? 4 : remaining;
    int64_t value = 0;
    for (size_t i = 0; i < take; ++i) {
      char c = digits[at + i];
      value = value * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
    }
    sum += value;
    at += take;
    if (take == remaining) break;
  }
  sum += challenge / 10000 + challenge % 10000;
  return static_cast<int32_t>(sum);
}

}  // namespace testbed
