#include "platform/mfc/Wnd.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/kernel/KernelObject.h"
#include "platform/mfc/AfxThreadState.h"
#include "platform/mfc/Menu.h"
#include "platform/mfc/WinApp.h"

namespace {

std::atomic<AFX_DC_FROM_HANDLE> g_dcFromHandle{nullptr};

// The state is reached through a plain pointer, which stays readable for the whole life of the
// thread; the cleanup object (made with the state) deletes it when the thread ends. Objects that
// go later on that thread (the application object and other globals at process exit) find no
// state, or make a fresh one that is never cleaned up.
thread_local AfxThreadState* t_state = nullptr;

struct ThreadStateCleanup {
  ~ThreadStateCleanup() {
    AfxThreadState* state = t_state;
    t_state = nullptr;
    if (!state) return;
    for (auto& entry : state->tempMap) {
      entry.second->m_hWnd = nullptr;
      delete entry.second;
    }
    delete state;
  }
};
thread_local ThreadStateCleanup t_cleanup;
thread_local bool t_cleanupArmed = false;

// A null object has no window; member calls through a null CWnd* are common in the original's
// callers (pWnd->GetSafeHwnd()), so the layer's own code never makes them.
HWND SafeHwnd(const CWnd* pWnd) { return pWnd ? pWnd->m_hWnd : nullptr; }

// Offers a message that a child sent to its parent (or that the parent got about the child) to
// the child's permanent object.
BOOL ReflectToChild(HWND hWndChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  CWnd* pChild = CWnd::FromHandlePermanent(hWndChild);
  if (!pChild) return FALSE;
  return pChild->OnChildNotify(message, wParam, lParam, pResult);
}

}  // namespace

AfxThreadState& AfxGetThreadState() {
  if (!t_state) {
    t_state = new AfxThreadState;
    if (!t_cleanupArmed) {
      t_cleanupArmed = true;
      (void)&t_cleanup;  // constructs it, so that it runs at the thread's end
    }
  }
  return *t_state;
}

AfxThreadState* AfxPeekThreadState() { return t_state; }

void AfxSetDCFromHandle(AFX_DC_FROM_HANDLE pfn) { g_dcFromHandle.store(pfn); }

CDC* AfxDCFromHandle(HDC hDC) {
  AFX_DC_FROM_HANDLE f = g_dcFromHandle.load();
  return f && hDC ? f(hDC) : nullptr;
}

LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  static std::mutex lock;
  static std::set<std::string>* names = new std::set<std::string>;
  char name[96];
  snprintf(name, sizeof name, "Afx:%p:%x:%p:%p:%p", (void*)AfxGetInstanceHandle(), nClassStyle, (void*)hCursor,
           (void*)hbrBackground, (void*)hIcon);
  std::lock_guard<std::mutex> guard(lock);
  WNDCLASSA wc{};
  if (!GetClassInfoA(AfxGetInstanceHandle(), name, &wc)) {
    wc.style = nClassStyle;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hIcon = hIcon;
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.lpszClassName = name;
    if (!RegisterClassA(&wc)) return nullptr;
  }
  return names->insert(name).first->c_str();
}

BOOL AfxRegisterClass(WNDCLASS* lpWndClass) {
  if (!lpWndClass) return FALSE;
  WNDCLASSA wc{};
  if (GetClassInfoA(lpWndClass->hInstance, lpWndClass->lpszClassName, &wc)) return TRUE;
  return RegisterClassA(lpWndClass) != 0;
}

// The creation hook: attaches the object that CreateEx is creating to its new window and
// subclasses the window before its first message.
LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam) {
  AfxThreadState& st = AfxGetThreadState();
  if (code == HCBT_CREATEWND && st.pWndInit) {
    CWnd* pWnd = st.pWndInit;
    st.pWndInit = nullptr;
    pWnd->AttachAndSubclass(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(st.hHookCbt, code, wParam, lParam);
}

void AFXAPI AfxHookWindowCreate(CWnd* pWnd) {
  AfxThreadState& st = AfxGetThreadState();
  if (!st.hHookCbt) st.hHookCbt = SetWindowsHookExA(WH_CBT, AfxCbtFilterHook, nullptr, GetCurrentThreadId());
  st.pWndInit = pWnd;
}

BOOL AFXAPI AfxUnhookWindowCreate() {
  AfxThreadState& st = AfxGetThreadState();
  if (st.pWndInit) {
    st.pWndInit = nullptr;
    return FALSE;
  }
  return TRUE;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  AfxThreadState& st = AfxGetThreadState();
  auto it = st.permanentMap.find(hWnd);
  if (it == st.permanentMap.end()) return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
  CWnd* pWnd = it->second;
  MSG saved = st.lastSentMsg;
  st.lastSentMsg = MSG{hWnd, nMsg, wParam, lParam, 0, {0, 0}};
  LRESULT result = pWnd->WindowProc(nMsg, wParam, lParam);
  if (nMsg == WM_NCDESTROY) {
    // A class that handled WM_NCDESTROY without the base handler still loses its window here,
    // so that the map never holds a handle that is gone. The object may be deleted already: it
    // is only compared, never touched, unless it is still the window's object.
    auto again = st.permanentMap.find(hWnd);
    if (again != st.permanentMap.end() && again->second == pWnd) {
      st.permanentMap.erase(again);
      pWnd->m_hWnd = nullptr;
    }
  }
  st.lastSentMsg = saved;
  return result;
}

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
  ON_WM_NCDESTROY()
  ON_WM_CTLCOLOR()
  ON_WM_DRAWITEM()
  ON_WM_MEASUREITEM()
  ON_WM_HSCROLL()
  ON_WM_VSCROLL()
END_MESSAGE_MAP()

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

CWnd::CWnd() = default;

CWnd::CWnd(HWND hWndSpecial) : m_hWnd(hWndSpecial) {}

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    TRACE("a window object is deleted while its window exists; the window is destroyed\n");
    HWND h = m_hWnd;
    ::DestroyWindow(h);
    // Still attached when the window could not be destroyed here (another thread's window).
    if (m_hWnd == h) Detach();
  }
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd) {
  if (!hWnd) return nullptr;
  AfxThreadState& st = AfxGetThreadState();
  auto it = st.permanentMap.find(hWnd);
  if (it != st.permanentMap.end()) return it->second;
  auto temp = st.tempMap.find(hWnd);
  if (temp != st.tempMap.end()) return temp->second;
  CWnd* pWnd = new CWnd;
  pWnd->m_hWnd = hWnd;
  st.tempMap.emplace(hWnd, pWnd);
  return pWnd;
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd) {
  AfxThreadState* st = AfxPeekThreadState();
  if (!hWnd || !st) return nullptr;
  auto it = st->permanentMap.find(hWnd);
  return it == st->permanentMap.end() ? nullptr : it->second;
}

void PASCAL CWnd::DeleteTempMap() {
  AfxThreadState& st = AfxGetThreadState();
  std::unordered_map<HWND, CWnd*> temps;
  temps.swap(st.tempMap);
  for (auto& entry : temps) {
    entry.second->m_hWnd = nullptr;
    delete entry.second;
  }
}

BOOL CWnd::Attach(HWND hWndNew) {
  ASSERT(m_hWnd == nullptr);
  if (!hWndNew || m_hWnd) return FALSE;
  AfxThreadState& st = AfxGetThreadState();
  if (st.permanentMap.count(hWndNew)) return FALSE;  // the window has its object already
  st.permanentMap.emplace(hWndNew, this);
  m_hWnd = hWndNew;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (AfxThreadState* st = h ? AfxPeekThreadState() : nullptr) {
    auto it = st->permanentMap.find(h);
    if (it != st->permanentMap.end() && it->second == this) st->permanentMap.erase(it);
  }
  m_hWnd = nullptr;
  return h;
}

void CWnd::AttachAndSubclass(HWND hWnd) {
  if (!Attach(hWnd)) return;
  PreSubclassWindow();
  WNDPROC old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
  if (old != AfxWndProc) m_pfnSuper = old;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, void* pContext) {
  // Create makes child windows only.
  ASSERT(pParentWnd != nullptr);
  ASSERT((dwStyle & WS_POPUP) == 0);
  return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, SafeHwnd(pParentWnd), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                  pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
  return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, SafeHwnd(pParentWnd), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                  lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
  CREATESTRUCT cs{};
  cs.dwExStyle = dwExStyle;
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.style = static_cast<LONG>(dwStyle);
  cs.x = x;
  cs.y = y;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.hwndParent = hWndParent;
  cs.hMenu = nIDorHMenu;
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = lpParam;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  AfxHookWindowCreate(this);
  HWND hWnd = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                              cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  // When the window failed before the hook ran, the object never had it and is cleaned up here;
  // when it failed later (WM_CREATE answered -1), WM_NCDESTROY has cleaned it up already and the
  // object may be gone, so nothing here touches it.
  if (!AfxUnhookWindowCreate()) PostNcDestroy();
  return hWnd != nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass) {
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS);
    if (!cs.lpszClass) return FALSE;
  }
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  HWND hWndOrig = m_hWnd;
  bool permanent = FromHandlePermanent(hWndOrig) == this;
  BOOL result = ::DestroyWindow(hWndOrig);
  // A permanent object was detached by its WM_NCDESTROY and may have deleted itself.
  if (!permanent) m_hWnd = nullptr;
  return result;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!hWnd || !IsWindow(hWnd)) return FALSE;
  if (!Attach(hWnd)) return FALSE;
  PreSubclassWindow();
  WNDPROC old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
  if (!old) {
    Detach();
    return FALSE;
  }
  if (old != AfxWndProc) m_pfnSuper = old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  if (!pParent) return FALSE;
  HWND hWndControl = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
  return hWndControl ? SubclassWindow(hWndControl) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (!m_hWnd) return nullptr;
  if (m_pfnSuper) ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

void CWnd::PreSubclassWindow() {}

void CWnd::PostNcDestroy() {}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL PASCAL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
  for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (pWnd && pWnd->PreTranslateMessage(pMsg)) return TRUE;
    if (hWnd == hWndStop) break;
  }
  return FALSE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) {
  std::vector<HWND> children;
  for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) children.push_back(h);
  for (HWND h : children) {
    if (!IsWindow(h)) continue;
    ::SendMessageA(h, message, wParam, lParam);
    if (bDeep) {
      CWnd tmp;
      tmp.m_hWnd = h;
      tmp.SendMessageToDescendants(message, wParam, lParam, TRUE);
      tmp.m_hWnd = nullptr;
    }
  }
}

DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }

static BOOL ModifyStyleIndex(HWND hWnd, int nStyleOffset, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD dwStyle = static_cast<DWORD>(::GetWindowLongA(hWnd, nStyleOffset));
  DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
  if (dwStyle == dwNewStyle) return FALSE;
  ::SetWindowLongA(hWnd, nStyleOffset, static_cast<LONG>(dwNewStyle));
  if (nFlags) {
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  }
  return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  return ModifyStyleIndex(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}
BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  return ModifyStyleIndex(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}
BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
BOOL CWnd::IsZoomed() const { return ::IsZoomed(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
  ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}
void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
  MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}
BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  return ::SetWindowPos(m_hWnd, SafeHwnd(pWndInsertAfter), x, y, cx, cy, nFlags);
}
void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
void CWnd::ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
void CWnd::ClientToScreen(LPRECT lpRect) const {
  ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
  ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}
void CWnd::ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
void CWnd::ScreenToClient(LPRECT lpRect) const {
  ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->left));
  ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&lpRect->right));
}
void CWnd::MapWindowPoints(CWnd* pwndTo, LPPOINT lpPoint, UINT nCount) const {
  ::MapWindowPoints(m_hWnd, SafeHwnd(pwndTo), lpPoint, nCount);
}
void CWnd::MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const {
  ::MapWindowPoints(m_hWnd, SafeHwnd(pwndTo), reinterpret_cast<LPPOINT>(lpRect), 2);
}
void CWnd::SetWindowText(LPCTSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
  return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}
void CWnd::GetWindowText(CString& rString) const {
  int len = ::GetWindowTextLengthA(m_hWnd);
  if (len <= 0) {
    rString.Empty();
    return;
  }
  ::GetWindowTextA(m_hWnd, rString.GetBufferSetLength(len), len + 1);
  rString.ReleaseBuffer();
}
int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }

CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
CWnd* CWnd::SetParent(CWnd* pWndNewParent) { return FromHandle(::SetParent(m_hWnd, SafeHwnd(pWndNewParent))); }
CWnd* CWnd::GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER)); }
CWnd* CWnd::GetTopLevelParent() const {
  HWND top = m_hWnd;
  for (HWND up; top && (up = ::GetParent(top)) != nullptr;) top = up;
  return FromHandle(top);
}
CWnd* CWnd::GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }
CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
void CWnd::GetDlgItem(int nID, HWND* phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
CWnd* CWnd::GetDescendantWindow(int nID, BOOL bOnlyPerm) const {
  for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (::GetDlgCtrlID(h) == nID) {
      CWnd* found = bOnlyPerm ? FromHandlePermanent(h) : FromHandle(h);
      if (found) return found;
    }
  }
  for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    CWnd tmp;
    tmp.m_hWnd = h;
    CWnd* found = tmp.GetDescendantWindow(nID, bOnlyPerm);
    tmp.m_hWnd = nullptr;
    if (found) return found;
  }
  return nullptr;
}
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
int CWnd::SetDlgCtrlID(int nID) { return static_cast<int>(::SetWindowLongA(m_hWnd, GWL_ID, nID)); }
BOOL CWnd::IsChild(const CWnd* pWnd) const { return ::IsChild(m_hWnd, SafeHwnd(pWnd)); }

CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* PASCAL CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* CWnd::SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
CWnd* PASCAL CWnd::GetCapture() { return FromHandle(::GetCapture()); }
UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void(CALLBACK* lpfnTimer)(HWND, UINT, UINT_PTR, DWORD)) {
  return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}
BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT lResult = 0;
  if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
  return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  LRESULT lResult = 0;
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    if (pResult) *pResult = 1;
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (!pNMHDR || !pNMHDR->hwndFrom || !OnNotify(wParam, lParam, &lResult)) return FALSE;
    if (pResult) *pResult = lResult;
    return TRUE;
  }
  AFX_MSGCALL call{message, wParam, lParam, 0, 0, nullptr, &lResult};
  AFX_CTLCOLOR ctl{};
  const AFX_MSGMAP_ENTRY* entry;
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    ctl.hWnd = reinterpret_cast<HWND>(lParam);
    ctl.hDC = reinterpret_cast<HDC>(wParam);
    ctl.nCtlType = message - WM_CTLCOLORMSGBOX;
    call.nMessage = WM_CTLCOLOR;
    call.pExtra = &ctl;
    entry = FindMessageEntry(WM_CTLCOLOR);
  } else {
    entry = FindMessageEntry(message);
  }
  // The handler may delete this object (WM_NCDESTROY): nothing below touches it.
  if (!entry || !entry->pfn(this, call)) return FALSE;
  if (pResult) *pResult = lResult;
  return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT nID = LOWORD(wParam);
  HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
  int nCode = HIWORD(wParam);
  if (!hWndCtrl) {
    // A menu item or accelerator: a command whose update handler disabled it is dropped.
    if (nID == 0) return FALSE;
    CCmdUI state;
    state.m_nID = nID;
    OnCmdMsg(nID, static_cast<int>(CN_UPDATE_COMMAND_UI), &state, nullptr);
    if (!state.m_bEnabled) return TRUE;
    nCode = CN_COMMAND;
  } else {
    if (ReflectToChild(hWndCtrl, WM_COMMAND, wParam, lParam, nullptr)) return TRUE;  // taken by the control
    if (nID == 0) return FALSE;
  }
  return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
  HWND hWndCtrl = pNMHDR->hwndFrom;
  UINT nID = IsWindow(hWndCtrl) ? static_cast<UINT>(::GetDlgCtrlID(hWndCtrl)) : static_cast<UINT>(pNMHDR->idFrom);
  int nCode = static_cast<int>(pNMHDR->code);
  if (ReflectToChild(hWndCtrl, WM_NOTIFY, wParam, lParam, pResult)) return TRUE;
  AFX_NOTIFY notify{pResult, pNMHDR};
  return OnCmdMsg(nID, MAKELONG(nCode, WM_NOTIFY), &notify, nullptr);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (message) {
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_PARENTNOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
      return CWnd::OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, pResult);
    case WM_COMMAND: {
      int nCode = HIWORD(wParam);
      if (CCmdTarget::OnCmdMsg(0, MAKELONG(nCode, WM_REFLECT_BASE + WM_COMMAND), nullptr, nullptr)) {
        if (pResult) *pResult = 1;
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
      int nCode = static_cast<int>(pNMHDR->code);
      LRESULT dummy = 0;
      AFX_NOTIFY notify{pResult ? pResult : &dummy, pNMHDR};
      return CCmdTarget::OnCmdMsg(0, MAKELONG(nCode, WM_REFLECT_BASE + WM_NOTIFY), &notify, nullptr);
    }
    default:
      break;
  }
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    AFX_CTLCOLOR ctl{m_hWnd, reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX};
    LRESULT lResult = 0;
    BOOL handled = CWnd::OnWndMsg(WM_REFLECT_BASE + WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&ctl), &lResult);
    // A null brush means the control leaves the colours to its parent.
    if (lResult == 0) return FALSE;
    if (pResult) *pResult = lResult;
    return handled;
  }
  return FALSE;
}

BOOL PASCAL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
  CWnd* pWnd = FromHandlePermanent(hWndChild);
  return pWnd ? pWnd->SendChildNotifyLastMsg(pResult) : FALSE;
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult) {
  const MSG& msg = AfxGetThreadState().lastSentMsg;
  MSG copy = msg;
  return OnChildNotify(copy.message, copy.wParam, copy.lParam, pResult);
}

LRESULT CWnd::Default() {
  MSG copy = AfxGetThreadState().lastSentMsg;
  return DefWindowProc(copy.message, copy.wParam, copy.lParam);
}

const MSG* PASCAL CWnd::GetCurrentMessage() { return &AfxGetThreadState().lastSentMsg; }

void CWnd::FinishNcDestroy() {
  HWND hWnd = m_hWnd;
  WNDPROC current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
  Detach();
  if (current == AfxWndProc && m_pfnSuper) ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  // Self-deleting classes delete the object here; nothing may touch it afterwards.
  PostNcDestroy();
}

// Default handlers.
int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() {
  // Destroying a thread's main window ends that thread's message loop.
  CWinThread* pThread = AfxGetThread();
  if (pThread) {
    if (pThread->m_pMainWnd == this) {
      PostQuitMessage(0);
      pThread->m_pMainWnd = nullptr;
    }
    if (pThread->m_pActiveWnd == this) pThread->m_pActiveWnd = nullptr;
  }
  Default();
  FinishNcDestroy();
}
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnNcPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnNcLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT) {
  LRESULT lResult = 0;
  if (pWnd && pWnd->SendChildNotifyLastMsg(&lResult)) return reinterpret_cast<HBRUSH>(lResult);
  return reinterpret_cast<HBRUSH>(Default());
}
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct) {
  // Owner-drawn menu items are the menu layer's; controls draw themselves through reflection.
  if (lpDrawItemStruct && lpDrawItemStruct->CtlType == ODT_MENU && AfxMenuDrawItem(lpDrawItemStruct)) return;
  if (lpDrawItemStruct && lpDrawItemStruct->CtlType != ODT_MENU && ReflectLastMsg(lpDrawItemStruct->hwndItem)) return;
  Default();
}
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT lpMeasureItemStruct) {
  if (lpMeasureItemStruct && lpMeasureItemStruct->CtlType == ODT_MENU && AfxMenuMeasureItem(m_hWnd, lpMeasureItemStruct)) return;
  if (lpMeasureItemStruct && lpMeasureItemStruct->CtlType != ODT_MENU) {
    CWnd* pChild = GetDescendantWindow(static_cast<int>(lpMeasureItemStruct->CtlID), TRUE);
    if (pChild && pChild->SendChildNotifyLastMsg()) return;
  }
  Default();
}
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnWindowPosChanging(WINDOWPOS*) { Default(); }
void CWnd::OnWindowPosChanged(WINDOWPOS*) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
BOOL CWnd::OnCopyData(CWnd*, COPYDATASTRUCT*) { return static_cast<BOOL>(Default()); }
void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar) {
  CWnd* pBar = reinterpret_cast<CWnd*>(pScrollBar);
  if (pBar && FromHandlePermanent(pBar->m_hWnd) == pBar && pBar->SendChildNotifyLastMsg()) return;
  Default();
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar) {
  CWnd* pBar = reinterpret_cast<CWnd*>(pScrollBar);
  if (pBar && FromHandlePermanent(pBar->m_hWnd) == pBar && pBar->SendChildNotifyLastMsg()) return;
  Default();
}
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }
UINT CWnd::OnNcHitTest(CPoint) { return static_cast<UINT>(Default()); }
void CWnd::OnSettingChange(UINT, LPCTSTR) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnCancelMode() { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnSysColorChange() { Default(); }
