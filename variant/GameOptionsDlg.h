// The play settings: quick draws, refusing requests to see the hand, and silence while playing.
// The dialog works on its own copies; the caller takes them back after OK.
#pragma once

#include "platform/mfc/Dialog.h"

#define IDD_GAME_OPTIONS 145
#define IDC_OPTION_QUICK_CATCH 1088
#define IDC_OPTION_REJECT_KANPAI 1067
#define IDC_OPTION_SILENCE 1032

class CGameOptionsDlg : public CDialog {
 public:
  explicit CGameOptionsDlg(CWnd* parent = nullptr) : CDialog(IDD_GAME_OPTIONS, parent) {}

  BOOL OnInitDialog() override;
  void OnOK() override;

  int silence = 0;
  int rejectKanPaiAsk = 0;
  int quickCatch = 0;
};
