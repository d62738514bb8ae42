// The prize pop-up of the ticket exchange: a borderless, semi-transparent window painted from the
// program's PNG picture (resource 300) with its per-pixel alpha, with the contact form laid over
// it. The user drags it by any visible part of the picture; the form follows. The activity
// panel keeps the object for its whole life; the window exists from a prize's choice until the
// form is submitted or closed.
#pragma once

#include <memory>

#include "platform/gdi/Gdi.h"
#include "platform/mfc/Dialog.h"
#include "platform/user/GdiPlus.h"
#include "variant/PhoneNumberDlg.h"

#define IDD_PRIZE_POPUP 299
#define IDR_PRIZE_PICTURE 300

class CPngPopupDlg : public CDialog {
 public:
  CPngPopupDlg();
  ~CPngPopupDlg() override;

  CPhoneNumberDlg& Form() { return m_form; }
  void SetTable(const ExchangeTable& table) { m_form.SetTable(table); }
  UINT PictureWidth() const { return m_width; }
  UINT PictureHeight() const { return m_height; }

  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override { DestroyWindow(); }

 protected:
  afx_msg void OnPaint();
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg UINT OnNcHitTest(CPoint point);
  afx_msg void OnMove(int x, int y);
  DECLARE_MESSAGE_MAP()

  using UpdateLayeredWindowProc = BOOL (*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, const BLENDFUNCTION*,
                                           DWORD);
  // Decodes the program's PNG picture; false when it is missing or not a picture.
  bool LoadPicture();

  CPhoneNumberDlg m_form;
  UpdateLayeredWindowProc m_updateLayeredWindow = nullptr;
  BLENDFUNCTION m_blend{AC_SRC_OVER, 0, 254, AC_SRC_ALPHA};
  std::unique_ptr<Gdiplus::Image> m_picture;
  UINT m_width = 0;
  UINT m_height = 0;
};

// The activity panel's step after a prize was chosen: gives the form the prize, creates the
// pop-up's window when it has none, and shows it.
void OpenPrizePopup(CPngPopupDlg& popup, int prizeIndex);
