// The message-map macros. BEGIN_MESSAGE_MAP defines the class's map inside a function, so that
// every entry's adapter can name the class (ThisClass) and reach its protected handlers. Handlers
// keep the original library's signatures; each adapter takes the member through a pointer of
// that exact type (AFX_HANDLER), so a handler with another signature is a compile error.
//
// Window-message adapters that hand over a window (CWnd*) make it with CWnd::FromHandle, and
// those that hand over a DC (CDC*) get it from AfxDCFromHandle (Wnd.h): both need Wnd.h where
// the map is defined, as every window class's source has.
#pragma once

#define DECLARE_MESSAGE_MAP()                             \
 protected:                                               \
  static const AFX_MSGMAP* PASCAL GetThisMessageMap();    \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                             \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }       \
  const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() {                                 \
    typedef theClass ThisClass;                                                            \
    typedef baseClass TheBaseClass;                                                        \
    static_assert(sizeof(ThisClass) > 0, "");                                              \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                   \
  {0, 0, 0, 0, nullptr}                                                                    \
  };                                                                                       \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                      \
  }

// The handler `fn` of ThisClass taken as a member pointer of exactly type `type`, bound to the
// target.
#define AFX_HANDLER(type, fn) (static_cast<ThisClass*>(pTarget)->*static_cast<type>(&ThisClass::fn))
#define AFX_ENTRY(message, code, id, lastId, ...) \
  {(UINT)(message), (UINT)(code), (UINT)(id), (UINT)(lastId), [](CCmdTarget* pTarget, AFX_MSGCALL& call) -> BOOL { __VA_ARGS__ }},
#define AFX_WM(message, ...) AFX_ENTRY(message, 0, 0, 0, __VA_ARGS__)
#define AFX_PT(lParam) CPoint((int)(short)LOWORD(lParam), (int)(short)HIWORD(lParam))
#define AFX_WND(h) CWnd::FromHandle(reinterpret_cast<HWND>(h))

// Window messages.
#define ON_WM_CREATE() AFX_WM(WM_CREATE, *call.pResult = AFX_HANDLER(int (ThisClass::*)(LPCREATESTRUCT), OnCreate)(reinterpret_cast<LPCREATESTRUCT>(call.lParam)); return TRUE;)
#define ON_WM_DESTROY() AFX_WM(WM_DESTROY, AFX_HANDLER(void (ThisClass::*)(), OnDestroy)(); return TRUE;)
#define ON_WM_NCDESTROY() AFX_WM(WM_NCDESTROY, AFX_HANDLER(void (ThisClass::*)(), OnNcDestroy)(); return TRUE;)
#define ON_WM_CLOSE() AFX_WM(WM_CLOSE, AFX_HANDLER(void (ThisClass::*)(), OnClose)(); return TRUE;)
#define ON_WM_PAINT() AFX_WM(WM_PAINT, AFX_HANDLER(void (ThisClass::*)(), OnPaint)(); return TRUE;)
#define ON_WM_NCPAINT() AFX_WM(WM_NCPAINT, AFX_HANDLER(void (ThisClass::*)(), OnNcPaint)(); return TRUE;)
#define ON_WM_ERASEBKGND() AFX_WM(WM_ERASEBKGND, *call.pResult = AFX_HANDLER(BOOL (ThisClass::*)(CDC*), OnEraseBkgnd)(AfxDCFromHandle(reinterpret_cast<HDC>(call.wParam))); return TRUE;)
#define ON_WM_SIZE() AFX_WM(WM_SIZE, AFX_HANDLER(void (ThisClass::*)(UINT, int, int), OnSize)((UINT)call.wParam, LOWORD(call.lParam), HIWORD(call.lParam)); return TRUE;)
#define ON_WM_MOVE() AFX_WM(WM_MOVE, AFX_HANDLER(void (ThisClass::*)(int, int), OnMove)((short)LOWORD(call.lParam), (short)HIWORD(call.lParam)); return TRUE;)
#define ON_WM_TIMER() AFX_WM(WM_TIMER, AFX_HANDLER(void (ThisClass::*)(UINT_PTR), OnTimer)((UINT_PTR)call.wParam); return TRUE;)
#define AFX_MOUSE(message, fn) AFX_WM(message, AFX_HANDLER(void (ThisClass::*)(UINT, CPoint), fn)((UINT)call.wParam, AFX_PT(call.lParam)); return TRUE;)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_MOUSE(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_MOUSE(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_MOUSE(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MOUSEMOVE() AFX_MOUSE(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_NCLBUTTONDOWN() AFX_MOUSE(WM_NCLBUTTONDOWN, OnNcLButtonDown)
#define ON_WM_MOUSELEAVE() AFX_WM(WM_MOUSELEAVE, AFX_HANDLER(void (ThisClass::*)(), OnMouseLeave)(); return TRUE;)
#define ON_WM_MOUSEWHEEL() AFX_WM(WM_MOUSEWHEEL, *call.pResult = AFX_HANDLER(BOOL (ThisClass::*)(UINT, short, CPoint), OnMouseWheel)(LOWORD(call.wParam), (short)HIWORD(call.wParam), AFX_PT(call.lParam)); return TRUE;)
#define ON_WM_SETCURSOR() AFX_WM(WM_SETCURSOR, *call.pResult = AFX_HANDLER(BOOL (ThisClass::*)(CWnd*, UINT, UINT), OnSetCursor)(AFX_WND(call.wParam), LOWORD(call.lParam), HIWORD(call.lParam)); return TRUE;)
#define AFX_KEY(message, fn) AFX_WM(message, AFX_HANDLER(void (ThisClass::*)(UINT, UINT, UINT), fn)((UINT)call.wParam, LOWORD(call.lParam), HIWORD(call.lParam)); return TRUE;)
#define ON_WM_KEYDOWN() AFX_KEY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_KEY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_KEY(WM_CHAR, OnChar)
#define ON_WM_SYSKEYDOWN() AFX_KEY(WM_SYSKEYDOWN, OnSysKeyDown)
#define ON_WM_SETFOCUS() AFX_WM(WM_SETFOCUS, AFX_HANDLER(void (ThisClass::*)(CWnd*), OnSetFocus)(AFX_WND(call.wParam)); return TRUE;)
#define ON_WM_KILLFOCUS() AFX_WM(WM_KILLFOCUS, AFX_HANDLER(void (ThisClass::*)(CWnd*), OnKillFocus)(AFX_WND(call.wParam)); return TRUE;)
#define ON_WM_CAPTURECHANGED() AFX_WM(WM_CAPTURECHANGED, AFX_HANDLER(void (ThisClass::*)(CWnd*), OnCaptureChanged)(AFX_WND(call.lParam)); return TRUE;)
// WM_CTLCOLORxxx arrive here as WM_CTLCOLOR with an AFX_CTLCOLOR record in pExtra.
#define ON_WM_CTLCOLOR() AFX_WM(WM_CTLCOLOR, { AFX_CTLCOLOR* ctl = static_cast<AFX_CTLCOLOR*>(call.pExtra); \
  *call.pResult = reinterpret_cast<LRESULT>(AFX_HANDLER(HBRUSH (ThisClass::*)(CDC*, CWnd*, UINT), OnCtlColor)(AfxDCFromHandle(ctl->hDC), CWnd::FromHandle(ctl->hWnd), ctl->nCtlType)); } return TRUE;)
// The control's own answer to its parent's WM_CTLCOLOR: a null brush lets the parent decide.
#define ON_WM_CTLCOLOR_REFLECT() AFX_WM(WM_REFLECT_BASE + WM_CTLCOLOR, { AFX_CTLCOLOR* ctl = reinterpret_cast<AFX_CTLCOLOR*>(call.lParam); \
  *call.pResult = reinterpret_cast<LRESULT>(AFX_HANDLER(HBRUSH (ThisClass::*)(CDC*, UINT), CtlColor)(AfxDCFromHandle(ctl->hDC), ctl->nCtlType)); } return TRUE;)
#define ON_WM_DRAWITEM() AFX_WM(WM_DRAWITEM, AFX_HANDLER(void (ThisClass::*)(int, LPDRAWITEMSTRUCT), OnDrawItem)((int)call.wParam, reinterpret_cast<LPDRAWITEMSTRUCT>(call.lParam)); *call.pResult = TRUE; return TRUE;)
#define ON_WM_MEASUREITEM() AFX_WM(WM_MEASUREITEM, AFX_HANDLER(void (ThisClass::*)(int, LPMEASUREITEMSTRUCT), OnMeasureItem)((int)call.wParam, reinterpret_cast<LPMEASUREITEMSTRUCT>(call.lParam)); *call.pResult = TRUE; return TRUE;)
#define ON_WM_GETMINMAXINFO() AFX_WM(WM_GETMINMAXINFO, AFX_HANDLER(void (ThisClass::*)(MINMAXINFO*), OnGetMinMaxInfo)(reinterpret_cast<MINMAXINFO*>(call.lParam)); return TRUE;)
#define ON_WM_WINDOWPOSCHANGING() AFX_WM(WM_WINDOWPOSCHANGING, AFX_HANDLER(void (ThisClass::*)(WINDOWPOS*), OnWindowPosChanging)(reinterpret_cast<WINDOWPOS*>(call.lParam)); return TRUE;)
#define ON_WM_WINDOWPOSCHANGED() AFX_WM(WM_WINDOWPOSCHANGED, AFX_HANDLER(void (ThisClass::*)(WINDOWPOS*), OnWindowPosChanged)(reinterpret_cast<WINDOWPOS*>(call.lParam)); return TRUE;)
#define ON_WM_SHOWWINDOW() AFX_WM(WM_SHOWWINDOW, AFX_HANDLER(void (ThisClass::*)(BOOL, UINT), OnShowWindow)((BOOL)call.wParam, (UINT)call.lParam); return TRUE;)
#define ON_WM_COPYDATA() AFX_WM(WM_COPYDATA, *call.pResult = AFX_HANDLER(BOOL (ThisClass::*)(CWnd*, COPYDATASTRUCT*), OnCopyData)(AFX_WND(call.wParam), reinterpret_cast<COPYDATASTRUCT*>(call.lParam)); return TRUE;)
#define ON_WM_HSCROLL() AFX_WM(WM_HSCROLL, AFX_HANDLER(void (ThisClass::*)(UINT, UINT, CScrollBar*), OnHScroll)(LOWORD(call.wParam), HIWORD(call.wParam), reinterpret_cast<CScrollBar*>(call.lParam ? AFX_WND(call.lParam) : nullptr)); return TRUE;)
#define ON_WM_VSCROLL() AFX_WM(WM_VSCROLL, AFX_HANDLER(void (ThisClass::*)(UINT, UINT, CScrollBar*), OnVScroll)(LOWORD(call.wParam), HIWORD(call.wParam), reinterpret_cast<CScrollBar*>(call.lParam ? AFX_WND(call.lParam) : nullptr)); return TRUE;)
#define ON_WM_MOUSEACTIVATE() AFX_WM(WM_MOUSEACTIVATE, *call.pResult = AFX_HANDLER(int (ThisClass::*)(CWnd*, UINT, UINT), OnMouseActivate)(AFX_WND(call.wParam), LOWORD(call.lParam), HIWORD(call.lParam)); return TRUE;)
#define ON_WM_ACTIVATE() AFX_WM(WM_ACTIVATE, AFX_HANDLER(void (ThisClass::*)(UINT, CWnd*, BOOL), OnActivate)(LOWORD(call.wParam), AFX_WND(call.lParam), (BOOL)HIWORD(call.wParam)); return TRUE;)
#define ON_WM_SYSCOMMAND() AFX_WM(WM_SYSCOMMAND, AFX_HANDLER(void (ThisClass::*)(UINT, LPARAM), OnSysCommand)((UINT)call.wParam, call.lParam); return TRUE;)
#define ON_WM_GETDLGCODE() AFX_WM(WM_GETDLGCODE, *call.pResult = (LRESULT)AFX_HANDLER(UINT (ThisClass::*)(), OnGetDlgCode)(); return TRUE;)
// Hit-test codes are small signed numbers (HTTRANSPARENT is -1) carried in a UINT.
#define ON_WM_NCHITTEST() AFX_WM(WM_NCHITTEST, *call.pResult = (LRESULT)(int)AFX_HANDLER(UINT (ThisClass::*)(CPoint), OnNcHitTest)(AFX_PT(call.lParam)); return TRUE;)
#define ON_WM_SETTINGCHANGE() AFX_WM(WM_SETTINGCHANGE, AFX_HANDLER(void (ThisClass::*)(UINT, LPCTSTR), OnSettingChange)((UINT)call.wParam, reinterpret_cast<LPCTSTR>(call.lParam)); return TRUE;)
#define ON_WM_CONTEXTMENU() AFX_WM(WM_CONTEXTMENU, AFX_HANDLER(void (ThisClass::*)(CWnd*, CPoint), OnContextMenu)(AFX_WND(call.wParam), AFX_PT(call.lParam)); return TRUE;)
#define ON_WM_CANCELMODE() AFX_WM(WM_CANCELMODE, AFX_HANDLER(void (ThisClass::*)(), OnCancelMode)(); return TRUE;)
#define ON_WM_ENABLE() AFX_WM(WM_ENABLE, AFX_HANDLER(void (ThisClass::*)(BOOL), OnEnable)((BOOL)call.wParam); return TRUE;)
#define ON_WM_SYSCOLORCHANGE() AFX_WM(WM_SYSCOLORCHANGE, AFX_HANDLER(void (ThisClass::*)(), OnSysColorChange)(); return TRUE;)

// Any message, and thread messages (PostThreadMessage) of a CWinThread's map.
#define ON_MESSAGE(message, memberFxn) AFX_WM(message, *call.pResult = AFX_HANDLER(LRESULT (ThisClass::*)(WPARAM, LPARAM), memberFxn)(call.wParam, call.lParam); return TRUE;)
#define ON_THREAD_MESSAGE(message, memberFxn) AFX_WM(message, AFX_HANDLER(void (ThisClass::*)(WPARAM, LPARAM), memberFxn)(call.wParam, call.lParam); return TRUE;)

// Commands and control notifications (WM_COMMAND).
#define ON_COMMAND(id, memberFxn) AFX_ENTRY(WM_COMMAND, CN_COMMAND, id, id, AFX_HANDLER(void (ThisClass::*)(), memberFxn)(); return TRUE;)
#define ON_COMMAND_EX(id, memberFxn) AFX_ENTRY(WM_COMMAND, CN_COMMAND, id, id, return AFX_HANDLER(BOOL (ThisClass::*)(UINT), memberFxn)(call.nID);)
#define ON_COMMAND_RANGE(id, idLast, memberFxn) AFX_ENTRY(WM_COMMAND, CN_COMMAND, id, idLast, AFX_HANDLER(void (ThisClass::*)(UINT), memberFxn)(call.nID); return TRUE;)
#define ON_UPDATE_COMMAND_UI(id, memberFxn) AFX_ENTRY(WM_COMMAND, CN_UPDATE_COMMAND_UI, id, id, { CCmdUI* ui = static_cast<CCmdUI*>(call.pExtra); \
  ui->m_bContinueRouting = FALSE; AFX_HANDLER(void (ThisClass::*)(CCmdUI*), memberFxn)(ui); return !ui->m_bContinueRouting; })
#define ON_CONTROL(wNotifyCode, id, memberFxn) AFX_ENTRY(WM_COMMAND, wNotifyCode, id, id, AFX_HANDLER(void (ThisClass::*)(), memberFxn)(); return TRUE;)
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn) AFX_ENTRY(WM_COMMAND, wNotifyCode, id, idLast, AFX_HANDLER(void (ThisClass::*)(UINT), memberFxn)(call.nID); return TRUE;)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)

// Notifications (WM_NOTIFY).
#define ON_NOTIFY(wNotifyCode, id, memberFxn) AFX_ENTRY(WM_NOTIFY, wNotifyCode, id, id, { AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(call.pExtra); \
  AFX_HANDLER(void (ThisClass::*)(NMHDR*, LRESULT*), memberFxn)(n->pNMHDR, n->pResult); return TRUE; })
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn) AFX_ENTRY(WM_NOTIFY, wNotifyCode, id, idLast, { AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(call.pExtra); \
  AFX_HANDLER(void (ThisClass::*)(UINT, NMHDR*, LRESULT*), memberFxn)(call.nID, n->pNMHDR, n->pResult); return TRUE; })
#define ON_NOTIFY_EX(wNotifyCode, id, memberFxn) AFX_ENTRY(WM_NOTIFY, wNotifyCode, id, id, { AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(call.pExtra); \
  return AFX_HANDLER(BOOL (ThisClass::*)(UINT, NMHDR*, LRESULT*), memberFxn)(call.nID, n->pNMHDR, n->pResult); })

// Reflected notifications, handled by the control that sent them. The _EX forms return FALSE to
// let the parent handle the notification as well.
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn) AFX_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, wNotifyCode, 0, 0, { AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(call.pExtra); \
  AFX_HANDLER(void (ThisClass::*)(NMHDR*, LRESULT*), memberFxn)(n->pNMHDR, n->pResult); return TRUE; })
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn) AFX_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, wNotifyCode, 0, 0, { AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(call.pExtra); \
  return AFX_HANDLER(BOOL (ThisClass::*)(NMHDR*, LRESULT*), memberFxn)(n->pNMHDR, n->pResult); })
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) AFX_ENTRY(WM_REFLECT_BASE + WM_COMMAND, wNotifyCode, 0, 0, AFX_HANDLER(void (ThisClass::*)(), memberFxn)(); return TRUE;)
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn) AFX_ENTRY(WM_REFLECT_BASE + WM_COMMAND, wNotifyCode, 0, 0, return AFX_HANDLER(BOOL (ThisClass::*)(), memberFxn)();)
