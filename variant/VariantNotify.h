// This game's notification sink: the mahjong sink with the notifications of the table's dialogs
// (leave requests and answers, the exchange activity's tickets, prize page and results) and the
// settlement after each hand's result.
#pragma once

#include "mahjong/MJGameNotify.h"
#include "variant/TableDialogs.h"

class CVariantNotify : public CMJGameNotify {
 public:
  CVariantNotify(CGameInfo& info, CMJTableModel& model, CMJNotifyHost& host, CTableDialogs& dialogs)
      : CMJGameNotify(info, model, host), m_dialogs(dialogs) {}

  int OnNotify(int code, const BYTE* data, size_t length) override;
  void OnNewHand(const BYTE* data, size_t length) override;
  void OnHandResult(const BYTE* data, size_t length) override;

 private:
  CTableDialogs& m_dialogs;
};
