#include "controls/HyperLink.h"

#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

BEGIN_MESSAGE_MAP(CHyperLink, CStatic)
  ON_WM_CTLCOLOR_REFLECT()
  ON_WM_SETCURSOR()
  ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

CHyperLink::CHyperLink() : m_hoverColor(::GetSysColor(COLOR_HIGHLIGHT)) {}

CHyperLink::~CHyperLink() {
  if (m_ownsCursor && m_linkCursor != nullptr) ::DestroyCursor(m_linkCursor);
  if (m_toolTip.GetSafeHwnd() != nullptr) m_toolTip.DestroyWindow();
}

void CHyperLink::SetColors(COLORREF link, COLORREF visited, COLORREF hover) {
  m_linkColor = link;
  m_visitedColor = visited;
  m_hoverColor = hover == static_cast<COLORREF>(-1) ? ::GetSysColor(COLOR_HIGHLIGHT) : hover;
  if (m_hWnd != nullptr) Invalidate();
}

void CHyperLink::SetLinkCursor(HCURSOR cursor) {
  // The label's own copy of the default cursor goes when the owner replaces it.
  if (m_ownsCursor && m_linkCursor != nullptr && m_linkCursor != cursor) ::DestroyCursor(m_linkCursor);
  m_ownsCursor = false;
  m_linkCursor = cursor;
}

void CHyperLink::RebuildFont() {
  LOGFONTA lf{};
  HFONT current = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  if (current == nullptr) current = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  ::GetObject(current, sizeof(lf), &lf);
  lf.lfUnderline = m_underline ? 1 : 0;
  CFont font;
  font.CreateFontIndirect(&lf);
  // The new font is set before the old one goes, so the control never names a deleted font.
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.GetSafeHandle()), TRUE);
  m_font.DeleteObject();
  m_font.Attach(font.Detach());
}

void CHyperLink::SetUnderline(BOOL underline, BOOL repaint) {
  m_underline = underline;
  if (m_hWnd == nullptr) return;
  RebuildFont();
  if (repaint) Invalidate();
}

HCURSOR CHyperLink::LoadDefaultCursor(bool* owned) {
  // Any hand cursor serves. A copy is owned by the label and destroyed with it; the system's
  // shared cursor, used when it cannot be copied, is never destroyed.
  HCURSOR hand = ::LoadCursorA(nullptr, IDC_HAND);
  if (hand == nullptr) {
    *owned = false;
    return nullptr;
  }
  HCURSOR copy = static_cast<HCURSOR>(::CopyIcon(hand));
  *owned = copy != nullptr;
  return copy != nullptr ? copy : hand;
}

void CHyperLink::PreSubclassWindow() {
  ModifyStyle(0, SS_NOTIFY);
  if (m_linkText.IsEmpty()) GetWindowText(m_linkText);
  RebuildFont();
  if (m_linkCursor == nullptr) {
    m_linkCursor = LoadDefaultCursor(&m_ownsCursor);
  }
  if (m_toolTip.Create(this, 0)) {
    CRect client;
    GetClientRect(&client);
    m_toolTip.AddTool(this, m_linkText, &client, 1);
  }
  CStatic::PreSubclassWindow();
}

BOOL CHyperLink::PreTranslateMessage(MSG* pMsg) {
  if (m_toolTip.GetSafeHwnd() != nullptr) m_toolTip.RelayEvent(pMsg);
  return CStatic::PreTranslateMessage(pMsg);
}

HBRUSH CHyperLink::CtlColor(CDC* pDC, UINT nCtlColor) {
  (void)nCtlColor;
  pDC->SetTextColor(m_over ? m_hoverColor : (m_visited ? m_visitedColor : m_linkColor));
  pDC->SetBkMode(TRANSPARENT);
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  (void)pWnd;
  (void)nHitTest;
  (void)message;
  if (m_linkCursor == nullptr) return FALSE;
  ::SetCursor(m_linkCursor);
  return TRUE;
}

void CHyperLink::OnMouseMove(UINT nFlags, CPoint point) {
  CStatic::OnMouseMove(nFlags, point);
  const UINT redraw = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
  if (!m_over) {
    m_over = TRUE;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, redraw);
    SetCapture();
    return;
  }
  CRect client;
  GetClientRect(&client);
  if (!client.PtInRect(point)) {
    m_over = FALSE;
    ::ReleaseCapture();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, redraw);
  }
}
