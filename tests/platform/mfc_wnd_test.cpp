// Window objects: message-map dispatch with unpacked arguments per macro kind, commands and
// notifications, reflection to the child, the handle maps, subclassing, self-deletion on
// WM_NCDESTROY and the PreTranslateMessage walk.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/mfc/Afx.h"

namespace {

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

std::string Str(const char* name, std::initializer_list<long long> values) {
  std::string s = name;
  s += ':';
  bool first = true;
  for (long long v : values) {
    if (!first) s += ',';
    s += std::to_string(v);
    first = false;
  }
  return s;
}

std::string WndName(CWnd* self, CWnd* other) {
  if (!other) return "null";
  return other == self ? "self" : "other";
}

// Every handler records its unpacked arguments.
class CRecorderWnd : public CWnd {
 public:
  HWND m_hWndCreated = nullptr;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT cs) {
    // The object is attached before WM_CREATE, whatever the window's class.
    m_hWndCreated = m_hWnd;
    Log().push_back(std::string("create:") + cs->lpszName + (FromHandlePermanent(m_hWnd) == this ? ",attached" : ""));
    return CWnd::OnCreate(cs);
  }
  afx_msg void OnSize(UINT nType, int cx, int cy) { Log().push_back(Str("size", {nType, cx, cy})); }
  afx_msg void OnMove(int x, int y) { Log().push_back(Str("move", {x, y})); }
  afx_msg void OnTimer(UINT_PTR nIDEvent) { Log().push_back(Str("timer", {(long long)nIDEvent})); }
  afx_msg void OnClose() { Log().push_back("close"); }
  afx_msg void OnPaint() { Log().push_back("paint"); }
  afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
    Log().push_back(std::string("erase:") + std::to_string(reinterpret_cast<uintptr_t>(pDC)));
    return TRUE;
  }
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point) { Log().push_back(Str("lbuttondown", {nFlags, point.x, point.y})); }
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point) { Log().push_back(Str("lbuttonup", {nFlags, point.x, point.y})); }
  afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point) { Log().push_back(Str("lbuttondblclk", {nFlags, point.x, point.y})); }
  afx_msg void OnRButtonDown(UINT nFlags, CPoint point) { Log().push_back(Str("rbuttondown", {nFlags, point.x, point.y})); }
  afx_msg void OnRButtonUp(UINT nFlags, CPoint point) { Log().push_back(Str("rbuttonup", {nFlags, point.x, point.y})); }
  afx_msg void OnMouseMove(UINT nFlags, CPoint point) { Log().push_back(Str("mousemove", {nFlags, point.x, point.y})); }
  afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt) {
    Log().push_back(Str("wheel", {nFlags, zDelta, pt.x, pt.y}));
    return TRUE;
  }
  afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    Log().push_back("setcursor:" + WndName(this, pWnd) + Str("", {nHitTest, message}));
    return TRUE;
  }
  afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) { Log().push_back(Str("keydown", {nChar, nRepCnt, nFlags})); }
  afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) { Log().push_back(Str("keyup", {nChar, nRepCnt, nFlags})); }
  afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) { Log().push_back(Str("char", {nChar, nRepCnt, nFlags})); }
  afx_msg void OnSetFocus(CWnd* pOldWnd) { Log().push_back("setfocus:" + WndName(this, pOldWnd)); }
  afx_msg void OnKillFocus(CWnd* pNewWnd) { Log().push_back("killfocus:" + WndName(this, pNewWnd)); }
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    Log().push_back("ctlcolor:" + std::to_string(reinterpret_cast<uintptr_t>(pDC)) + "," + WndName(this, pWnd) +
                    Str("", {nCtlColor}));
    return reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(0x77));
  }
  afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDIS) { Log().push_back(Str("drawitem", {nIDCtl, lpDIS->itemState})); }
  afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMIS) {
    lpMIS->itemHeight = 21;
    Log().push_back(Str("measureitem", {nIDCtl}));
  }
  afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
    lpMMI->ptMaxSize.x = 640;
    Log().push_back("minmax");
  }
  afx_msg void OnWindowPosChanging(WINDOWPOS* lpwndpos) {
    lpwndpos->cx += 2;
    Log().push_back(Str("poschanging", {lpwndpos->x}));
  }
  afx_msg void OnWindowPosChanged(WINDOWPOS* lpwndpos) { Log().push_back(Str("poschanged", {lpwndpos->y})); }
  afx_msg void OnShowWindow(BOOL bShow, UINT nStatus) { Log().push_back(Str("showwindow", {bShow, nStatus})); }
  afx_msg BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct) {
    Log().push_back("copydata:" + WndName(this, pWnd) + Str("", {(long long)pCopyDataStruct->dwData, pCopyDataStruct->cbData}) +
                    "," + std::string(static_cast<const char*>(pCopyDataStruct->lpData), pCopyDataStruct->cbData));
    return TRUE;
  }
  afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
    Log().push_back(Str("hscroll", {nSBCode, nPos, pScrollBar != nullptr}));
  }
  afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
    Log().push_back(Str("vscroll", {nSBCode, nPos, pScrollBar != nullptr}));
  }
  afx_msg void OnCaptureChanged(CWnd* pWnd) { Log().push_back("capturechanged:" + WndName(this, pWnd)); }
  afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message) {
    Log().push_back("mouseactivate:" + WndName(this, pDesktopWnd) + Str("", {nHitTest, message}));
    return MA_NOACTIVATE;
  }
  afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
    Log().push_back("activate:" + WndName(this, pWndOther) + Str("", {nState, bMinimized}));
  }
  afx_msg void OnSysCommand(UINT nID, LPARAM lParam) { Log().push_back(Str("syscommand", {nID, (long long)lParam})); }
  afx_msg UINT OnGetDlgCode() {
    Log().push_back("getdlgcode");
    return 0x0004;
  }
  afx_msg UINT OnNcHitTest(CPoint point) {
    Log().push_back(Str("nchittest", {point.x, point.y}));
    return (UINT)HTTRANSPARENT;
  }
  afx_msg void OnNcPaint() { Log().push_back("ncpaint"); }
  afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos) { Log().push_back("contextmenu:" + WndName(this, pWnd) + Str("", {pos.x, pos.y})); }
  afx_msg void OnCancelMode() { Log().push_back("cancelmode"); }
  afx_msg void OnEnable(BOOL bEnable) { Log().push_back(Str("enable", {bEnable})); }
  afx_msg void OnSettingChange(UINT uFlags, LPCTSTR lpszSection) { Log().push_back(Str("settingchange", {uFlags}) + "," + lpszSection); }
  afx_msg void OnMouseLeave() { Log().push_back("mouseleave"); }
  afx_msg void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) { Log().push_back(Str("syskeydown", {nChar, nRepCnt, nFlags})); }
  afx_msg LRESULT OnUserSum(WPARAM wParam, LPARAM lParam) {
    Log().push_back("user");
    return static_cast<LRESULT>(wParam) + lParam;
  }
  afx_msg void OnCommand100() { Log().push_back("cmd100"); }
  afx_msg void OnCommandRange(UINT nID) { Log().push_back(Str("cmdrange", {nID})); }
  afx_msg void OnCommand101() { Log().push_back("cmd101"); }
  afx_msg void OnUpdate101(CCmdUI* pCmdUI) { pCmdUI->Enable(FALSE); }
  afx_msg BOOL OnCommandEx(UINT nID) {
    Log().push_back(Str("cmdex", {nID}));
    return TRUE;
  }
  afx_msg void OnClicked300() { Log().push_back("clicked300"); }
  afx_msg void OnEditUpdate301() { Log().push_back("update301"); }
  afx_msg void OnNotifyClick(NMHDR* pNMHDR, LRESULT* pResult) {
    Log().push_back(Str("nmclick", {(long long)pNMHDR->idFrom}));
    *pResult = 9;
  }
  afx_msg void OnNotifyRange(UINT id, NMHDR* pNMHDR, LRESULT* pResult) {
    Log().push_back(Str("nmrange", {id, (int)pNMHDR->code}));
    *pResult = 1;
  }
  afx_msg BOOL OnNotifyEx(UINT id, NMHDR* pNMHDR, LRESULT* pResult) {
    Log().push_back(Str("nmex", {id}));
    return FALSE;  // declines: nothing else handles it either
  }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecorderWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_MOVE()
  ON_WM_TIMER()
  ON_WM_CLOSE()
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSEWHEEL()
  ON_WM_SETCURSOR()
  ON_WM_KEYDOWN()
  ON_WM_KEYUP()
  ON_WM_CHAR()
  ON_WM_SETFOCUS()
  ON_WM_KILLFOCUS()
  ON_WM_CTLCOLOR()
  ON_WM_DRAWITEM()
  ON_WM_MEASUREITEM()
  ON_WM_GETMINMAXINFO()
  ON_WM_WINDOWPOSCHANGING()
  ON_WM_WINDOWPOSCHANGED()
  ON_WM_SHOWWINDOW()
  ON_WM_COPYDATA()
  ON_WM_HSCROLL()
  ON_WM_VSCROLL()
  ON_WM_CAPTURECHANGED()
  ON_WM_MOUSEACTIVATE()
  ON_WM_ACTIVATE()
  ON_WM_SYSCOMMAND()
  ON_WM_GETDLGCODE()
  ON_WM_NCHITTEST()
  ON_WM_NCPAINT()
  ON_WM_CONTEXTMENU()
  ON_WM_CANCELMODE()
  ON_WM_ENABLE()
  ON_WM_SETTINGCHANGE()
  ON_WM_MOUSELEAVE()
  ON_WM_SYSKEYDOWN()
  ON_MESSAGE(WM_USER + 5, OnUserSum)
  ON_COMMAND(100, OnCommand100)
  ON_COMMAND(101, OnCommand101)
  ON_UPDATE_COMMAND_UI(101, OnUpdate101)
  ON_COMMAND_RANGE(200, 210, OnCommandRange)
  ON_COMMAND_EX(220, OnCommandEx)
  ON_BN_CLICKED(300, OnClicked300)
  ON_EN_UPDATE(301, OnEditUpdate301)
  ON_NOTIFY(NM_CLICK, 400, OnNotifyClick)
  ON_NOTIFY_RANGE(NM_DBLCLK, 400, 410, OnNotifyRange)
  ON_NOTIFY_EX(NM_RCLICK, 400, OnNotifyEx)
END_MESSAGE_MAP()

CDC* DcFromHandle(HDC hDC) { return reinterpret_cast<CDC*>(reinterpret_cast<uintptr_t>(hDC) + 1); }

class MfcWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    AfxSetDCFromHandle(nullptr);
  }
  void TearDown() override { AfxSetDCFromHandle(nullptr); }
};

TEST_F(MfcWindowTest, MessageMapUnpacksEveryKind) {
  CRecorderWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "rec", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr));
  EXPECT_EQ(wnd.m_hWnd, wnd.m_hWndCreated);
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ("create:rec,attached", Log()[0]);
  HWND h = wnd.m_hWnd;
  AfxSetDCFromHandle(DcFromHandle);

  NMHDR dummyHdr{};
  (void)dummyHdr;
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.itemState = 9;
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_BUTTON;
  MINMAXINFO mmi{};
  WINDOWPOS wp{};
  wp.x = 12;
  wp.y = 34;
  wp.flags = SWP_NOCLIENTMOVE | SWP_NOCLIENTSIZE;
  char bytes[] = "hello";
  COPYDATASTRUCT cds{14, 5, bytes};
  char section[] = "intl";

  struct Case {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string expect;
    LRESULT result;
  };
  const LPARAM hl = reinterpret_cast<LPARAM>(h);
  const WPARAM hw = reinterpret_cast<WPARAM>(h);
  const Case cases[] = {
      {WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(300, 200), "size:2,300,200", 0},
      {WM_MOVE, 0, MAKELPARAM(-5, 7), "move:-5,7", 0},
      {WM_TIMER, 0, 0, "timer:0", 0},
      {WM_TIMER, 1005, 0, "timer:1005", 0},
      {WM_CLOSE, 0, 0, "close", 0},
      {WM_PAINT, 0, 0, "paint", 0},
      {WM_ERASEBKGND, 0x40, 0, "erase:65", TRUE},
      {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-3, 4), "lbuttondown:1,-3,4", 0},
      {WM_LBUTTONUP, 0, MAKELPARAM(10, 20), "lbuttonup:0,10,20", 0},
      {WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, MAKELPARAM(1, 2), "lbuttondblclk:5,1,2", 0},
      {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 4), "rbuttondown:2,3,4", 0},
      {WM_RBUTTONUP, 0, MAKELPARAM(5, 6), "rbuttonup:0,5,6", 0},
      {WM_MOUSEMOVE, MK_CONTROL, MAKELPARAM(7, 8), "mousemove:8,7,8", 0},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, (WORD)(short)-120), MAKELPARAM(10, 20), "wheel:8,-120,10,20", TRUE},
      {WM_SETCURSOR, hw, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), "setcursor:self:1,512", TRUE},
      {WM_KEYDOWN, VK_RETURN, MAKELPARAM(1, 28), "keydown:13,1,28", 0},
      {WM_KEYUP, VK_ESCAPE, MAKELPARAM(1, 0xC001), "keyup:27,1,49153", 0},
      {WM_CHAR, 'a', MAKELPARAM(2, 30), "char:97,2,30", 0},
      {WM_SYSKEYDOWN, 0x73, (LPARAM)(1 | (1 << 29)), "syskeydown:115,1,8192", 0},
      {WM_SETFOCUS, 0, 0, "setfocus:null", 0},
      {WM_KILLFOCUS, hw, 0, "killfocus:self", 0},
      {WM_CTLCOLORSTATIC, 0x50, hl, "ctlcolor:81,self:6", 0x77},
      {WM_CTLCOLOREDIT, 0x50, hl, "ctlcolor:81,self:1", 0x77},
      {WM_DRAWITEM, 5, reinterpret_cast<LPARAM>(&dis), "drawitem:5,9", TRUE},
      {WM_MEASUREITEM, 6, reinterpret_cast<LPARAM>(&mis), "measureitem:6", TRUE},
      {WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi), "minmax", 0},
      {WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp), "poschanging:12", 0},
      {WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp), "poschanged:34", 0},
      {WM_SHOWWINDOW, TRUE, 0, "showwindow:1,0", 0},
      {WM_COPYDATA, hw, reinterpret_cast<LPARAM>(&cds), "copydata:self:14,5,hello", TRUE},
      {WM_HSCROLL, MAKEWPARAM(4, 77), 0, "hscroll:4,77,0", 0},
      {WM_VSCROLL, MAKEWPARAM(7, 0), 0, "vscroll:7,0,0", 0},
      {WM_CAPTURECHANGED, 0, hl, "capturechanged:self", 0},
      {WM_MOUSEACTIVATE, hw, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN), "mouseactivate:self:1,513", MA_NOACTIVATE},
      {WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), 0, "activate:null:2,1", 0},
      {WM_SYSCOMMAND, SC_CLOSE, 3, "syscommand:61536,3", 0},
      {WM_GETDLGCODE, 0, 0, "getdlgcode", 4},
      {WM_NCHITTEST, 0, MAKELPARAM(-1, 2), "nchittest:-1,2", HTTRANSPARENT},
      {WM_NCPAINT, 1, 0, "ncpaint", 0},
      {WM_CONTEXTMENU, hw, MAKELPARAM(-1, -1), "contextmenu:self:-1,-1", 0},
      {WM_CANCELMODE, 0, 0, "cancelmode", 0},
      {WM_ENABLE, FALSE, 0, "enable:0", 0},
      {WM_SETTINGCHANGE, 42, reinterpret_cast<LPARAM>(section), "settingchange:42,intl", 0},
      {WM_MOUSELEAVE, 0, 0, "mouseleave", 0},
      {WM_USER + 5, 30, 12, "user", 42},
  };
  for (const Case& c : cases) {
    Log().clear();
    LRESULT r = SendMessageA(h, c.message, c.wParam, c.lParam);
    ASSERT_EQ(1u, Log().size()) << std::hex << c.message;
    EXPECT_EQ(c.expect, Log()[0]) << std::hex << c.message;
    EXPECT_EQ(c.result, r) << c.expect;
  }
  EXPECT_EQ(21u, mis.itemHeight);
  EXPECT_EQ(640, mmi.ptMaxSize.x);
  EXPECT_EQ(2, wp.cx);

  // WM_CLOSE was handled without the base: the window is still there.
  EXPECT_TRUE(IsWindow(h));
  // A message without an entry goes to the default procedure.
  Log().clear();
  EXPECT_EQ(0, SendMessageA(h, WM_USER + 6, 1, 2));
  EXPECT_TRUE(Log().empty());
  // Without the drawing layer's function handlers get a null DC.
  AfxSetDCFromHandle(nullptr);
  Log().clear();
  SendMessageA(h, WM_ERASEBKGND, 0x40, 0);
  EXPECT_EQ("erase:0", Log().at(0));
  EXPECT_TRUE(wnd.DestroyWindow());
  EXPECT_EQ(nullptr, wnd.m_hWnd);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(MfcWindowTest, CommandsAndNotifications) {
  CRecorderWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "cmd", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  HWND h = wnd.m_hWnd;
  HWND fakeCtrl = CreateWindowExA(0, AfxRegisterWndClass(0), "", WS_CHILD, 0, 0, 1, 1, h,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(400)), nullptr, nullptr);
  ASSERT_NE(nullptr, fakeCtrl);
  const LPARAM ctrl = reinterpret_cast<LPARAM>(fakeCtrl);

  struct Case {
    WPARAM wParam;
    LPARAM lParam;
    const char* expect;  // null: nothing handles it
    LRESULT result;
  };
  const Case commands[] = {
      {MAKEWPARAM(100, 0), 0, "cmd100", 1},
      {MAKEWPARAM(100, 1), 0, "cmd100", 1},  // accelerator
      {MAKEWPARAM(101, 0), 0, nullptr, 1},   // disabled by its update handler: dropped, but taken
      {MAKEWPARAM(205, 0), 0, "cmdrange:205", 1},
      {MAKEWPARAM(211, 0), 0, nullptr, 0},
      {MAKEWPARAM(220, 0), 0, "cmdex:220", 1},
      {MAKEWPARAM(300, BN_CLICKED), ctrl, "clicked300", 1},
      {MAKEWPARAM(301, EN_UPDATE), ctrl, "update301", 1},
      {MAKEWPARAM(301, EN_CHANGE), ctrl, nullptr, 0},
      {MAKEWPARAM(300, BN_DOUBLECLICKED), ctrl, nullptr, 0},
  };
  for (const Case& c : commands) {
    Log().clear();
    EXPECT_EQ(c.result, SendMessageA(h, WM_COMMAND, c.wParam, c.lParam)) << LOWORD(c.wParam);
    if (c.expect) {
      ASSERT_EQ(1u, Log().size()) << c.expect;
      EXPECT_EQ(c.expect, Log()[0]);
    } else {
      EXPECT_TRUE(Log().empty()) << LOWORD(c.wParam);
    }
  }

  struct Notify {
    UINT code;
    const char* expect;
    LRESULT result;
  };
  const Notify notifies[] = {
      {NM_CLICK, "nmclick:400", 9},
      {NM_DBLCLK, "nmrange:400,-3", 1},
      {NM_RCLICK, "nmex:400", 0},
      {NM_RETURN, nullptr, 0},
  };
  for (const Notify& n : notifies) {
    NMHDR hdr{fakeCtrl, 400, n.code};
    Log().clear();
    EXPECT_EQ(n.result, SendMessageA(h, WM_NOTIFY, 400, reinterpret_cast<LPARAM>(&hdr))) << (int)n.code;
    if (n.expect) {
      ASSERT_EQ(1u, Log().size());
      EXPECT_EQ(n.expect, Log()[0]);
    } else {
      EXPECT_TRUE(Log().empty());
    }
  }
  // OnCmdMsg with a handler query reports the target without calling it.
  AFX_CMDHANDLERINFO info{nullptr};
  Log().clear();
  EXPECT_TRUE(wnd.OnCmdMsg(100, CN_COMMAND, nullptr, &info));
  EXPECT_EQ(&wnd, info.pTarget);
  EXPECT_TRUE(Log().empty());
  wnd.DestroyWindow();
}

// A derived class's map comes first; the base class's entries still apply.
class CDerivedRecorder : public CRecorderWnd {
 protected:
  afx_msg void OnSize(UINT nType, int cx, int cy) {
    Log().push_back(Str("derived-size", {cx}));
    CRecorderWnd::OnSize(nType, cx, cy);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CDerivedRecorder, CRecorderWnd)
  ON_WM_SIZE()
END_MESSAGE_MAP()

TEST_F(MfcWindowTest, DerivedMapsComeFirst) {
  CDerivedRecorder wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "derived", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  Log().clear();
  wnd.SendMessage(WM_SIZE, 0, MAKELPARAM(8, 9));
  wnd.SendMessage(WM_MOVE, 0, MAKELPARAM(1, 1));
  EXPECT_EQ((std::vector<std::string>{"derived-size:8", "size:0,8,9", "move:1,1"}), Log());
  wnd.DestroyWindow();
}

// A control that handles its own notifications.
class CReflectingCtrl : public CWnd {
 public:
  BOOL m_letParentHaveClick = TRUE;
  HBRUSH m_brush = nullptr;

 protected:
  afx_msg BOOL OnReflectClicked() {
    Log().push_back("child-clicked");
    return !m_letParentHaveClick;
  }
  afx_msg void OnReflectNmClick(NMHDR* pNMHDR, LRESULT* pResult) {
    Log().push_back("child-nmclick");
    *pResult = 5;
  }
  afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor) {
    Log().push_back(Str("child-ctlcolor", {nCtlColor}));
    return m_brush;
  }
  afx_msg LRESULT OnReflectedDrawItem(WPARAM wParam, LPARAM lParam) {
    Log().push_back(Str("child-drawitem", {(long long)wParam}));
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CReflectingCtrl, CWnd)
  ON_CONTROL_REFLECT_EX(BN_CLICKED, OnReflectClicked)
  ON_NOTIFY_REFLECT(NM_CLICK, OnReflectNmClick)
  ON_WM_CTLCOLOR_REFLECT()
  ON_MESSAGE(WM_REFLECT_BASE + WM_DRAWITEM, OnReflectedDrawItem)
END_MESSAGE_MAP()

// A parent that leaves WM_CTLCOLOR and WM_DRAWITEM to the base (which reflects them).
class CPlainParent : public CWnd {
 protected:
  afx_msg void OnClicked() { Log().push_back("parent-clicked"); }
  afx_msg void OnNmClick(NMHDR*, LRESULT* pResult) {
    Log().push_back("parent-nmclick");
    *pResult = 3;
  }
  afx_msg void OnNmDblClk(NMHDR*, LRESULT* pResult) {
    Log().push_back("parent-nmdblclk");
    *pResult = 4;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CPlainParent, CWnd)
  ON_BN_CLICKED(7, OnClicked)
  ON_NOTIFY(NM_CLICK, 7, OnNmClick)
  ON_NOTIFY(NM_DBLCLK, 7, OnNmDblClk)
END_MESSAGE_MAP()

TEST_F(MfcWindowTest, ReflectionToTheChild) {
  CPlainParent parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  CReflectingCtrl child;
  ASSERT_TRUE(child.Create(nullptr, "child", WS_VISIBLE, CRect(0, 0, 10, 10), &parent, 7));
  EXPECT_NE(0u, child.GetStyle() & WS_CHILD);
  EXPECT_EQ(7, child.GetDlgCtrlID());
  HWND p = parent.m_hWnd;
  const LPARAM c = reinterpret_cast<LPARAM>(child.m_hWnd);

  // The reflected click returns FALSE: the parent still gets its command.
  Log().clear();
  EXPECT_EQ(1, SendMessageA(p, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), c));
  EXPECT_EQ((std::vector<std::string>{"child-clicked", "parent-clicked"}), Log());
  // When the control keeps it, the parent sees nothing.
  child.m_letParentHaveClick = FALSE;
  Log().clear();
  EXPECT_EQ(1, SendMessageA(p, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), c));
  EXPECT_EQ((std::vector<std::string>{"child-clicked"}), Log());

  // NM_CLICK is taken by the control with its result; NM_DBLCLK has no reflected entry.
  NMHDR hdr{child.m_hWnd, 7, NM_CLICK};
  Log().clear();
  EXPECT_EQ(5, SendMessageA(p, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&hdr)));
  EXPECT_EQ((std::vector<std::string>{"child-nmclick"}), Log());
  hdr.code = NM_DBLCLK;
  Log().clear();
  EXPECT_EQ(4, SendMessageA(p, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&hdr)));
  EXPECT_EQ((std::vector<std::string>{"parent-nmdblclk"}), Log());

  // WM_CTLCOLOR: the control's brush answers; a null brush leaves it to the default procedure.
  child.m_brush = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(0x55));
  Log().clear();
  EXPECT_EQ(0x55, SendMessageA(p, WM_CTLCOLORSTATIC, 0x10, c));
  EXPECT_EQ((std::vector<std::string>{"child-ctlcolor:6"}), Log());
  child.m_brush = nullptr;
  EXPECT_EQ(0, SendMessageA(p, WM_CTLCOLOREDIT, 0x10, c));

  // WM_DRAWITEM for the control is reflected to it.
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.CtlID = 7;
  dis.hwndItem = child.m_hWnd;
  Log().clear();
  SendMessageA(p, WM_DRAWITEM, 7, reinterpret_cast<LPARAM>(&dis));
  EXPECT_EQ((std::vector<std::string>{"child-drawitem:7"}), Log());

  // A control without a permanent object reflects nothing: the parent handles the command.
  HWND raw = CreateWindowExA(0, AfxRegisterWndClass(0), "", WS_CHILD, 0, 0, 1, 1, p,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(7)), nullptr, nullptr);
  Log().clear();
  SendMessageA(p, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(raw));
  EXPECT_EQ((std::vector<std::string>{"parent-clicked"}), Log());
  parent.DestroyWindow();
  // Destroying the parent destroyed the child and detached its object.
  EXPECT_EQ(nullptr, child.m_hWnd);
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER || message == WM_SIZE) Log().push_back(Str("original", {(long long)message - WM_USER}));
  if (message == WM_USER + 1) return 77;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

const char* CountingClass() {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.lpszClassName = "MfcCountingClass";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return "MfcCountingClass";
}

class CSubclasser : public CWnd {
 public:
  int m_preSubclassCalls = 0;

 protected:
  void PreSubclassWindow() override {
    ++m_preSubclassCalls;
    CWnd::PreSubclassWindow();
  }
  afx_msg LRESULT OnUser2(WPARAM, LPARAM) {
    Log().push_back("object");
    return Default() + 1;  // the original procedure runs too
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CSubclasser, CWnd)
  ON_MESSAGE(WM_USER + 2, OnUser2)
END_MESSAGE_MAP()

TEST_F(MfcWindowTest, SubclassAndUnsubclass) {
  HWND parent = CreateWindowExA(0, CountingClass(), "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  HWND h = CreateWindowExA(0, CountingClass(), "", WS_CHILD, 0, 0, 5, 5, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1009)), nullptr, nullptr);
  ASSERT_NE(nullptr, h);
  CSubclasser obj;
  CWnd parentObj;
  ASSERT_TRUE(parentObj.Attach(parent));
  ASSERT_TRUE(obj.SubclassDlgItem(1009, &parentObj));
  EXPECT_EQ(1, obj.m_preSubclassCalls);
  EXPECT_EQ(&obj, CWnd::FromHandlePermanent(h));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(AfxWndProc), GetWindowLongPtrA(h, GWLP_WNDPROC));

  Log().clear();
  EXPECT_EQ(0 + 1, SendMessageA(h, WM_USER + 2, 0, 0));
  EXPECT_EQ(77, SendMessageA(h, WM_USER + 1, 0, 0));  // no entry: straight to the original
  EXPECT_EQ((std::vector<std::string>{"object", "original:2", "original:1"}), Log());

  // A window that already has an object cannot be subclassed again.
  CSubclasser second;
  EXPECT_FALSE(second.SubclassWindow(h));

  EXPECT_EQ(h, obj.UnsubclassWindow());
  EXPECT_EQ(nullptr, obj.m_hWnd);
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(CountingProc), GetWindowLongPtrA(h, GWLP_WNDPROC));
  Log().clear();
  SendMessageA(h, WM_USER + 2, 0, 0);
  EXPECT_EQ((std::vector<std::string>{"original:2"}), Log());
  EXPECT_FALSE(obj.SubclassDlgItem(4242, &parentObj));  // no such item
  EXPECT_EQ(parent, parentObj.Detach());
  DestroyWindow(parent);
}

TEST_F(MfcWindowTest, HandleMaps) {
  HWND raw = CreateWindowExA(0, CountingClass(), "raw", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(nullptr, CWnd::FromHandle(nullptr));
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(raw));
  CWnd* temp = CWnd::FromHandle(raw);
  ASSERT_NE(nullptr, temp);
  EXPECT_EQ(raw, temp->m_hWnd);
  EXPECT_EQ(temp, CWnd::FromHandle(raw));  // the same wrapper until idle time
  CString text;
  temp->GetWindowText(text);
  EXPECT_STREQ("raw", text);
  CWnd::DeleteTempMap();
  EXPECT_TRUE(IsWindow(raw));  // deleting a wrapper leaves its window alone
  EXPECT_EQ(raw, CWnd::FromHandle(raw)->m_hWnd);

  // Attach makes a permanent object, which FromHandle then returns.
  CWnd perm;
  ASSERT_TRUE(perm.Attach(raw));
  EXPECT_EQ(&perm, CWnd::FromHandlePermanent(raw));
  EXPECT_EQ(&perm, CWnd::FromHandle(raw));
  CWnd other;
  EXPECT_FALSE(other.Attach(raw));
  EXPECT_EQ(raw, perm.Detach());
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(raw));
  EXPECT_TRUE(IsWindow(raw));

  // Another thread's maps are its own.
  CRecorderWnd created;
  ASSERT_TRUE(created.CreateEx(0, nullptr, "perm", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
  CWnd* seenElsewhere = reinterpret_cast<CWnd*>(1);
  std::thread t([&] { seenElsewhere = CWnd::FromHandlePermanent(created.m_hWnd); });
  t.join();
  EXPECT_EQ(nullptr, seenElsewhere);

  // Wrappers of the window layer's calls.
  CWnd* parentTemp = CWnd::FromHandle(raw);
  created.SetWindowText("新名字");
  CString got;
  created.GetWindowText(got);
  EXPECT_STREQ("新名字", got);
  EXPECT_EQ(6, created.GetWindowTextLength());
  created.MoveWindow(10, 20, 30, 40);
  CRect rc;
  created.GetWindowRect(&rc);
  // The recorder's WM_WINDOWPOSCHANGING handler widens every move by two pixels.
  EXPECT_TRUE(CRect(10, 20, 42, 60) == rc);
  created.GetClientRect(&rc);
  EXPECT_EQ(32, rc.Width());
  CPoint pt(1, 1);
  created.ClientToScreen(&pt);
  EXPECT_EQ(CPoint(11, 21), pt);
  created.ScreenToClient(&pt);
  EXPECT_EQ(CPoint(1, 1), pt);
  EXPECT_FALSE(created.IsWindowVisible());
  created.ShowWindow(SW_SHOWNOACTIVATE);
  EXPECT_TRUE(created.IsWindowVisible());
  EXPECT_TRUE(created.ModifyStyle(0, WS_CLIPCHILDREN));
  EXPECT_FALSE(created.ModifyStyle(0, WS_CLIPCHILDREN));  // unchanged
  EXPECT_NE(0u, created.GetStyle() & WS_CLIPCHILDREN);
  created.EnableWindow(FALSE);
  EXPECT_FALSE(created.IsWindowEnabled());
  EXPECT_TRUE(created.SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_NE(0u, created.SetTimer(0, 100, nullptr));
  EXPECT_TRUE(created.KillTimer(0));
  EXPECT_EQ(nullptr, created.GetParent());
  EXPECT_NE(nullptr, parentTemp);
  created.DestroyWindow();
  DestroyWindow(raw);
}

class CSelfDeleting : public CWnd {
 public:
  static int s_destroyed;
  static int s_deleted;
  int m_createResult = 0;
  ~CSelfDeleting() override { ++s_deleted; }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT) { return m_createResult; }
  afx_msg void OnDestroy() {
    ++s_destroyed;
    CWnd::OnDestroy();
  }
  void PostNcDestroy() override { delete this; }
  DECLARE_MESSAGE_MAP()
};
int CSelfDeleting::s_destroyed = 0;
int CSelfDeleting::s_deleted = 0;
BEGIN_MESSAGE_MAP(CSelfDeleting, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

TEST_F(MfcWindowTest, SelfDeletionInPostNcDestroy) {
  CSelfDeleting::s_deleted = CSelfDeleting::s_destroyed = 0;
  CSelfDeleting* wnd = new CSelfDeleting;
  ASSERT_TRUE(wnd->CreateEx(0, nullptr, "self", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
  HWND h = wnd->m_hWnd;
  wnd->DestroyWindow();  // the object is gone afterwards
  EXPECT_EQ(1, CSelfDeleting::s_destroyed);
  EXPECT_EQ(1, CSelfDeleting::s_deleted);
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
  EXPECT_FALSE(IsWindow(h));

  // A WM_CREATE that fails: the window goes, the object deletes itself once, CreateEx says FALSE.
  wnd = new CSelfDeleting;
  wnd->m_createResult = -1;
  EXPECT_FALSE(wnd->CreateEx(0, nullptr, "fails", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
  EXPECT_EQ(2, CSelfDeleting::s_deleted);

  // A class that does not exist: the hook never attached the object; PostNcDestroy still runs.
  wnd = new CSelfDeleting;
  EXPECT_FALSE(wnd->CreateEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
  EXPECT_EQ(3, CSelfDeleting::s_deleted);

  // Deleting an object whose window exists destroys the window.
  CRecorderWnd* plain = new CRecorderWnd;
  ASSERT_TRUE(plain->CreateEx(0, nullptr, "plain", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
  h = plain->m_hWnd;
  delete plain;
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
}

class CTranslating : public CWnd {
 public:
  std::string m_name;
  UINT m_eat = 0;
  BOOL PreTranslateMessage(MSG* pMsg) override {
    Log().push_back(m_name);
    return pMsg->message == m_eat;
  }
};

TEST_F(MfcWindowTest, PreTranslateWalksUpToTheStopWindow) {
  CTranslating top, middle;
  top.m_name = "top";
  middle.m_name = "middle";
  ASSERT_TRUE(top.CreateEx(0, nullptr, "top", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
  ASSERT_TRUE(middle.Create(nullptr, "middle", 0, CRect(0, 0, 20, 20), &top, 1));
  // The innermost window has no object: it is skipped.
  HWND inner = CreateWindowExA(0, AfxRegisterWndClass(0), "", WS_CHILD, 0, 0, 5, 5, middle.m_hWnd, nullptr,
                               nullptr, nullptr);
  MSG msg{inner, WM_KEYDOWN, VK_SPACE, 0, 0, {0, 0}};

  EXPECT_FALSE(CWnd::WalkPreTranslateTree(top.m_hWnd, &msg));
  EXPECT_EQ((std::vector<std::string>{"middle", "top"}), Log());
  Log().clear();
  EXPECT_FALSE(CWnd::WalkPreTranslateTree(middle.m_hWnd, &msg));  // stops at middle
  EXPECT_EQ((std::vector<std::string>{"middle"}), Log());
  Log().clear();
  middle.m_eat = WM_KEYDOWN;
  EXPECT_TRUE(CWnd::WalkPreTranslateTree(top.m_hWnd, &msg));
  EXPECT_EQ((std::vector<std::string>{"middle"}), Log());
  top.DestroyWindow();
}

}  // namespace
