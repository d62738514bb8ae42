#include "platform/user/Window.h"

#include <algorithm>
#include <cstring>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/base/WinError.h"
#include "platform/kernel/KernelObject.h"
#include "platform/user/Dialog.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/Hook.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Input.h"
#include "platform/user/UserState.h"
#include "platform/user/WindowClass.h"
#include "platform/user/controls/Controls.h"

using namespace platform;

namespace {

// The size a top-level overlapped window gets from CW_USEDEFAULT.
constexpr int DEFAULT_WIDTH = 640;
constexpr int DEFAULT_HEIGHT = 480;
// Where Win32 parks minimised top-level windows, and their size there.
constexpr LONG MINIMIZED_POS = -32000;
constexpr LONG MINIMIZED_WIDTH = 160;
constexpr LONG MINIMIZED_HEIGHT = 28;
constexpr UINT VK_F4_KEY = 0x73;

bool IsChildStyle(DWORD style) { return (style & WS_CHILD) != 0; }

// A client rectangle a procedure answered keeps inside the window rectangle.
RECT ClampClient(RECT c, const RECT& window) {
  c.left = std::clamp(c.left, window.left, window.right);
  c.right = std::clamp(c.right, c.left, window.right);
  c.top = std::clamp(c.top, window.top, window.bottom);
  c.bottom = std::clamp(c.bottom, c.top, window.bottom);
  return c;
}

RECT ScreenRectLocked(const WindowRecord* w);

// The screen position of a window's client origin. Under the lock.
POINT ClientOriginLocked(const WindowRecord* w) {
  POINT pt{0, 0};
  for (; w; w = FindWindowRecord(w->parent)) {
    pt.x += w->clientRect.left;
    pt.y += w->clientRect.top;
  }
  return pt;
}

POINT ParentOriginLocked(const WindowRecord* w) {
  return w->parent ? ClientOriginLocked(FindWindowRecord(w->parent)) : POINT{0, 0};
}

RECT ScreenRectLocked(const WindowRecord* w) {
  POINT o = ParentOriginLocked(w);
  RECT rc = w->windowRect;
  OffsetRect(&rc, o.x, o.y);
  return rc;
}

HWND RootLocked(HWND hwnd) {
  WindowRecord* w = FindWindowRecord(hwnd);
  while (w && w->parent) {
    WindowRecord* p = FindWindowRecord(w->parent);
    if (!p) break;
    w = p;
  }
  return w ? w->hwnd : nullptr;
}

// Places a window in its siblings' z-order. Top-level windows with WS_EX_TOPMOST stay in front
// of the others.
void PlaceInZOrder(WindowRecord* w, HWND after) {
  std::vector<HWND>& list = SiblingList(*w);
  list.erase(std::remove(list.begin(), list.end(), w->hwnd), list.end());
  auto isTopmost = [](HWND h) {
    WindowRecord* r = FindWindowRecord(h);
    return r && !r->parent && (r->exStyle & WS_EX_TOPMOST);
  };
  if (!w->parent) {
    if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (after == HWND_NOTOPMOST) w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
  }
  bool topmost = !w->parent && (w->exStyle & WS_EX_TOPMOST);
  // The band of the list the window may be in: topmost windows first, then the others.
  size_t bandBegin = 0;
  size_t bandEnd = list.size();
  if (!w->parent) {
    size_t firstNormal = 0;
    while (firstNormal < list.size() && isTopmost(list[firstNormal])) ++firstNormal;
    if (topmost) {
      bandEnd = firstNormal;
    } else {
      bandBegin = firstNormal;
    }
  }
  size_t pos = bandBegin;
  if (after == HWND_BOTTOM) {
    pos = bandEnd;
  } else if (after != HWND_TOP && after != HWND_TOPMOST && after != HWND_NOTOPMOST) {
    auto it = std::find(list.begin(), list.end(), after);
    if (it != list.end()) pos = std::clamp(static_cast<size_t>(it - list.begin()) + 1, bandBegin, bandEnd);
  }
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(pos), w->hwnd);
}

void ClearThreadStateFor(HWND hwnd) {
  for (auto& [tid, q] : User().queues) {
    if (q->focus == hwnd) q->focus = nullptr;
    if (q->active == hwnd) q->active = nullptr;
    if (q->capture == hwnd) q->capture = nullptr;
  }
}

// Removes a window whose WM_NCDESTROY has been sent. Under the lock.
void FreeWindowLocked(HWND hwnd) {
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w) return;
  PurgeWindowMessages(hwnd);
  std::vector<HWND>& list = SiblingList(*w);
  list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
  // Children that were added while the window was being destroyed lose their parent link.
  for (HWND c : w->children) {
    if (WindowRecord* cw = FindWindowRecord(c)) cw->parent = nullptr;
    User().topLevel.push_back(c);
  }
  for (auto& [key, other] : User().windows) {
    if (other->owner == hwnd) other->owner = nullptr;
  }
  ClearThreadStateFor(hwnd);
  if (w->cls) --w->cls->windowCount;
  User().windows.erase(HwndKey(hwnd));
}

void SendWmSizeAndMove(HWND hwnd) {
  RECT client{};
  POINT origin{};
  DWORD style = 0;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return;
    client = w->clientRect;
    style = w->style;
    origin = {client.left, client.top};
  }
  WPARAM type = (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
  SendMessageA(hwnd, WM_SIZE, type, MAKELPARAM(RectWidth(client), RectHeight(client)));
  SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
}

void SendParentNotify(HWND child, WORD event) {
  HWND current = child;
  for (;;) {
    HWND parent = nullptr;
    UINT_PTR id = 0;
    {
      auto lock = UserLock();
      WindowRecord* w = FindWindowRecord(current);
      if (!w || !IsChildStyle(w->style) || (w->exStyle & WS_EX_NOPARENTNOTIFY) || !w->parent) return;
      parent = w->parent;
      WindowRecord* c = FindWindowRecord(child);
      id = c ? c->id : 0;
    }
    SendMessageA(parent, WM_PARENTNOTIFY, MAKEWPARAM(event, id), reinterpret_cast<LPARAM>(child));
    current = parent;
  }
}

void SendDestroyPreOrder(HWND hwnd) {
  SendMessageA(hwnd, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return;
    children = w->children;
    for (HWND c : children) {
      if (WindowRecord* cw = FindWindowRecord(c)) cw->destroying = true;
    }
  }
  for (HWND c : children) SendDestroyPreOrder(c);
}

void SendNcDestroyPostOrder(HWND hwnd) {
  std::vector<HWND> children;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return;
    children = w->children;
  }
  for (HWND c : children) SendNcDestroyPostOrder(c);
  SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
  {
    auto lock = UserLock();
    FreeWindowLocked(hwnd);
  }
  ForgetWindowPaint(hwnd);
  ForgetWindowScrollBars(hwnd);
}

WindowRecord* RecordOrError(HWND hwnd) {
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

bool FocusIsIn(HWND root) {
  auto lock = UserLock();
  ThreadQueue* q = CurrentQueueLocked();
  return q->focus && IsSelfOrDescendant(root, q->focus);
}

// Asks the window for its client area inside the window rectangle (WM_NCCALCSIZE) and keeps it.
void RecalcClientRect(HWND hwnd) {
  RECT rc{};
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return;
    rc = w->windowRect;
  }
  SendMessageA(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rc));
  auto lock = UserLock();
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w) return;
  w->clientRect = ClampClient(rc, w->windowRect);
}

}  // namespace

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  // The standard controls' classes and the dialog class "#32770" exist from the first window on,
  // as if registered at start-up.
  RegisterStandardControls();
  platform::RegisterDialogClass();
  HWND hwnd = nullptr;
  CREATESTRUCTA cs{};
  {
    auto lock = UserLock();
    auto cls = FindClassRecord(className);
    if (!cls) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    HWND realParent = nullptr;
    HWND owner = nullptr;
    if (parent == HWND_MESSAGE) parent = nullptr;  // a message-only window is a hidden top-level here
    if (IsChildStyle(style)) {
      // WS_CHILD wins over WS_POPUP when both are given: such a window is a child of its parent.
      if (!parent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
      }
      if (!RecordOrError(parent)) return nullptr;
      realParent = parent;
    } else if (parent) {
      if (!RecordOrError(parent)) return nullptr;
      owner = RootLocked(parent);
    }
    bool child = realParent != nullptr;
    if (!child && !(style & WS_POPUP)) {
      // Overlapped windows always have a caption and clip their siblings, as in Win32.
      style |= WS_CAPTION | WS_CLIPSIBLINGS;
      if (x == CW_USEDEFAULT) x = y = 0;
      if (width == CW_USEDEFAULT) {
        width = DEFAULT_WIDTH;
        height = DEFAULT_HEIGHT;
      }
    } else {
      if (!child) style |= WS_CLIPSIBLINGS;
      if (x == CW_USEDEFAULT) x = y = 0;
      if (width == CW_USEDEFAULT) width = height = 0;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);

    uint32_t key = AllocateWindowHandle();
    if (key == 0) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    ThreadQueue* q = CurrentQueueLocked();
    auto rec = std::make_unique<WindowRecord>();
    hwnd = KeyHwnd(key);
    rec->hwnd = hwnd;
    rec->cls = cls;
    rec->style = style & ~static_cast<DWORD>(WS_VISIBLE);
    rec->exStyle = exStyle;
    rec->parent = realParent;
    rec->owner = owner;
    rec->threadId = q->threadId;
    rec->instance = instance;
    rec->id = reinterpret_cast<UINT_PTR>(menu);
    rec->windowRect = RECT{x, y, x + width, y + height};
    rec->clientRect = rec->windowRect;
    rec->restoreRect = rec->windowRect;
    rec->proc = cls->proc;
    rec->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
    ++cls->windowCount;
    WindowRecord* w = rec.get();
    User().windows.emplace(HwndKey(hwnd), std::move(rec));
    PlaceInZOrder(w, child ? HWND_BOTTOM : HWND_TOP);

    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = child ? realParent : owner;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
  }

  CBT_CREATEWNDA cbt{&cs, IsChildStyle(style) ? HWND_BOTTOM : HWND_TOP};
  if (CallCbtHooks(HCBT_CREATEWND, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt))) {
    auto lock = UserLock();
    FreeWindowLocked(hwnd);
    return nullptr;
  }
  if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (IsWindow(hwnd)) {
      SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
      auto lock = UserLock();
      FreeWindowLocked(hwnd);
    }
    return nullptr;
  }
  RecalcClientRect(hwnd);
  if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;  // destroyed by its own WM_CREATE handler
  SendWmSizeAndMove(hwnd);
  SendParentNotify(hwnd, WM_CREATE);
  if ((style & WS_VISIBLE) && IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  bool visible = false;
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return FALSE;
    if (w->threadId != GetCurrentThreadId()) {
      // Only the thread that created a window may destroy it.
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->destroying) return TRUE;  // already on its way (called again from WM_DESTROY)
  }
  if (CallCbtHooks(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hwnd), 0)) return FALSE;
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return FALSE;
    if (w->destroying) return TRUE;
    w->destroying = true;
    visible = (w->style & WS_VISIBLE) != 0;
  }
  SendParentNotify(hwnd, WM_DESTROY);
  if (visible) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Owned windows go first, each with its whole sequence. One owned by another thread cannot be
  // destroyed from here; it loses its owner instead.
  std::vector<HWND> owned;
  {
    auto lock = UserLock();
    for (auto& [key, other] : User().windows) {
      if (other->owner == hwnd) owned.push_back(other->hwnd);
    }
  }
  for (HWND o : owned) {
    bool sameThread = false;
    {
      auto lock = UserLock();
      WindowRecord* ow = FindWindowRecord(o);
      if (!ow) continue;
      sameThread = ow->threadId == GetCurrentThreadId();
      if (!sameThread) ow->owner = nullptr;
    }
    if (sameThread) DestroyWindow(o);
  }
  {
    // Focus, capture and activation leave the window and everything below it.
    auto lock = UserLock();
    for (auto& [tid, q] : User().queues) {
      if (q->focus && IsSelfOrDescendant(hwnd, q->focus)) q->focus = nullptr;
      if (q->capture && IsSelfOrDescendant(hwnd, q->capture)) q->capture = nullptr;
      if (q->active == hwnd) q->active = nullptr;
    }
  }
  SendDestroyPreOrder(hwnd);
  SendNcDestroyPostOrder(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  {
    auto lock = UserLock();
    if (!hwnd || FindWindowRecord(hwnd)) return hwnd ? TRUE : FALSE;
  }
  const platform::ForeignWindowRouter* router = platform::GetForeignWindowRouter();
  return router ? router->isWindow(hwnd) : FALSE;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(hwnd, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT handled = 0;
  if (DefPaintProc(hwnd, message, wParam, lParam, &handled)) return handled;
  if (DefInputProc(hwnd, message, wParam, lParam, &handled)) return handled;
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) {
        auto lock = UserLock();
        if (WindowRecord* w = FindWindowRecord(hwnd)) w->text = cs->lpszName;
      }
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT: {
      bool caption = false;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (!w) return FALSE;
        const char* text = reinterpret_cast<const char*>(lParam);
        w->text = text ? text : "";
        caption = (w->style & WS_CAPTION) == WS_CAPTION && (w->style & WS_VISIBLE);
      }
      // The caption shows the new title at once.
      if (caption) SendMessageA(hwnd, WM_NCPAINT, 1, 0);
      return TRUE;
    }
    case WM_GETTEXT: {
      char* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam == 0) return 0;
      auto lock = UserLock();
      WindowRecord* w = FindWindowRecord(hwnd);
      if (!w) {
        buffer[0] = '\0';
        return 0;
      }
      // Never split a double-byte character at the end of a short buffer.
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam - 1));
      n = GbkSafeCut(w->text.data(), n);
      memcpy(buffer, w->text.data(), n);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
      auto lock = UserLock();
      WindowRecord* w = FindWindowRecord(hwnd);
      return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      RECT client{};
      DWORD style = 0;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (!w) return 0;
        client = w->clientRect;
        style = w->style;
      }
      if (!(wp->flags & SWP_NOCLIENTMOVE)) SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(client.left, client.top));
      if (!(wp->flags & SWP_NOCLIENTSIZE)) {
        WPARAM type = (style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                      : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                              : SIZE_RESTORED;
        SendMessageA(hwnd, WM_SIZE, type, MAKELPARAM(RectWidth(client), RectHeight(client)));
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0 && !FocusIsIn(hwnd)) SetFocus(hwnd);
      return 0;
    case WM_NCACTIVATE:
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
      return TRUE;
    case WM_MOUSEACTIVATE:
    case WM_CONTEXTMENU: {
      // A child passes these to its parent first.
      HWND parent = nullptr;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (w && IsChildStyle(w->style)) parent = w->parent;
      }
      if (parent) {
        LRESULT r = SendMessageA(parent, message, message == WM_MOUSEACTIVATE ? wParam : reinterpret_cast<WPARAM>(hwnd),
                                 lParam);
        if (r) return r;
      }
      return message == WM_MOUSEACTIVATE ? MA_ACTIVATE : 0;
    }
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4_KEY && (lParam & (1 << 29))) {
        HWND root = GetAncestor(hwnd, GA_ROOT);
        if (root) SendMessageA(root, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          SendMessageA(hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(hwnd, SW_MAXIMIZE);
          break;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          break;
        default:
          break;
      }
      return 0;
    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    default:
      return 0;
  }
}

// ---- The window record through Get/SetWindowLong ----

namespace {

bool ExtraRange(const WindowRecord* w, int index, size_t size) {
  return index >= 0 && static_cast<size_t>(index) + size <= w->extra.size();
}

LONG_PTR SetStyleField(HWND hwnd, int index, DWORD value) {
  DWORD old = 0;
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return 0;
    old = index == GWL_STYLE ? w->style : w->exStyle;
  }
  STYLESTRUCT ss{old, value};
  SendMessageA(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return 0;
    if (index == GWL_STYLE) {
      w->style = ss.styleNew;
    } else {
      w->exStyle = ss.styleNew;
    }
  }
  SendMessageA(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
  return static_cast<LONG_PTR>(static_cast<LONG>(old));
}

}  // namespace

LONG GetWindowLongA(HWND hwnd, int index) {
  if (index == GWL_WNDPROC || index == GWL_HINSTANCE || index == GWL_HWNDPARENT) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (index >= 0) {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return 0;
    if (!ExtraRange(w, index, sizeof(LONG))) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    LONG v;
    memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  if (index == GWL_WNDPROC || index == GWL_HINSTANCE || index == GWL_HWNDPARENT) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  if (index >= 0) {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return 0;
    if (!ExtraRange(w, index, sizeof(LONG))) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    LONG old;
    memcpy(&old, w->extra.data() + index, sizeof old);
    memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  if (index == GWL_STYLE || index == GWL_EXSTYLE) {
    return static_cast<LONG>(SetStyleField(hwnd, index, static_cast<DWORD>(value)));
  }
  return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return 0;
  if (index >= 0) {
    if (!ExtraRange(w, index, sizeof(LONG_PTR))) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    LONG_PTR v;
    memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWL_STYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_USERDATA:
      return w->userData;
    case GWLP_ID:
      return static_cast<LONG_PTR>(w->id);
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  if (index == GWL_STYLE || index == GWL_EXSTYLE) {
    return SetStyleField(hwnd, index, static_cast<DWORD>(value));
  }
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  if (index >= 0) {
    if (!ExtraRange(w, index, sizeof(LONG_PTR))) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    memcpy(&old, w->extra.data() + index, sizeof old);
    memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  switch (index) {
    case GWLP_WNDPROC:
      // Subclassing: the caller keeps the old procedure and passes on to it with CallWindowProc.
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT: {
      // For a top-level window this sets the owner, as in Win32.
      if (w->parent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      HWND newOwner = reinterpret_cast<HWND>(value);
      if (newOwner && (!FindWindowRecord(newOwner) || RootLocked(newOwner) == hwnd)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      old = reinterpret_cast<LONG_PTR>(w->owner);
      w->owner = newOwner ? RootLocked(newOwner) : nullptr;
      return old;
    }
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    case GWLP_ID:
      old = static_cast<LONG_PTR>(w->id);
      w->id = static_cast<UINT_PTR>(value);
      return old;
    default:
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

// ---- Position, size, z-order, visibility ----

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WINDOWPOS wp{};
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return FALSE;
    if (!(flags & SWP_NOZORDER) && insertAfter && insertAfter != HWND_BOTTOM && insertAfter != HWND_TOPMOST &&
        insertAfter != HWND_NOTOPMOST && !FindWindowRecord(insertAfter)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (flags & SWP_NOMOVE) {
      x = w->windowRect.left;
      y = w->windowRect.top;
    }
    if (flags & SWP_NOSIZE) {
      cx = RectWidth(w->windowRect);
      cy = RectHeight(w->windowRect);
    }
    if ((flags & SWP_SHOWWINDOW) && (w->style & WS_VISIBLE)) flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    if ((flags & SWP_HIDEWINDOW) && !(w->style & WS_VISIBLE)) flags &= ~static_cast<UINT>(SWP_HIDEWINDOW);
    wp = WINDOWPOS{hwnd, insertAfter, x, y, std::max(cx, 0), std::max(cy, 0), flags};
  }
  if (!(wp.flags & SWP_NOSENDCHANGING)) {
    SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  }
  // The new window rectangle, and the client area the window chooses inside it.
  RECT newWindow{};
  RECT oldWindow{};
  RECT oldClient{};
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return FALSE;
    LONG left = (wp.flags & SWP_NOMOVE) ? w->windowRect.left : wp.x;
    LONG top = (wp.flags & SWP_NOMOVE) ? w->windowRect.top : wp.y;
    LONG width = (wp.flags & SWP_NOSIZE) ? RectWidth(w->windowRect) : std::max(wp.cx, 0);
    LONG height = (wp.flags & SWP_NOSIZE) ? RectHeight(w->windowRect) : std::max(wp.cy, 0);
    newWindow = RECT{left, top, left + width, top + height};
    oldWindow = w->windowRect;
    oldClient = w->clientRect;
  }
  RECT newClient = oldClient;
  OffsetRect(&newClient, newWindow.left - oldWindow.left, newWindow.top - oldWindow.top);
  if (!EqualRect(&newWindow, &oldWindow) || (wp.flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = newWindow;
    params.rgrc[1] = oldWindow;
    params.rgrc[2] = oldClient;
    params.lppos = &wp;
    SendMessageA(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    newClient = ClampClient(params.rgrc[0], newWindow);
  }
  bool activate = false;
  RECT oldScreen{};
  bool wasVisible = false;
  bool changed = false;
  bool sizeChanged = false;
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return FALSE;
    oldScreen = ScreenRectLocked(w);
    wasVisible = (w->style & WS_VISIBLE) != 0;
    RECT previousClient = w->clientRect;
    w->windowRect = newWindow;
    w->clientRect = newClient;
    if (w->style & WS_MINIMIZE) {
      // A minimised window has no client area.
      w->clientRect.right = w->clientRect.left;
      w->clientRect.bottom = w->clientRect.top;
    }
    std::vector<HWND> before = SiblingList(*w);
    if (!(wp.flags & SWP_NOZORDER)) PlaceInZOrder(w, wp.hwndInsertAfter);
    if (wp.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    if (wp.flags & SWP_HIDEWINDOW) w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (previousClient.left == w->clientRect.left && previousClient.top == w->clientRect.top) wp.flags |= SWP_NOCLIENTMOVE;
    if (RectWidth(previousClient) == RectWidth(w->clientRect) && RectHeight(previousClient) == RectHeight(w->clientRect)) {
      wp.flags |= SWP_NOCLIENTSIZE;
    }
    sizeChanged = RectWidth(oldWindow) != RectWidth(w->windowRect) || RectHeight(oldWindow) != RectHeight(w->windowRect) ||
                  !(wp.flags & SWP_NOCLIENTSIZE) || (wp.flags & SWP_FRAMECHANGED);
    changed = sizeChanged || !EqualRect(&oldWindow, &w->windowRect) || wasVisible != ((w->style & WS_VISIBLE) != 0) ||
              before != SiblingList(*w);
    activate = !(wp.flags & SWP_NOACTIVATE) && !IsChildStyle(w->style) && (w->style & WS_VISIBLE) &&
               !(w->exStyle & WS_EX_NOACTIVATE) && w->threadId == GetCurrentThreadId() &&
               CurrentQueueLocked()->active != hwnd;
    wp.x = w->windowRect.left;
    wp.y = w->windowRect.top;
    wp.cx = RectWidth(w->windowRect);
    wp.cy = RectHeight(w->windowRect);
  }
  if (changed) WindowGeometryChanged(hwnd, oldScreen, wasVisible, sizeChanged, !(wp.flags & SWP_NOREDRAW));
  if (activate) SetActiveWindow(hwnd);
  SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int command) {
  bool wasVisible = false;
  bool minimized = false;
  bool maximized = false;
  bool child = false;
  RECT restore{};
  RECT maxRect{};
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return FALSE;
    wasVisible = (w->style & WS_VISIBLE) != 0;
    minimized = (w->style & WS_MINIMIZE) != 0;
    maximized = (w->style & WS_MAXIMIZE) != 0;
    child = IsChildStyle(w->style);
    restore = w->restoreRect;
    if (child) {
      WindowRecord* p = FindWindowRecord(w->parent);
      maxRect = p ? RECT{0, 0, RectWidth(p->clientRect), RectHeight(p->clientRect)} : RECT{};
    } else {
      maxRect = User().screenRect;
    }
  }
  bool show = command != SW_HIDE;
  bool noActivate = child || command == SW_SHOWNA || command == SW_SHOWNOACTIVATE ||
                    command == SW_SHOWMINNOACTIVE || command == SW_MINIMIZE || command == SW_FORCEMINIMIZE ||
                    command == SW_HIDE;
  enum { KEEP, MINIMIZE, MAXIMIZE, RESTORE } state = KEEP;
  switch (command) {
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      if (!minimized) state = MINIMIZE;
      break;
    case SW_MAXIMIZE:
      if (!maximized) state = MAXIMIZE;
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWNOACTIVATE:
    case SW_SHOWDEFAULT:
      if (minimized || maximized) state = RESTORE;
      break;
    default:
      break;
  }
  if (show != wasVisible) SendMessageA(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  UINT flags = SWP_NOZORDER | (noActivate ? SWP_NOACTIVATE : 0);
  flags |= show ? (wasVisible ? 0 : SWP_SHOWWINDOW) : SWP_HIDEWINDOW;
  RECT target{};
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return FALSE;
    switch (state) {
      case MINIMIZE:
        if (!maximized) w->restoreRect = w->windowRect;
        w->style = (w->style | WS_MINIMIZE) & ~static_cast<DWORD>(WS_MAXIMIZE);
        target = RECT{MINIMIZED_POS, MINIMIZED_POS, MINIMIZED_POS + MINIMIZED_WIDTH, MINIMIZED_POS + MINIMIZED_HEIGHT};
        break;
      case MAXIMIZE:
        if (!minimized) w->restoreRect = w->windowRect;
        w->style = (w->style | WS_MAXIMIZE) & ~static_cast<DWORD>(WS_MINIMIZE);
        target = maxRect;
        break;
      case RESTORE:
        w->style &= ~static_cast<DWORD>(WS_MINIMIZE | WS_MAXIMIZE);
        target = restore;
        break;
      case KEEP:
        flags |= SWP_NOMOVE | SWP_NOSIZE;
        break;
    }
  }
  if (state != KEEP) flags |= SWP_FRAMECHANGED;
  SetWindowPos(hwnd, nullptr, target.left, target.top, RectWidth(target), RectHeight(target), flags);
  if (!show) {
    // Hiding takes the focus and activation away from the window.
    if (FocusIsIn(hwnd)) SetFocus(nullptr);
    if (GetActiveWindow() == hwnd) SetActiveWindow(nullptr);
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  auto lock = UserLock();
  WindowRecord* w = FindWindowRecord(hwnd);
  return (w && (w->style & WS_MINIMIZE)) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  auto lock = UserLock();
  WindowRecord* w = FindWindowRecord(hwnd);
  return (w && (w->style & WS_MAXIMIZE)) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  auto lock = UserLock();
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w) return FALSE;
  for (; w; w = FindWindowRecord(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
  }
  return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  bool wasDisabled = false;
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return FALSE;
    wasDisabled = (w->style & WS_DISABLED) != 0;
  }
  if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
  if (!enable) SendMessageA(hwnd, WM_CANCELMODE, 0, 0);
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return wasDisabled ? TRUE : FALSE;
    if (enable) {
      w->style &= ~static_cast<DWORD>(WS_DISABLED);
    } else {
      w->style |= WS_DISABLED;
    }
  }
  if (!enable && GetFocus() == hwnd) SetFocus(nullptr);
  SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto lock = UserLock();
  WindowRecord* w = FindWindowRecord(hwnd);
  return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return FALSE;
  POINT origin = ParentOriginLocked(w);
  *rect = w->windowRect;
  OffsetRect(rect, origin.x, origin.y);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return FALSE;
  *rect = RECT{0, 0, RectWidth(w->clientRect), RectHeight(w->clientRect)};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  if (!point) return FALSE;
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return FALSE;
  POINT o = ClientOriginLocked(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  if (!point) return FALSE;
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return FALSE;
  POINT o = ClientOriginLocked(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  auto lock = UserLock();
  POINT a{0, 0}, b{0, 0};
  if (from) {
    WindowRecord* w = RecordOrError(from);
    if (!w) return 0;
    a = ClientOriginLocked(w);
  }
  if (to) {
    WindowRecord* w = RecordOrError(to);
    if (!w) return 0;
    b = ClientOriginLocked(w);
  }
  LONG dx = a.x - b.x;
  LONG dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(0);
  return MAKELONG(dx, dy);
}

// ---- Parents, owners, siblings ----

HWND GetParent(HWND hwnd) {
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return nullptr;
  if (IsChildStyle(w->style)) return w->parent;
  if (w->style & WS_POPUP) return w->owner;
  return nullptr;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return nullptr;
  if (newParent && (!RecordOrError(newParent) || IsSelfOrDescendant(hwnd, newParent))) {
    if (newParent && FindWindowRecord(newParent)) SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND old = w->parent;
  std::vector<HWND>& list = SiblingList(*w);
  list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
  w->parent = newParent;
  if (newParent) w->owner = nullptr;
  PlaceInZOrder(w, HWND_TOP);
  return old;
}

HWND GetWindow(HWND hwnd, UINT command) {
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return nullptr;
  if (command == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (command == GW_OWNER) return w->owner;
  if (command == GW_ENABLEDPOPUP) {
    for (HWND h : User().topLevel) {
      WindowRecord* o = FindWindowRecord(h);
      if (o && o->owner == hwnd && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) return h;
    }
    return nullptr;
  }
  const std::vector<HWND>& list = SiblingList(*w);
  auto it = std::find(list.begin(), list.end(), hwnd);
  if (it == list.end()) return nullptr;
  switch (command) {
    case GW_HWNDFIRST:
      return list.front();
    case GW_HWNDLAST:
      return list.back();
    case GW_HWNDNEXT:
      return (it + 1) == list.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return it == list.begin() ? nullptr : *(it - 1);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->parent;
    case GA_ROOT:
      return RootLocked(hwnd);
    case GA_ROOTOWNER: {
      WindowRecord* r = FindWindowRecord(RootLocked(hwnd));
      while (r && r->owner) {
        WindowRecord* o = FindWindowRecord(r->owner);
        if (!o) break;
        r = FindWindowRecord(RootLocked(o->hwnd));
      }
      return r ? r->hwnd : nullptr;
    }
    default:
      return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd) {
    auto lock = UserLock();
    return User().topLevel.empty() ? nullptr : User().topLevel.front();
  }
  return GetWindow(hwnd, GW_CHILD);
}

BOOL IsChild(HWND parent, HWND hwnd) {
  auto lock = UserLock();
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w || !parent || parent == hwnd) return FALSE;
  return IsSelfOrDescendant(parent, hwnd) ? TRUE : FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(dialog);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    WindowRecord* cw = FindWindowRecord(c);
    if (cw && static_cast<int>(cw->id) == id) return c;
  }
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  return w ? static_cast<int>(w->id) : 0;
}

namespace {

void CollectDescendants(HWND hwnd, std::vector<HWND>& out) {
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w) return;
  for (HWND c : w->children) {
    out.push_back(c);
    CollectDescendants(c, out);
  }
}

BOOL EnumerateSnapshot(const std::vector<HWND>& list, WNDENUMPROC proc, LPARAM lParam) {
  for (HWND h : list) {
    if (!IsWindow(h)) continue;  // destroyed by an earlier call-back
    if (!proc(h, lParam)) return FALSE;
  }
  return TRUE;
}

}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  if (!parent) return EnumWindows(proc, lParam);
  std::vector<HWND> list;
  {
    auto lock = UserLock();
    if (!RecordOrError(parent)) return FALSE;
    CollectDescendants(parent, list);
  }
  return EnumerateSnapshot(list, proc, lParam);
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  std::vector<HWND> list;
  {
    auto lock = UserLock();
    list = User().topLevel;
  }
  return EnumerateSnapshot(list, proc, lParam);
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  auto lock = UserLock();
  WindowRecord* w = RecordOrError(hwnd);
  if (!w) return 0;
  if (processId) *processId = GetCurrentProcessId();
  return w->threadId;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  {
    auto lock = UserLock();
    std::shared_ptr<ClassRecord> cls;
    bool classKnown = true;
    if (className) {
      cls = FindClassRecord(className);
      classKnown = cls != nullptr;
    }
    for (HWND h : classKnown ? User().topLevel : std::vector<HWND>()) {
      WindowRecord* w = FindWindowRecord(h);
      if (!w) continue;
      if (cls && w->cls != cls) continue;
      if (windowName && w->text != windowName) continue;
      return h;
    }
  }
  // Not among this process's windows: another process may have published one.
  const platform::ForeignWindowRouter* router = platform::GetForeignWindowRouter();
  return router ? router->find(className, windowName) : nullptr;
}

// ---- Text ----

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = '\0';
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LRESULT n = SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(buffer));
  // A procedure that answers with a wrong length cannot make the caller read past its buffer.
  if (n < 0) n = 0;
  if (n > maxCount - 1) n = maxCount - 1;
  buffer[n] = '\0';
  return static_cast<int>(n);
}

int GetWindowTextLengthA(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

// ---- Focus, activation, capture ----

HWND SetFocus(HWND hwnd) {
  HWND root = nullptr;
  if (hwnd) {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return nullptr;
    if (w->threadId != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    root = RootLocked(hwnd);
  }
  if (root && GetActiveWindow() != root) SetActiveWindow(root);
  HWND old = nullptr;
  {
    auto lock = UserLock();
    old = CurrentQueueLocked()->focus;
  }
  if (old == hwnd) return old;
  if (old) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  {
    auto lock = UserLock();
    if (hwnd && !FindWindowRecord(hwnd)) return old;
    CurrentQueueLocked()->focus = hwnd;
  }
  if (hwnd) SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  auto lock = UserLock();
  return CurrentQueueLocked()->focus;
}

HWND SetActiveWindow(HWND hwnd) {
  if (hwnd) {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return nullptr;
    if (w->threadId != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    hwnd = RootLocked(hwnd);
  }
  HWND old = nullptr;
  {
    auto lock = UserLock();
    old = CurrentQueueLocked()->active;
    if (old == hwnd) return old;
    CurrentQueueLocked()->active = hwnd;
  }
  if (old && IsWindow(old)) {
    SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
    SendMessageA(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), reinterpret_cast<LPARAM>(hwnd));
  }
  if (hwnd) {
    SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, IsIconic(hwnd) ? 1 : 0), reinterpret_cast<LPARAM>(old));
  } else if (old && FocusIsIn(old)) {
    SetFocus(nullptr);
  }
  return old;
}

HWND GetActiveWindow() {
  auto lock = UserLock();
  return CurrentQueueLocked()->active;
}

HWND SetCapture(HWND hwnd) {
  HWND old = nullptr;
  {
    auto lock = UserLock();
    WindowRecord* w = RecordOrError(hwnd);
    if (!w) return nullptr;
    if (w->threadId != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    ThreadQueue* q = CurrentQueueLocked();
    old = q->capture;
    q->capture = hwnd;
  }
  if (old && old != hwnd) SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  HWND old = nullptr;
  {
    auto lock = UserLock();
    ThreadQueue* q = CurrentQueueLocked();
    old = q->capture;
    q->capture = nullptr;
  }
  if (old) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  auto lock = UserLock();
  return CurrentQueueLocked()->capture;
}
