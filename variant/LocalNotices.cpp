#include "variant/LocalNotices.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int KEPT_CODES[] = {221170, 229080, 229185, 229190, 229195, 229197, 229199};

}  // namespace

bool CLocalNotices::Post(int code, const uint8_t* body, size_t length) {
  if (std::find(std::begin(KEPT_CODES), std::end(KEPT_CODES), code) == std::end(KEPT_CODES)) return false;
  Record r;
  r.number = ++m_counter;
  r.code = code;
  // A body shorter than the record's copy leaves the rest zero.
  if (body != nullptr) std::memcpy(r.body.data(), body, std::min(length, BODY_BYTES));
  m_records.push_front(r);
  if (m_records.size() > LIMIT) m_records.pop_back();
  return true;
}
