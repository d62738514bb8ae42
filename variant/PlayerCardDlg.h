// The player card: a small window with the details of one player (portrait, name, nickname,
// wealth title, silver, level, score, experience, disconnect rate, network speed, wins, losses,
// draws, win rate, the relation flags and the watched player of an onlooker). The hall sends the
// details; the card's "刷新" asks the hall for them again, "关闭" and Esc hide the card.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "controls/HyperLink.h"
#include "framework/PlayerRecords.h"
#include "platform/mfc/CommonControls.h"
#include "platform/mfc/Dialog.h"

#define IDD_PLAYER_CARD 146
#define IDC_CARD_PORTRAIT 1033
#define IDC_CARD_CLOSE 1034
#define IDC_CARD_REFRESH 1035
#define IDC_CARD_NAME 1040
// The hall's request for a player's details: wParam the main window, lParam the user id.
#define WM_HALL_PLAYER_DETAILS 0x9108
#define CARD_PORTRAIT_MASK RGB(0, 0x80, 0x80)
#define IDI_PROGRAM 151

// The name of the player an onlooker watches, kept at offset 192 of the player record.
std::string CardWatchedName(const PlayerRecord& record);
void SetCardWatchedName(PlayerRecord& record, const std::string& name);

// The texts of the card's sixteen fields, by control id.
std::vector<std::pair<int, std::string>> PlayerCardFields(const PlayerRecord& record);

class CPlayerCardDlg : public CDialog {
 public:
  explicit CPlayerCardDlg(CWnd* parent = nullptr);
  ~CPlayerCardDlg() override;

  // Copies the record, loads its portrait and writes every field.
  void Fill(const PlayerRecord& record);
  const PlayerRecord& Shown() const { return m_player; }
  // Whether the portrait came from the player's file (false: the program's icon).
  bool HasOwnPortrait() const { return m_ownPortrait; }
  int PortraitCount() const { return m_portraits.GetSafeHandle() != nullptr ? m_portraits.GetImageCount() : 0; }

  BOOL OnInitDialog() override;
  void OnCancel() override;

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  afx_msg void OnRefresh();
  afx_msg void OnClose();
  DECLARE_MESSAGE_MAP()
  void PostNcDestroy() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void LoadPortrait(int portraitId);

  CImageList m_portraits;
  CHyperLink m_refresh;
  CHyperLink m_close;
  PlayerRecord m_player;
  bool m_ownPortrait = false;
};

// Shows a player's details from the hall (its 320-byte record): builds the card on the first
// call with the main window as parent, names the watched player of an onlooker, places the card
// left of the player pane at the height of the table view, fills and shows it. The card object
// lives in `card` until its window is destroyed.
void ShowPlayerCard(CPlayerCardDlg*& card, CWnd* mainWindow, CWnd* playerPane, CWnd* tableView, const BYTE* data,
                    size_t length);
