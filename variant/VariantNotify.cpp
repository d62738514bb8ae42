#include "variant/VariantNotify.h"

#include "framework/BodyReader.h"
#include "mahjong/MahjongNotifyCodes.h"
#include "variant/SettlementSheet.h"

namespace {
// Where the chair stands in the seated player's record and in the departure notice.
constexpr size_t SEATED_CHAIR_OFFSET = 16;
constexpr size_t LEFT_CHAIR_OFFSET = 4;
}  // namespace

int CVariantNotify::OnNotify(int code, const BYTE* data, size_t length) {
  if (data == nullptr) length = 0;
  switch (code) {
    case NTF_LEAVE_REQUEST: m_dialogs.OnLeaveRequest(data, length); return 1;
    case NTF_LEAVE_REPLY: m_dialogs.OnLeaveReply(data, length); return 1;
    case NTF_TICKET_COUNT: m_dialogs.OnTicketCount(data, length); return 1;
    case NTF_TICKETS_WON: m_dialogs.OnTicketsWon(data, length); return 1;
    case NTF_EXCHANGE_RESULT: m_dialogs.OnExchangeResult(data, length); return 1;
    case NTF_PRIZE_PAGE: m_dialogs.OnPrizePage(data, length); return 1;
    case NTF_ACTIVITY_OPEN: m_dialogs.OnActivityOpen(data, length); return 1;
    case NTF_WAIT_FOR_TABLE:
      if (!m_seat.waitForTable) return CMJGameNotify::OnNotify(code, data, length);
      m_seat.waitForTable();
      return 1;
    default: return CMJGameNotify::OnNotify(code, data, length);
  }
}

void CVariantNotify::OnNewHand(const BYTE* data, size_t length) {
  m_dialogs.OnNewHand();
  CMJGameNotify::OnNewHand(data, length);
}

void CVariantNotify::OnHandResult(const BYTE* data, size_t length) {
  CMJGameNotify::OnHandResult(data, length);
  if (data == nullptr || length < SETTLEMENT_RECORD_SIZE) return;
  // The settlement shows the result as the game description stored it (entries included).
  const uint8_t* stored = m_info.GetRoundResult();
  const size_t size = m_info.GetRoundResultSize();
  if (stored == nullptr || size < SETTLEMENT_RECORD_SIZE) return;
  m_dialogs.ShowSettlement(stored, SETTLEMENT_RECORD_SIZE, stored + SETTLEMENT_RECORD_SIZE, size - SETTLEMENT_RECORD_SIZE);
}

void CVariantNotify::OnPlayerSeated(const BYTE* data, size_t length) {
  CMJGameNotify::OnPlayerSeated(data, length);
  CBodyReader body(data, length);
  if (m_seat.playerSeated && body.Has(SEATED_CHAIR_OFFSET + 4)) m_seat.playerSeated(body.Int(SEATED_CHAIR_OFFSET));
}

void CVariantNotify::OnPlayerLeft(const BYTE* data, size_t length) {
  CMJGameNotify::OnPlayerLeft(data, length);
  CBodyReader body(data, length);
  if (m_seat.playerLeft && body.Has(LEFT_CHAIR_OFFSET + 4)) m_seat.playerLeft(body.Int(LEFT_CHAIR_OFFSET));
}

void CVariantNotify::OnRandomSeated(const BYTE* data, size_t length) {
  CMJGameNotify::OnRandomSeated(data, length);
  if (m_seat.randomSeated) m_seat.randomSeated();
}
