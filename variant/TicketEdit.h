// The edit boxes of the exchange's contact form: their own text and background colours and a
// font that the form gives them.
#pragma once

#include "platform/mfc/Controls.h"
#include "platform/mfc/DC.h"
#include "platform/mfc/GdiObject.h"

class CTicketEdit : public CEdit {
  DECLARE_DYNAMIC(CTicketEdit)

 public:
  CTicketEdit();
  // Replaces the edit's font with one made from the description, and redraws.
  void SetFontFromLogFont(const LOGFONT& logFont);
  COLORREF GetTextColour() const { return m_textColour; }
  COLORREF GetBackColour() const { return m_backColour; }

 protected:
  afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
  DECLARE_MESSAGE_MAP()

  COLORREF m_textColour;
  COLORREF m_backColour;
  CFont m_font;
  CBrush m_brush;
};
