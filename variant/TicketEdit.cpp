#include "variant/TicketEdit.h"

IMPLEMENT_DYNAMIC(CTicketEdit, CEdit)

BEGIN_MESSAGE_MAP(CTicketEdit, CEdit)
  ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

CTicketEdit::CTicketEdit() : m_textColour(GetSysColor(COLOR_WINDOWTEXT)), m_backColour(GetSysColor(COLOR_WINDOW)) {
  m_font.CreatePointFont(60, "宋体");
  m_brush.CreateSolidBrush(m_backColour);
}

void CTicketEdit::SetFontFromLogFont(const LOGFONT& logFont) {
  m_font.DeleteObject();
  m_font.CreateFontIndirect(&logFont);
  if (GetSafeHwnd() != nullptr) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);
    Invalidate();
  }
}

HBRUSH CTicketEdit::CtlColor(CDC* pDC, UINT) {
  pDC->SetTextColor(m_textColour);
  pDC->SetBkColor(m_backColour);
  return static_cast<HBRUSH>(m_brush.GetSafeHandle());
}
