// This game's chat pane: the mahjong chat pane on this game's light background.
#pragma once

#include "mahjong/MJGameChatView.h"

#define GAME_CHAT_BACK_COLOUR 0xFFFFF0

class CGameChatViewEx : public CMJGameChatView {
  DECLARE_DYNCREATE(CGameChatViewEx)

 public:
  CGameChatViewEx() = default;
  void OnInitialUpdate() override;
  virtual CComboBox* GetPhraseCombo() { return &GetInput(); }
};
