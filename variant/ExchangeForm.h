// The contact form of the ticket exchange: the check of the mobile-phone number and the 144-byte
// body of the exchange request that carries the player's choice and contact details.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "framework/RequestBodies.h"

#define REQ_SUBMIT_EXCHANGE 401002
#define REQ_PRIZE_PAGE 401003
#define REQ_ACTIVITY_QUERY 400008
#define ACTIVITY_QUERY_SIZE 20
#define PRIZE_PAGE_SIZE 304
#define LATEST_EXCHANGES 4
#define EXCHANGE_FORM_SIZE 144
#define EXCHANGE_PRIZE_COUNT 18
// A phone number fills at most the 16-byte field less its terminator.
#define PHONE_DIGITS_MIN 11
#define PHONE_DIGITS_MAX 15

// True when the text is 11 to 15 digits '0'-'9' and nothing else. A longer number would not fit
// its field and would reach the server cut short, so it is refused rather than sent wrong.
bool IsValidPhoneNumber(const char* text);

// True for the prize indexes the exchange request may carry.
inline bool IsValidPrizeIndex(int index) { return index >= 0 && index < EXCHANGE_PRIZE_COUNT; }

struct ExchangeContact {
  const char* playerName = "";
  const char* phone = "";
  const char* second = "";  // the second edit of the form
  const char* third = "";   // the third edit of the form
};

// The request body: the own ids, the prize index and the texts, each cut on a character boundary
// so that it keeps its terminator inside its field.
RequestBody MakeExchangeForm(const RequestContext& c, int prizeIndex, const ExchangeContact& contact);

// The prize page the server sends: which prizes are out of stock and the latest exchanges of the
// room's players.
struct PrizePage {
  struct Exchange {
    int prizeIndex = -1;  // -1 when the slot is empty or names no prize
    std::string playerName;
  };
  int32_t userId = 0;
  std::array<bool, EXCHANGE_PRIZE_COUNT> unavailable{};
  std::array<Exchange, LATEST_EXCHANGES> latest{};
};

// The request for the prize page: the ids, the four latest-exchange slots at -1, the rest zero.
RequestBody MakePrizePageRequest(const RequestContext& c);
// The question whether the ticket-exchange activity runs: the ids, and a zero word at 16.
RequestBody MakeActivityQuery(const RequestContext& c);
// Empty when the body is shorter than the page. Every name is read within its 32-byte field,
// including the last one, which ends at the page's last byte.
std::optional<PrizePage> ReadPrizePage(const uint8_t* body, size_t length);
