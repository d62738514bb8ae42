#include "platform/mfc/Controls.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)

// Every control is a child window: the class library adds WS_CHILD to the caller's style.
BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("BUTTON", lpszCaption, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  // An owner-drawn button draws itself when its parent gets WM_DRAWITEM for it.
  if (message == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (pResult) *pResult = TRUE;
    return TRUE;
  }
  return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("STATIC", lpszText, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("EDIT", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

int CEdit::GetLine(int nIndex, LPTSTR lpszBuffer, int nMaxLength) const {
  // EM_GETLINE takes the buffer's size in its first WORD; a buffer too small for it gets nothing.
  if (!lpszBuffer || nMaxLength < (int)sizeof(WORD)) return 0;
  WORD size = (WORD)(nMaxLength > 0xFFFF ? 0xFFFF : nMaxLength);
  lpszBuffer[0] = (char)(size & 0xFF);
  lpszBuffer[1] = (char)(size >> 8);
  return (int)::SendMessage(m_hWnd, EM_GETLINE, nIndex, (LPARAM)lpszBuffer);
}

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("LISTBOX", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

void CListBox::GetText(int nIndex, CString& rString) const {
  int len = GetTextLen(nIndex);
  if (len <= 0) {
    rString.Empty();
    return;
  }
  len = GetText(nIndex, rString.GetBuffer(len));
  rString.ReleaseBuffer(len > 0 ? len : 0);
}

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("COMBOBOX", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

void CComboBox::GetLBText(int nIndex, CString& rString) const {
  int len = GetLBTextLen(nIndex);
  if (len <= 0) {
    rString.Empty();
    return;
  }
  len = GetLBText(nIndex, rString.GetBuffer(len));
  rString.ReleaseBuffer(len > 0 ? len : 0);
}

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("SCROLLBAR", nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}
