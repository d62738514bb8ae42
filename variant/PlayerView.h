// This game's player list: the framework's list on the light background, the menu item by which a
// seated player lets an onlooker who watches him see his tiles (or forbids it again), and the
// answers to the other players' leave requests.
#pragma once

#include <functional>

#include "framework/GamePlayerView.h"

#define IDD_PLAYER_PANE_FORM 144
#include "framework/RequestPopup.h"
#define WM_LEAVE_ANSWER 0x8D20
#define PLAYER_PANE_BACK_COLOUR 0xFFFFF0
#define LEAVE_REASON_BYTES 64

class CPlayerView : public CGamePlayerView {
  DECLARE_DYNCREATE(CPlayerView)

 public:
  // Opens the answer pop-up for a leave request (the asker's user id and his 64-byte reason);
  // the pop-up posts WM_LEAVE_ANSWER to the pane when the player answers.
  using LeaveAnswerPopup = std::function<void(CPlayerView& pane, int askerUserId, const char* reason64)>;
  static void SetLeaveAnswerPopup(LeaveAnswerPopup popup);

  CPlayerView();
  ~CPlayerView() override;

  void OnInitialUpdate() override;
  void AdjustContextMenu(int row, COwnerDrawMenu* menu, CMenu* popup) override { UpdateLookMenuItem(row, menu, popup); }
  virtual void UpdateLookMenuItem(int row, COwnerDrawMenu* menu, CMenu* popup);
  void ShowLeaveAnswer(int askerUserId, const char* reason64);
  // The chat line of an answer as the answering client writes it.
  static CString FormatLeaveAnswerLine(LPCSTR answerer, bool agree, LPCSTR asker);

 protected:
  afx_msg LRESULT OnLookPermission(WPARAM wParam, LPARAM lParam);
  afx_msg void OnToggleLookPermission();
  afx_msg LRESULT OnLeaveAnswer(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()
};
