// What the table's dialogs read from the game server and the hall, and what the test server's
// exchange activity reads from a client: leave requests and answers, the prize page, the round
// result behind the settlement, the player card's record and the exchange form. The first byte
// picks the reader; the body follows.
#include <cstdlib>
#include <memory>
#include <string>

#include "framework/PlayerRecords.h"
#include "fuzz/FuzzInput.h"
#include "testbed/table/ExchangeActivity.h"
#include "variant/ExchangeForm.h"
#include "variant/LeaveRequests.h"
#include "variant/PlayerCardDlg.h"
#include "variant/SettlementSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t pick = in.Byte() % 6;
  size_t count = 0;
  const uint8_t* body = in.Rest(&count);
  switch (pick) {
    case 0: {
      auto n = ReadLeaveRequest(body, count);
      if (n && n->reason.size() >= LEAVE_REASON_SIZE) std::abort();
      break;
    }
    case 1: ReadLeaveReply(body, count); break;
    case 2: {
      auto page = ReadPrizePage(body, count);
      if (page) {
        for (const auto& e : page->latest) {
          if (e.playerName.size() >= 32 || e.prizeIndex < -1 || e.prizeIndex >= EXCHANGE_PRIZE_COUNT) std::abort();
        }
      }
      break;
    }
    case 3: {
      const size_t split = count < SETTLEMENT_RECORD_SIZE ? count : SETTLEMENT_RECORD_SIZE;
      CSettlementSheet sheet(body, split, body + split, count - split);
      sheet.PlayerRows({"a", "b", "c", "d"});
      for (int chair = -1; chair <= SETTLEMENT_CHAIRS; ++chair) {
        if (sheet.DetailRows(chair).size() > SETTLEMENT_ITEMS + 2) std::abort();
      }
      if (sheet.FirstDetailChair() < 0 || sheet.FirstDetailChair() >= SETTLEMENT_CHAIRS) std::abort();
      break;
    }
    case 4: {
      if (count < PLAYER_RECORD_SIZE) break;
      const PlayerRecord r = PlayerRecord::Read(body);
      for (const auto& field : PlayerCardFields(r)) {
        if (field.second.size() > 64) std::abort();
      }
      break;
    }
    case 5: {
      testbed::ExchangeActivity activity(std::make_shared<testbed::MemoryLedger>(1));
      activity.AwardTickets(5, 10000);
      int result = -1;
      activity.Exchange(5, std::span<const uint8_t>(body, count), &result);
      if (result < 0 || result > testbed::EXCHANGE_BAD) std::abort();
      if (activity.PrizePageBody(5).size() != testbed::PRIZE_PAGE_BYTES) std::abort();
      break;
    }
  }
  return 0;
}
