// The mahjong layer's chat pane: the framework's chat pane on the list colour, with the game
// description's texts after entering the table and at a new hand, and the line writers that the
// notification handlers and the player panes call (a player started, look-on permission given or
// taken, the hand's summary).
#pragma once

#include <cstddef>

#include "framework/GameChatView.h"
#include "platform/base/WinTypes.h"

#define IDI_CHAT_FACE_BUTTON 152
#define CHAT_GREY 8421504
#define CHAT_LOOK_COLOUR 2906200

class CMJGameChatView : public CGameChatView {
  DECLARE_DYNCREATE(CMJGameChatView)

 public:
  CMJGameChatView();
  ~CMJGameChatView() override;

  void OnInitialUpdate() override;
  // The new-hand text of the game description.
  virtual void AppendRoundResult();

  // A record that starts with the user id of the player who started.
  void AddGameStartedLine(const BYTE* record, size_t length);
  // The look-on permission record: ints [0] the player, [4] the onlooker, [5] 1 allowed.
  void AddLookCardsLine(const BYTE* record, size_t length);
  void AppendHandSummary();

  // The pane's line as it goes to the display; public for the tests.
  static CString FormatGameStartedLine(LPCSTR name);
  static CString FormatLookCardsLine(LPCSTR player, bool allowed, LPCSTR onlooker);

 protected:
  // Appends through the pane's own message, as every writer of the chat does.
  void Append(const CString& text);
  afx_msg LRESULT OnMahjongPaneUpdate(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()
};
