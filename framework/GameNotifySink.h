// The last link of the notification sink chain: it handles the framework's notification codes.
// Each game layer's sink handles its own codes and passes the rest down to this one. Every body
// arrives with its length; a body shorter than its code's layout is refused in OnNotify, logged,
// and changes nothing.
#pragma once

#include <cstddef>

#include "platform/base/WinTypes.h"

class CGameNotifySink {
 public:
  CGameNotifySink() = default;
  virtual ~CGameNotifySink() = default;

  // Dispatches on the code; returns 1 when the framework handled it.
  virtual int OnNotify(int code, const BYTE* data, size_t length);
  virtual void OnPlayersUpdated(const BYTE* data, size_t length);
  virtual void OnTableClosed(const BYTE* data, size_t length);
  virtual void OnChatMessage(const BYTE* data, size_t length);
  virtual void OnChatNotice(const BYTE* data, size_t length);
  virtual void OnPlayerCalled(const BYTE* data, size_t length);
  virtual void OnHallForward(const BYTE* data, size_t length);
  virtual void OnOnlookerLeft(const BYTE* data, size_t length);
  virtual void OnSilverShort(const BYTE* data, size_t length);
  virtual void OnScoreShort(const BYTE* data, size_t length);
  virtual void OnScoreOverLimit(const BYTE* data, size_t length);
  virtual void OnPlayerRoundsOverLimit(const BYTE* data, size_t length);
  virtual void OnTableRoundsOverLimit(const BYTE* data, size_t length);
  virtual void OnOutsideOpenHours(const BYTE* data, size_t length);
  virtual void OnServerMessage(const BYTE* data, size_t length);
  virtual void OnRoundResults(const BYTE* data, size_t length);
  virtual void OnBaseSilverNotice(const BYTE* data, size_t length);
  virtual void OnMovedToTable(const BYTE* data, size_t length);
  virtual void OnAmuletUsed(const BYTE* data, size_t length);
  virtual void OnNamesChanged(const BYTE* data, size_t length);
  virtual void OnTableNotice211920(const BYTE* data, size_t length);
  virtual void OnClothingChanged(const BYTE* data, size_t length);
  virtual void OnMemberChanged(const BYTE* data, size_t length);
  virtual void OnLotteryState(const BYTE* data, size_t length);
  virtual void OnLotteryState2(const BYTE* data, size_t length);
  virtual void OnLotteryDraw(const BYTE* data, size_t length);
  virtual void OnLotteryBroadcast(const BYTE* data, size_t length);
  virtual void OnSystemText(const BYTE* data, size_t length);
  virtual void OnPlayerSeated(const BYTE* data, size_t length);
  virtual void OnPlayerLeft(const BYTE* data, size_t length);
  virtual void OnRandomSeated(const BYTE* data, size_t length);
  // The bytes behind the random seating's player records; empty here for the game layers.
  virtual void OnRandomSeatedExtra(const BYTE* tail, size_t length) {}

 protected:
  // A 30- or 60-second modeless box that ends the game, shown only when the main window exists.
  void ShowEndingBox(const char* text, int seconds, int extraHeight = 0);
};
