// CHyperLink: a dialog's static text turned into a link-like label: coloured text on a
// transparent background, a hover colour while the mouse is over it, an optional underline, a
// hand cursor and a tooltip with its text. A click reaches the parent as STN_CLICKED.
#pragma once

#include "platform/mfc/CommonControls.h"
#include "platform/mfc/Controls.h"
#include "platform/mfc/GdiObject.h"
#include "platform/mfc/String.h"

class CHyperLink : public CStatic {
 public:
  CHyperLink();
  ~CHyperLink() override;

  void SetColors(COLORREF link, COLORREF visited, COLORREF hover = static_cast<COLORREF>(-1));
  void SetLinkCursor(HCURSOR cursor);
  void SetUnderline(BOOL underline, BOOL repaint = TRUE);

  void PreSubclassWindow() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // Read access for the owner and for tests.
  COLORREF GetLinkColor() const { return m_linkColor; }
  COLORREF GetVisitedColor() const { return m_visitedColor; }
  COLORREF GetHoverColor() const { return m_hoverColor; }
  BOOL IsOver() const { return m_over; }
  BOOL GetUnderline() const { return m_underline; }
  // The label keeps the size of its template: nothing sets this flag.
  BOOL GetFitToText() const { return m_fitToText; }
  HCURSOR GetLinkCursor() const { return m_linkCursor; }
  const CString& GetLinkText() const { return m_linkText; }
  CToolTipCtrl& GetToolTip() { return m_toolTip; }

 protected:
  afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
  afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  DECLARE_MESSAGE_MAP()

 private:
  void RebuildFont();
  static HCURSOR LoadDefaultCursor(bool* owned);

  COLORREF m_linkColor = RGB(0, 0, 0xEE);
  COLORREF m_visitedColor = RGB(0x55, 0x1A, 0x8B);
  COLORREF m_hoverColor;
  BOOL m_over = FALSE;
  BOOL m_visited = FALSE;
  BOOL m_underline = FALSE;
  BOOL m_fitToText = FALSE;
  CString m_linkText;
  CFont m_font;
  HCURSOR m_linkCursor = nullptr;
  bool m_ownsCursor = false;
  CToolTipCtrl m_toolTip;
};
