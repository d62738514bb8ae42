// The mahjong layer's player list: the framework's list on the list colour, with the menu item
// by which a seated player lets an onlooker who watches him see his tiles, or forbids it again.
// After a hand the advert-bet pane (when the frame has one) gets the hand's column and the
// permissions end.
#pragma once

#include "framework/GamePlayerView.h"

#define IDD_MJ_PLAYER_FORM 144
#include "framework/RequestPopup.h"

class CMJGamePlayerView : public CGamePlayerView {
  DECLARE_DYNCREATE(CMJGamePlayerView)

 public:
  CMJGamePlayerView();
  ~CMJGamePlayerView() override;

  void OnInitialUpdate() override;
  void UpdateScoreCells(const BYTE* data, size_t length) override;
  void AdjustContextMenu(int row, COwnerDrawMenu* menu, CMenu* popup) override;

 protected:
  afx_msg LRESULT OnPopupAnswer(WPARAM wParam, LPARAM lParam);
  afx_msg void OnToggleLook();
  DECLARE_MESSAGE_MAP()
};
