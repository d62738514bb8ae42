#include "variant/GameOptionsDlg.h"

BOOL CGameOptionsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CheckDlgButton(IDC_OPTION_QUICK_CATCH, quickCatch != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(IDC_OPTION_REJECT_KANPAI, rejectKanPaiAsk != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(IDC_OPTION_SILENCE, silence != 0 ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CGameOptionsDlg::OnOK() {
  quickCatch = IsDlgButtonChecked(IDC_OPTION_QUICK_CATCH) == BST_CHECKED ? 1 : 0;
  rejectKanPaiAsk = IsDlgButtonChecked(IDC_OPTION_REJECT_KANPAI) == BST_CHECKED ? 1 : 0;
  silence = IsDlgButtonChecked(IDC_OPTION_SILENCE) == BST_CHECKED ? 1 : 0;
  EndDialog(IDOK);
}
