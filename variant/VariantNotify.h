// This game's notification sink: the mahjong sink with the notifications of the table's dialogs
// (leave requests and answers, the exchange activity's tickets, prize page and results) and the
// settlement after each hand's result. The seat notices (a player seated or gone, everybody seated
// anew, the wait for a table) reach the table scene after the framework has taken them.
#pragma once

#include <functional>

#include "mahjong/MJGameNotify.h"
#include "variant/TableDialogs.h"

class CVariantNotify : public CMJGameNotify {
 public:
  CVariantNotify(CGameInfo& info, CMJTableModel& model, CMJNotifyHost& host, CTableDialogs& dialogs)
      : CMJGameNotify(info, model, host), m_dialogs(dialogs) {}

  // What the table scene does with the seat notices; unset: nothing.
  struct SeatHooks {
    // A player took the chair; a player left the chair.
    std::function<void(int chair)> playerSeated;
    std::function<void(int chair)> playerLeft;
    // The system seated the players anew.
    std::function<void()> randomSeated;
    // The server makes the player wait for a table: the ready icons go, hand or no hand.
    std::function<void()> waitForTable;
  };
  void SetSeatHooks(SeatHooks hooks) { m_seat = std::move(hooks); }

  int OnNotify(int code, const BYTE* data, size_t length) override;
  void OnNewHand(const BYTE* data, size_t length) override;
  void OnHandResult(const BYTE* data, size_t length) override;
  void OnPlayerSeated(const BYTE* data, size_t length) override;
  void OnPlayerLeft(const BYTE* data, size_t length) override;
  void OnRandomSeated(const BYTE* data, size_t length) override;

 private:
  CTableDialogs& m_dialogs;
  SeatHooks m_seat;
};
