#include "variant/ExchangeForm.h"

#include <cstring>

#include "framework/BodyReader.h"
#include "framework/BodyWriter.h"

bool IsValidPhoneNumber(const char* text) {
  if (text == nullptr) return false;
  size_t length = 0;
  for (const char* p = text; *p != '\0'; ++p, ++length) {
    if (*p < '0' || *p > '9') return false;
    if (length >= PHONE_DIGITS_MAX) return false;
  }
  return length >= PHONE_DIGITS_MIN;
}

RequestBody MakeExchangeForm(const RequestContext& c, int prizeIndex, const ExchangeContact& contact) {
  CBodyWriter w(EXCHANGE_FORM_SIZE);
  w.Int(0, c.userId);
  w.Int(4, c.roomId);
  w.Int(8, c.tableNo);
  w.Int(12, c.chair);
  w.Int(16, prizeIndex);
  w.Text(20, 32, contact.playerName ? contact.playerName : "");
  w.Text(52, 16, contact.second ? contact.second : "");
  w.Text(72, 16, contact.phone ? contact.phone : "");
  w.Text(92, 46, contact.third ? contact.third : "");
  return w.Data();
}

RequestBody MakePrizePageRequest(const RequestContext& c) {
  CBodyWriter w(PRIZE_PAGE_SIZE);
  w.Int(0, c.userId);
  w.Int(4, c.roomId);
  w.Int(8, c.tableNo);
  w.Int(12, c.chair);
  for (size_t i = 0; i < LATEST_EXCHANGES; ++i) w.Int(160 + 4 * i, -1);
  return w.Data();
}

RequestBody MakeActivityQuery(const RequestContext& c) {
  CBodyWriter w(ACTIVITY_QUERY_SIZE);
  w.Int(0, c.userId);
  w.Int(4, c.roomId);
  w.Int(8, c.tableNo);
  w.Int(12, c.chair);
  w.Int(16, 0);
  return w.Data();
}

std::optional<PrizePage> ReadPrizePage(const uint8_t* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(PRIZE_PAGE_SIZE)) return std::nullopt;
  PrizePage page;
  page.userId = r.Int(0);
  for (size_t k = 0; k < EXCHANGE_PRIZE_COUNT; ++k) page.unavailable[k] = r.Int(88 + 4 * k) != 0;
  for (size_t i = 0; i < LATEST_EXCHANGES; ++i) {
    const int index = r.Int(160 + 4 * i);
    page.latest[i].prizeIndex = IsValidPrizeIndex(index) ? index : -1;
    page.latest[i].playerName = r.Text(176 + 32 * i, 32);
  }
  return page;
}
