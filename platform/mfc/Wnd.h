// CWnd: the class library's window object.
//
// A CWnd that creates or subclasses a window is that window's permanent object: the window
// procedure AfxWndProc finds it in the handle map and calls WindowProc, which dispatches through
// the message map (OnWndMsg) or falls back to DefWindowProc (the window's previous procedure).
// CWnd::FromHandle gives the permanent object or, for a window that has none, a temporary
// wrapper that lives until the thread's next idle time (CWinThread::OnIdle) or its end.
//
// Creation goes through the thread's creation hook, so the object is attached and the window
// subclassed before WM_NCCREATE and WM_CREATE arrive, whatever the window's class. When a window
// is destroyed, WM_NCDESTROY detaches the object and calls PostNcDestroy, where self-deleting
// classes delete themselves; destroying a thread's main window ends that thread's message loop.
//
// Reflection: WM_COMMAND and WM_NOTIFY from a child control, and the parent's WM_CTLCOLOR,
// WM_DRAWITEM, WM_MEASUREITEM and scroll messages, are first offered to the child's permanent
// object (OnChildNotify), whose ON_CONTROL_REFLECT, ON_NOTIFY_REFLECT and ON_WM_CTLCOLOR_REFLECT
// entries may handle them.
//
// Handle maps are kept per thread, as the original keeps them: FromHandlePermanent on a thread
// that did not create or subclass the window finds nothing.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/mfc/CmdTarget.h"
#include "platform/mfc/GeometryTypes.h"
#include "platform/mfc/String.h"
#include "platform/user/User.h"

class CDC;
class CScrollBar;
class CWnd;

// The device-context wrapper of a DC handle for handlers that take a CDC* (WM_CTLCOLOR,
// WM_ERASEBKGND). The drawing layer of the class library installs the function that makes it;
// until then handlers get null.
typedef CDC* (*AFX_DC_FROM_HANDLE)(HDC hDC);
void AfxSetDCFromHandle(AFX_DC_FROM_HANDLE pfn);
CDC* AfxDCFromHandle(HDC hDC);

// The next window the calling thread creates gets pWnd as its permanent object, attached and
// subclassed before its first message (CreateEx uses it; so do dialogs made from templates).
// AfxUnhookWindowCreate ends that and returns FALSE when no window took the object.
void AFXAPI AfxHookWindowCreate(CWnd* pWnd);
BOOL AFXAPI AfxUnhookWindowCreate();

// The procedure of every window that has a permanent CWnd.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// Registers a plain class with these attributes (DefWindowProc as its procedure; CWnd
// subclasses its windows) and returns its name, "Afx:..." made from the attributes. The name
// lives as long as the program.
LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                            HICON hIcon = nullptr);
// Registers the class unless a class of that name exists; FALSE on failure.
BOOL AfxRegisterClass(WNDCLASS* lpWndClass);

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)

 public:
  CWnd();
  // A window that is still attached is destroyed (the original does the same, with a warning).
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  operator HWND() const { return GetSafeHwnd(); }
  // Null for a null object, as callers of the original rely on (AfxGetMainWnd()->GetSafeHwnd()).
  // The empty asm keeps the compiler from assuming that `this` is never null.
  HWND GetSafeHwnd() const {
    const CWnd* self = this;
    __asm__("" : "+r"(self));
    return self ? self->m_hWnd : nullptr;
  }

  // Special insert-after values for SetWindowPos.
  static const CWnd wndTop;
  static const CWnd wndBottom;
  static const CWnd wndTopMost;
  static const CWnd wndNoTopMost;

  // Handle map.
  static CWnd* PASCAL FromHandle(HWND hWnd);
  static CWnd* PASCAL FromHandlePermanent(HWND hWnd);
  // Deletes the calling thread's temporary wrappers.
  static void PASCAL DeleteTempMap();
  BOOL Attach(HWND hWndNew);
  HWND Detach();

  // Creation.
  virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, void* pContext = nullptr);
  BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
  BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);

  // Subclassing of an existing window.
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow();

  // Message handling.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // Offers the message to the permanent objects from its window up through the parents, up to
  // and including hWndStop; TRUE when one of them took it.
  static BOOL PASCAL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Sends the message to every descendant (bDeep) or to the children.
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE);

  // Window state and geometry.
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  BOOL IsIconic() const;
  BOOL IsZoomed() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  void GetWindowRect(LPRECT lpRect) const;
  void GetClientRect(LPRECT lpRect) const;
  void ClientToScreen(LPPOINT lpPoint) const;
  void ClientToScreen(LPRECT lpRect) const;
  void ScreenToClient(LPPOINT lpPoint) const;
  void ScreenToClient(LPRECT lpRect) const;
  void MapWindowPoints(CWnd* pwndTo, LPPOINT lpPoint, UINT nCount) const;
  void MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const;
  void SetWindowText(LPCTSTR lpszString);
  int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
  void GetWindowText(CString& rString) const;
  int GetWindowTextLength() const;

  // Painting forwards to the window layer's invalidation, which is not in this layer yet: these
  // are declared for the window classes that will use them and defined with it.
  void Invalidate(BOOL bErase = TRUE);
  void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
  void UpdateWindow();

  // Relatives.
  CWnd* GetParent() const;
  CWnd* SetParent(CWnd* pWndNewParent);
  CWnd* GetOwner() const;
  CWnd* GetTopLevelParent() const;
  CWnd* GetWindow(UINT nCmd) const;
  CWnd* GetDlgItem(int nID) const;
  void GetDlgItem(int nID, HWND* phWnd) const;
  // A descendant with that id, searching children first; with bOnlyPerm only permanent objects.
  CWnd* GetDescendantWindow(int nID, BOOL bOnlyPerm = FALSE) const;
  int GetDlgCtrlID() const;
  int SetDlgCtrlID(int nID);
  BOOL IsChild(const CWnd* pWnd) const;

  // Focus, capture, timers.
  CWnd* SetFocus();
  static CWnd* PASCAL GetFocus();
  CWnd* SetCapture();
  static CWnd* PASCAL GetCapture();
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (CALLBACK* lpfnTimer)(HWND, UINT, UINT_PTR, DWORD));
  BOOL KillTimer(UINT_PTR nIDEvent);

  // The window procedure and the message map dispatch.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // Offers the current message of the thread to the child's permanent object; TRUE when taken.
  static BOOL PASCAL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);
  BOOL SendChildNotifyLastMsg(LRESULT* pResult = nullptr);
  virtual void PreSubclassWindow();
  virtual void PostNcDestroy();
  // The message being handled on this thread, given to DefWindowProc.
  LRESULT Default();
  static const MSG* PASCAL GetCurrentMessage();

 protected:
  // Default handlers: each passes the message on to DefWindowProc (or reflects it to the child).
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnDestroy();
  afx_msg void OnNcDestroy();
  afx_msg void OnClose();
  afx_msg void OnPaint();
  afx_msg void OnNcPaint();
  afx_msg BOOL OnEraseBkgnd(CDC* pDC);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnMove(int x, int y);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnRButtonDblClk(UINT nFlags, CPoint point);
  afx_msg void OnMButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnMButtonUp(UINT nFlags, CPoint point);
  afx_msg void OnMouseMove(UINT nFlags, CPoint point);
  afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
  afx_msg void OnMouseLeave();
  afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  afx_msg void OnSetFocus(CWnd* pOldWnd);
  afx_msg void OnKillFocus(CWnd* pNewWnd);
  afx_msg void OnCaptureChanged(CWnd* pWnd);
  // Offers WM_CTLCOLOR to the control first (reflection), then to DefWindowProc.
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
  afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
  afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
  afx_msg void OnWindowPosChanging(WINDOWPOS* lpwndpos);
  afx_msg void OnWindowPosChanged(WINDOWPOS* lpwndpos);
  afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);
  afx_msg BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
  afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
  afx_msg UINT OnGetDlgCode();
  afx_msg UINT OnNcHitTest(CPoint point);
  afx_msg void OnSettingChange(UINT uFlags, LPCTSTR lpszSection);
  afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos);
  afx_msg void OnCancelMode();
  afx_msg void OnEnable(BOOL bEnable);
  afx_msg void OnSysColorChange();

  // The procedure the window had before the object subclassed it.
  WNDPROC m_pfnSuper = nullptr;

  DECLARE_MESSAGE_MAP()

 private:
  explicit CWnd(HWND hWndSpecial);
  friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT CALLBACK AfxCbtFilterHook(int, WPARAM, LPARAM);
  void AttachAndSubclass(HWND hWnd);
  void FinishNcDestroy();
};
