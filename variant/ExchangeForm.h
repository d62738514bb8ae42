// The contact form of the ticket exchange: the check of the mobile-phone number and the 144-byte
// body of the exchange request that carries the player's choice and contact details.
#pragma once

#include "framework/RequestBodies.h"

#define REQ_SUBMIT_EXCHANGE 401002
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
