// CRichEditCtrl: the control object of the rich-edit control ("RichEdit20A"), with the members
// the chat display uses: appending at the end through the selection, character formats of the
// selection and the default, hiding the selection, line scrolling, link notifications and the
// OLE interface for inline pictures.
#pragma once

#include "platform/comctl/RichEdit.h"
#include "platform/comctl/RichEditOle.h"
#include "platform/mfc/String.h"
#include "platform/mfc/Wnd.h"

class CRichEditCtrl : public CWnd {
  DECLARE_DYNAMIC(CRichEditCtrl)

 public:
  CRichEditCtrl() = default;
  // Makes the control (AfxInitRichEdit first) as a child of pParentWnd.
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  BOOL SetReadOnly(BOOL bReadOnly = TRUE) { return (BOOL)::SendMessage(m_hWnd, EM_SETREADONLY, bReadOnly, 0); }
  void LimitText(long nChars = 0) { ::SendMessage(m_hWnd, EM_EXLIMITTEXT, 0, nChars); }
  long GetTextLength() const { return (long)::SendMessage(m_hWnd, WM_GETTEXTLENGTH, 0, 0); }
  int GetLineCount() const { return (int)::SendMessage(m_hWnd, EM_GETLINECOUNT, 0, 0); }
  int GetFirstVisibleLine() const { return (int)::SendMessage(m_hWnd, EM_GETFIRSTVISIBLELINE, 0, 0); }
  void LineScroll(int nLines, int nChars = 0) { ::SendMessage(m_hWnd, EM_LINESCROLL, nChars, nLines); }

  // Selection. SetSel(-1, -1) puts the caret at the end.
  void GetSel(CHARRANGE& cr) const { ::SendMessage(m_hWnd, EM_EXGETSEL, 0, (LPARAM)&cr); }
  void GetSel(long& nStartChar, long& nEndChar) const {
    CHARRANGE cr{};
    GetSel(cr);
    nStartChar = cr.cpMin;
    nEndChar = cr.cpMax;
  }
  void SetSel(CHARRANGE& cr) { ::SendMessage(m_hWnd, EM_EXSETSEL, 0, (LPARAM)&cr); }
  void SetSel(long nStartChar, long nEndChar) {
    CHARRANGE cr{static_cast<LONG>(nStartChar), static_cast<LONG>(nEndChar)};
    SetSel(cr);
  }
  void ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo = FALSE) {
    ::SendMessage(m_hWnd, EM_REPLACESEL, bCanUndo, (LPARAM)lpszNewText);
  }
  // The selected text.
  CString GetSelText() const;
  // The text of [nFirst, nLast).
  int GetTextRange(int nFirst, int nLast, CString& refString) const;
  void HideSelection(BOOL bHide, BOOL bPerm) { ::SendMessage(m_hWnd, EM_HIDESELECTION, bHide, bPerm); }
  void Clear() { ::SendMessage(m_hWnd, WM_CLEAR, 0, 0); }

  // Character formats.
  DWORD GetDefaultCharFormat(CHARFORMAT& cf) const {
    cf.cbSize = sizeof(CHARFORMAT);
    return (DWORD)::SendMessage(m_hWnd, EM_GETCHARFORMAT, SCF_DEFAULT, (LPARAM)&cf);
  }
  DWORD GetSelectionCharFormat(CHARFORMAT& cf) const {
    cf.cbSize = sizeof(CHARFORMAT);
    return (DWORD)::SendMessage(m_hWnd, EM_GETCHARFORMAT, SCF_SELECTION, (LPARAM)&cf);
  }
  BOOL SetDefaultCharFormat(CHARFORMAT& cf) {
    cf.cbSize = sizeof(CHARFORMAT);
    return (BOOL)::SendMessage(m_hWnd, EM_SETCHARFORMAT, SCF_DEFAULT, (LPARAM)&cf);
  }
  BOOL SetSelectionCharFormat(CHARFORMAT& cf) {
    cf.cbSize = sizeof(CHARFORMAT);
    return (BOOL)::SendMessage(m_hWnd, EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&cf);
  }
  COLORREF SetBackgroundColor(BOOL bSysColor, COLORREF cr) {
    return (COLORREF)::SendMessage(m_hWnd, EM_SETBKGNDCOLOR, bSysColor, cr);
  }

  // Notifications and pictures.
  DWORD GetEventMask() const { return (DWORD)::SendMessage(m_hWnd, EM_GETEVENTMASK, 0, 0); }
  DWORD SetEventMask(DWORD dwEventMask) { return (DWORD)::SendMessage(m_hWnd, EM_SETEVENTMASK, 0, dwEventMask); }
  // The control's OLE interface with a reference the caller releases, or null.
  IRichEditOle* GetIRichEditOle() const;
};
