// The operations through which the framework reaches the main frame's panes. The panes (table,
// chat, player and tool panes) implement them, or leave them empty for the game layers to fill;
// the frame's pane getters return them, null where a frame has no such pane. Every notification
// body is handed on with its length, so that no hook reads past what the server sent; the
// bodies are valid only during the call, and a hook copies what it keeps.
#pragma once

#include <cstddef>

#include "framework/PlayerRecords.h"
#include "platform/base/WinTypes.h"

// Appends a marked-up text (wParam) to the chat pane; sent, so the sender keeps the text.
#define WM_CHAT_APPEND 0x85B5

class CTablePaneHooks {
 public:
  virtual ~CTablePaneHooks() = default;
  virtual void ResetTable() {}
  virtual void InitKickCountdown() {}
  virtual void KillKickTimer() {}
  // The id of the not-started kick timer, cleared when the kick happens.
  virtual void ClearKickTimerId() {}
  // The pane's one-second clock timer while a game is played, 0 otherwise.
  virtual UINT GetClockTimerId() const { return 0; }
  virtual int GetWidth() const { return 0; }
  virtual int GetHeight() const { return 0; }
  virtual void OnPlayerSeated(const PlayerRecord& seat) {}
  virtual void OnPlayerLeft(const PlayerRecord& record) {}
  virtual void OnRandomSeated(const BYTE* data, size_t length) {}
  virtual void OnMovedToTable(const BYTE* data, size_t length) {}
  virtual void OnAmuletUsed(const BYTE* data, size_t length) {}
  virtual void OnBaseSilverNotice(const BYTE* data, size_t length) {}
  virtual void OnNamesChanged(const BYTE* data, size_t length) {}
  virtual void OnTableNotice211920(const BYTE* data, size_t length) {}
  virtual void OnClothingChanged(const BYTE* data, size_t length) {}
  virtual void OnMemberChanged(const BYTE* data, size_t length) {}
  virtual void OnLotteryState(const BYTE* data, size_t length) {}
  virtual void OnLotteryState2(const BYTE* data, size_t length) {}
  virtual void OnLotteryDraw(const BYTE* data, size_t length) {}
  virtual void OnLotteryBroadcast(const BYTE* data, size_t length) {}
  virtual void OnSystemText(const BYTE* data, size_t length) {}
};

class CChatPaneHooks {
 public:
  virtual ~CChatPaneHooks() = default;
  // The pane's window, which takes WM_CHAT_APPEND; null while it has none.
  virtual HWND GetPaneWindow() const { return nullptr; }
  virtual void OnOnlookerJoined(const PlayerRecord& record) {}
  virtual void OnOnlookerLeft(const PlayerRecord& record) {}
  virtual void OnChatLine(const BYTE* data, size_t length) {}
  virtual void OnChatNotice(const BYTE* data, size_t length) {}
  virtual void OnBaseSilverNotice(const BYTE* data, size_t length) {}
  virtual void OnMovedToTable(const BYTE* data, size_t length) {}
  virtual void OnPlayerCalled(const BYTE* data, size_t length) {}
  virtual void OnPlayerEntered(const PlayerRecord& seat) {}
  virtual void OnPlayerLeft(const PlayerRecord& record) {}
  virtual void OnRandomSeated(const BYTE* data, size_t length) {}
  virtual void OnAmuletUsed(const BYTE* data, size_t length) {}
  virtual void OnNamesChanged(const BYTE* data, size_t length) {}
  virtual void OnClothingChanged(const BYTE* data, size_t length) {}
  virtual void OnMemberChanged(const BYTE* data, size_t length) {}
  virtual void OnLotteryState(const BYTE* data, size_t length) {}
  virtual void OnLotteryState2(const BYTE* data, size_t length) {}
  virtual void OnLotteryDraw(const BYTE* data, size_t length) {}
  virtual void OnLotteryBroadcast(const BYTE* data, size_t length) {}
  virtual void OnSystemText(const BYTE* data, size_t length) {}
  // A downloaded notice text, with its "<notify>" mark.
  virtual void ShowNotice(const char* text) {}
};

class CPlayerPaneHooks {
 public:
  virtual ~CPlayerPaneHooks() = default;
  virtual void OnOnlookerJoined(const PlayerRecord& record) {}
  // Removes the onlooker's row and clears his record.
  virtual void RemovePlayerRow(PlayerRecord& record) { record.Clear(); }
  virtual void AddPlayerRow(const PlayerRecord& seat) {}
  virtual void DeleteRow(const PlayerRecord& record) {}
  virtual void UpdateResultCells(const BYTE* data, size_t length) {}
  virtual void ReloadSeats(const BYTE* data, size_t length) {}
  virtual void ReloadSeats2(const BYTE* data, size_t length) {}
  virtual void OnBaseSilver(const BYTE* data, size_t length) {}
  virtual void OnClothingChanged(const BYTE* data, size_t length) {}
  virtual void OnMemberChanged(const BYTE* data, size_t length) {}
  virtual void OnLotteryState(const BYTE* data, size_t length) {}
  virtual void OnLotteryState2(const BYTE* data, size_t length) {}
  virtual void OnLotteryDraw(const BYTE* data, size_t length) {}
  virtual void OnLotteryBroadcast(const BYTE* data, size_t length) {}
  virtual void OnSystemText(const BYTE* data, size_t length) {}
};

class CToolPaneHooks {
 public:
  virtual ~CToolPaneHooks() = default;
  virtual void SetSilverInHand(int amount) {}
};
