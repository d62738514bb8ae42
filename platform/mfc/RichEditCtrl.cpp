#include "platform/mfc/RichEditCtrl.h"

IMPLEMENT_DYNAMIC(CRichEditCtrl, CWnd)

BOOL CRichEditCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  if (!AfxInitRichEdit()) return FALSE;
  return CWnd::Create(RICHEDIT_CLASSA, nullptr, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

CString CRichEditCtrl::GetSelText() const {
  CHARRANGE cr{};
  GetSel(cr);
  // EM_GETSELTEXT writes the selection and its terminator; the buffer is sized from the range.
  long len = cr.cpMax > cr.cpMin ? cr.cpMax - cr.cpMin : 0;
  CString text;
  if (len <= 0) return text;
  // A character position may stand for two bytes of GBK text.
  LPTSTR buffer = text.GetBuffer(static_cast<int>(len) * 2 + 1);
  long n = (long)::SendMessage(m_hWnd, EM_GETSELTEXT, 0, (LPARAM)buffer);
  text.ReleaseBuffer(n > 0 ? static_cast<int>(n) : 0);
  return text;
}

int CRichEditCtrl::GetTextRange(int nFirst, int nLast, CString& refString) const {
  refString.Empty();
  if (nFirst < 0 || nLast <= nFirst) return 0;
  TEXTRANGE tr{};
  tr.chrg.cpMin = nFirst;
  tr.chrg.cpMax = nLast;
  tr.lpstrText = refString.GetBuffer((nLast - nFirst) * 2 + 1);
  int n = (int)::SendMessage(m_hWnd, EM_GETTEXTRANGE, 0, (LPARAM)&tr);
  refString.ReleaseBuffer(n > 0 ? n : 0);
  return n;
}

IRichEditOle* CRichEditCtrl::GetIRichEditOle() const {
  IRichEditOle* pOle = nullptr;
  ::SendMessage(m_hWnd, EM_GETOLEINTERFACE, 0, (LPARAM)&pOle);
  return pOle;
}
