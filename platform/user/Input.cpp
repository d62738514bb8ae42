#include "platform/user/Input.h"
#include "platform/user/Resources.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <unordered_map>

#include "platform/base/Gbk.h"
#include "platform/base/RectUtil.h"
#include "platform/base/WinError.h"
#include "platform/kernel/KernelObject.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/controls/Controls.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/UserState.h"
#include "platform/user/Window.h"

namespace platform {
namespace {

constexpr UINT DOUBLE_CLICK_MS = 500;
constexpr int DOUBLE_CLICK_DISTANCE = 4;  // SM_CXDOUBLECLK
constexpr int CURSOR_BASE = 0x7F000000;  // standard cursors: this + IDC number
constexpr uint64_t MOD_SHIFT_BIT = 1ull << 32;
constexpr uint64_t MOD_CTRL_BIT = 1ull << 33;
constexpr uint64_t MOD_ALT_BIT = 1ull << 34;
constexpr uint64_t MOD_CAPS_BIT = 1ull << 35;

enum class RawKind { MOVE, BUTTON, WHEEL, KEY, TEXT };

struct RawEvent {
  RawKind kind = RawKind::MOVE;
  POINT pt{};
  int button = 0;
  bool down = false;
  int delta = 0;
  UINT vk = 0;
  UINT scan = 0;
  bool repeat = false;
  std::string text;  // GBK
  DWORD time = 0;
  // The buttons and modifiers as they were when the event happened (MK_ flags), and for keys
  // the shift, control, alt and caps-lock state that TranslateMessage types with.
  WPARAM mk = 0;
  bool shift = false, ctrl = false, alt = false, caps = false;
};

struct MoveState {
  HWND hwnd = nullptr;
  POINT startCursor{};
  RECT startRect{};
};

// Guarded by UserLock().
struct InputState {
  std::unordered_map<DWORD, std::deque<RawEvent>> pending;
  BYTE keys[256] = {};
  HCURSOR cursor = nullptr;
  int showCount = 0;
  HWND foreground = nullptr;
  HWND tracking = nullptr;  // TrackMouseEvent(TME_LEAVE)
  MoveState moving;
  HWND pressedButtonWindow = nullptr;  // a caption button pressed with the left button
  LRESULT pressedButton = 0;
  // The last button press, for double clicks.
  HWND lastDownWindow = nullptr;
  UINT lastDownMessage = 0;
  DWORD lastDownTime = 0;
  POINT lastDownPoint{};
  bool lastWasDouble = false;
  std::unordered_map<uint32_t, std::string> texts;  // text of VK_PROCESSKEY messages by id
  uint32_t nextTextId = 1;
};

InputState& Input() {
  static InputState* s = new InputState;  // never destroyed: threads may outlive static teardown
  return *s;
}

bool Down(const InputState& s, int vk) { return (s.keys[vk & 0xFF] & 0x80) != 0; }

WPARAM MouseKeys(const InputState& s) {
  WPARAM mk = 0;
  if (Down(s, VK_LBUTTON)) mk |= MK_LBUTTON;
  if (Down(s, VK_RBUTTON)) mk |= MK_RBUTTON;
  if (Down(s, VK_MBUTTON)) mk |= MK_MBUTTON;
  if (Down(s, VK_SHIFT)) mk |= MK_SHIFT;
  if (Down(s, VK_CONTROL)) mk |= MK_CONTROL;
  return mk;
}

POINT ClientOrigin(const WindowRecord* w) {
  POINT pt{0, 0};
  for (; w; w = FindWindowRecord(w->parent)) {
    pt.x += w->clientRect.left;
    pt.y += w->clientRect.top;
  }
  return pt;
}

RECT ScreenRect(const WindowRecord* w) {
  RECT rc = w->windowRect;
  if (const WindowRecord* p = FindWindowRecord(w->parent)) {
    POINT o = ClientOrigin(p);
    OffsetRect(&rc, o.x, o.y);
  }
  return rc;
}

// The deepest visible window under a point. Disabled children are passed over (the point goes
// to their parent); a disabled top-level window is returned when `disabledTop`, so that a click
// on a window under a modal dialog is dropped rather than given to a window behind it.
HWND HitWindowLocked(POINT pt, bool disabledTop) {
  for (HWND h : User().topLevel) {
    WindowRecord* w = FindWindowRecord(h);
    if (!w || !(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE)) continue;
    RECT rc = ScreenRect(w);
    if (!PtInRect(&rc, pt)) continue;
    if (w->style & WS_DISABLED) {
      if (disabledTop) return h;
      continue;
    }
    HWND found = h;
    for (bool deeper = true; deeper;) {
      deeper = false;
      WindowRecord* cur = FindWindowRecord(found);
      POINT o = ClientOrigin(cur);
      RECT client{o.x, o.y, o.x + RectWidth(cur->clientRect), o.y + RectHeight(cur->clientRect)};
      if (!PtInRect(&client, pt)) break;
      for (HWND c : cur->children) {
        WindowRecord* cw = FindWindowRecord(c);
        if (!cw || !(cw->style & WS_VISIBLE) || (cw->style & WS_DISABLED)) continue;
        RECT crc = ScreenRect(cw);
        if (PtInRect(&crc, pt)) {
          found = c;
          deeper = true;
          break;
        }
      }
    }
    return found;
  }
  return nullptr;
}

HWND CaptureWindowLocked(DWORD* thread) {
  // The capture of the foreground window's thread first, then any.
  WindowRecord* fg = FindWindowRecord(Input().foreground);
  if (fg) {
    if (ThreadQueue* q = FindQueue(fg->threadId); q && q->capture) {
      *thread = q->threadId;
      return q->capture;
    }
  }
  for (auto& [tid, q] : User().queues) {
    if (q->capture) {
      *thread = tid;
      return q->capture;
    }
  }
  return nullptr;
}

DWORD KeyboardThreadLocked() {
  WindowRecord* fg = FindWindowRecord(Input().foreground);
  if (!fg) {
    for (HWND h : User().topLevel) {
      WindowRecord* w = FindWindowRecord(h);
      if (w && (w->style & WS_VISIBLE)) {
        fg = w;
        break;
      }
    }
  }
  return fg ? fg->threadId : 0;
}

void Queue(DWORD thread, RawEvent ev) {
  if (!thread) return;
  {
    auto lock = UserLock();
    if (!FindQueue(thread)) return;
    ev.time = MessageTickCount();
    const InputState& s = Input();
    ev.mk = MouseKeys(s);
    ev.shift = Down(s, VK_SHIFT);
    ev.ctrl = Down(s, VK_CONTROL);
    ev.alt = Down(s, VK_MENU);
    ev.caps = (s.keys[VK_CAPITAL] & 1) != 0;
    Input().pending[thread].push_back(std::move(ev));
  }
  WakeQueue(thread, ev.kind == RawKind::KEY || ev.kind == RawKind::TEXT ? QS_KEY
                    : ev.kind == RawKind::MOVE                         ? QS_MOUSEMOVE
                                                                       : QS_MOUSEBUTTON);
}

void QueueMouse(RawEvent ev) {
  DWORD thread = 0;
  {
    auto lock = UserLock();
    User().cursorPos = ev.pt;
    if (!CaptureWindowLocked(&thread)) {
      WindowRecord* w = FindWindowRecord(HitWindowLocked(ev.pt, true));
      thread = w ? w->threadId : 0;
      if (ev.kind == RawKind::WHEEL) thread = KeyboardThreadLocked();
    }
    if (!thread && ev.kind == RawKind::BUTTON && ev.down) {
      // A click on no window breaks a double click.
      Input().lastDownWindow = nullptr;
    }
    if (!thread && Input().tracking) {
      // The pointer left every window: the tracked window hears of it.
      if (WindowRecord* t = FindWindowRecord(Input().tracking)) thread = t->threadId;
    }
  }
  Queue(thread, std::move(ev));
}

bool PostTo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(hwnd, message, wParam, lParam) != FALSE;
}

LPARAM PointParam(POINT pt) { return MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)); }

UINT ButtonMessage(int button, bool down, bool dbl) {
  UINT base = button == 0 ? WM_LBUTTONDOWN : button == 1 ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
  return down ? (dbl ? base + 2 : base) : base + 1;
}

void LeaveTracked(HWND now) {
  HWND tracked = nullptr;
  {
    auto lock = UserLock();
    if (Input().tracking && Input().tracking != now) {
      tracked = Input().tracking;
      Input().tracking = nullptr;
    }
  }
  if (tracked) PostTo(tracked, WM_MOUSELEAVE, 0, 0);
}

void ProcessMouse(const RawEvent& ev) {
  HWND target = nullptr;
  bool captured = false;
  bool moving = false;
  WPARAM mk = 0;
  {
    auto lock = UserLock();
    ThreadQueue* q = CurrentQueueLocked();
    if (q->capture) {
      target = q->capture;
      captured = true;
      moving = Input().moving.hwnd == target;
    } else {
      target = HitWindowLocked(ev.pt, true);
      WindowRecord* w = FindWindowRecord(target);
      if (w && w->threadId != q->threadId) target = nullptr;  // the window moved to another thread's place
    }
  }
  mk = ev.mk;
  if (ev.kind == RawKind::WHEEL) {
    HWND focus = GetFocus();
    if (!focus) focus = GetActiveWindow();
    if (focus) PostTo(focus, WM_MOUSEWHEEL, MAKEWPARAM(mk, static_cast<WORD>(ev.delta)), PointParam(ev.pt));
    return;
  }
  if (!target) {
    LeaveTracked(nullptr);
    if (ev.kind == RawKind::BUTTON && ev.down) {
      // A click on no window of this thread breaks a double click.
      auto lock = UserLock();
      Input().lastDownWindow = nullptr;
    }
    return;
  }
  if (moving) {
    if (ev.kind == RawKind::MOVE) PostTo(target, WM_NCMOUSEMOVE, HTCAPTION, PointParam(ev.pt));
    if (ev.kind == RawKind::BUTTON && ev.button == 0 && !ev.down) PostTo(target, WM_NCLBUTTONUP, HTCAPTION, PointParam(ev.pt));
    return;
  }
  LRESULT hit = HTCLIENT;
  if (!captured) {
    hit = SendMessageA(target, WM_NCHITTEST, 0, PointParam(ev.pt));
    // A child that answers HTTRANSPARENT (a static control without SS_NOTIFY) lets the
    // pointer through to its parent.
    while (hit == HTTRANSPARENT) {
      HWND parent = (GetWindowLongA(target, GWL_STYLE) & WS_CHILD) ? GetParent(target) : nullptr;
      if (!parent || GetWindowThreadProcessId(parent, nullptr) != GetCurrentThreadId()) break;
      target = parent;
      hit = SendMessageA(target, WM_NCHITTEST, 0, PointParam(ev.pt));
    }
    if (hit == HTTRANSPARENT) hit = HTNOWHERE;  // nothing below takes it
    if (!IsWindowEnabled(target)) hit = HTERROR;  // a window under a modal dialog
  }
  LeaveTracked(hit == HTCLIENT ? target : nullptr);
  if (hit == HTERROR || hit == HTNOWHERE) {
    if (ev.kind == RawKind::BUTTON && ev.down) {
      // A click on a disabled window brings its enabled pop-up (the modal dialog) forward.
      HWND popup = GetWindow(GetAncestor(target, GA_ROOT), GW_ENABLEDPOPUP);
      if (popup) SetActiveWindow(popup);
    }
    return;
  }
  POINT client = ev.pt;
  ScreenToClient(target, &client);
  if (ev.kind == RawKind::MOVE) {
    if (!captured) SendMessageA(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, WM_MOUSEMOVE));
    if (hit == HTCLIENT) {
      PostTo(target, WM_MOUSEMOVE, mk, PointParam(client));
    } else {
      PostTo(target, WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), PointParam(ev.pt));
    }
    return;
  }
  // A button.
  bool dbl = false;
  if (ev.down) {
    UINT plain = ButtonMessage(ev.button, true, false);
    if (!captured) {
      HWND root = GetAncestor(target, GA_ROOT);
      if (root && GetActiveWindow() != root) {
        LRESULT ma = SendMessageA(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root), MAKELPARAM(hit, plain));
        if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) {
          SetActiveWindow(root);
          SetForegroundWindow(root);
        }
        if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return;
      }
      SendMessageA(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, plain));
    }
    auto lock = UserLock();
    InputState& s = Input();
    WindowRecord* w = FindWindowRecord(target);
    bool classWants = hit != HTCLIENT || (w && w->cls && (w->cls->style & CS_DBLCLKS));
    if (classWants && !s.lastWasDouble && s.lastDownWindow == target && s.lastDownMessage == plain &&
        ev.time - s.lastDownTime <= DOUBLE_CLICK_MS && std::abs(ev.pt.x - s.lastDownPoint.x) <= DOUBLE_CLICK_DISTANCE / 2 &&
        std::abs(ev.pt.y - s.lastDownPoint.y) <= DOUBLE_CLICK_DISTANCE / 2) {
      dbl = true;
    }
    s.lastWasDouble = dbl;
    s.lastDownWindow = target;
    s.lastDownMessage = plain;
    s.lastDownTime = ev.time;
    s.lastDownPoint = ev.pt;
  }
  UINT message = ButtonMessage(ev.button, ev.down, dbl);
  if (hit == HTCLIENT) {
    PostTo(target, message, mk, PointParam(client));
  } else {
    // WM_NCLBUTTONDOWN and the others sit 0x160 below their client counterparts.
    PostTo(target, message - (WM_LBUTTONDOWN - WM_NCLBUTTONDOWN), static_cast<WPARAM>(hit), PointParam(ev.pt));
  }
}

void ProcessKey(const RawEvent& ev) {
  HWND target = GetFocus();
  if (!target) target = GetActiveWindow();
  bool alt = ev.alt, ctrl = ev.ctrl;
  if (!target) return;
  if (ev.kind == RawKind::TEXT) {
    uint32_t id = 0;
    {
      auto lock = UserLock();
      id = Input().nextTextId++;
      if (Input().nextTextId == 0) Input().nextTextId = 1;
      Input().texts[id] = ev.text;
      // Text that nobody translates is not kept for ever.
      while (Input().texts.size() > 64) Input().texts.erase(Input().texts.begin());
    }
    PostTo(target, WM_KEYDOWN, VK_PROCESSKEY, static_cast<LPARAM>(id) << 32 | 1);
    return;
  }
  // lParam: repeat count 1, the scan code, bit 29 with Alt, bit 30 when the key was already
  // down, bit 31 when it goes up.
  LPARAM lp = 1 | (static_cast<LPARAM>(ev.scan & 0xFF) << 16);
  bool sys = (alt && !ctrl) || ev.vk == VK_MENU || ev.vk == VK_F10;
  if (alt) lp |= 1 << 29;
  if (ev.down) {
    if (ev.repeat) lp |= 1 << 30;
  } else {
    lp |= (1u << 30) | (1u << 31);
  }
  UINT message = ev.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  // Bits 32 and up, which a 32-bit program never sees, carry the modifiers for TranslateMessage.
  uint64_t mods = (ev.shift ? MOD_SHIFT_BIT : 0) | (ev.ctrl ? MOD_CTRL_BIT : 0) | (ev.alt ? MOD_ALT_BIT : 0) |
                  (ev.caps ? MOD_CAPS_BIT : 0);
  PostTo(target, message, ev.vk, static_cast<LPARAM>(static_cast<uint64_t>(static_cast<uint32_t>(lp)) | mods));
}

// US keyboard layout: what a key types with and without shift.
std::string TranslateKey(UINT vk, LPARAM lParam) {
  if (vk == VK_PROCESSKEY) {
    auto lock = UserLock();
    uint32_t id = static_cast<uint32_t>(static_cast<uint64_t>(lParam) >> 32);
    auto it = Input().texts.find(id);
    if (it == Input().texts.end()) return {};
    std::string text = std::move(it->second);
    Input().texts.erase(it);
    return text;
  }
  uint64_t mods = static_cast<uint64_t>(lParam);
  bool shift = (mods & MOD_SHIFT_BIT) != 0, caps = (mods & MOD_CAPS_BIT) != 0;
  bool ctrl = (mods & MOD_CTRL_BIT) != 0, alt = (mods & MOD_ALT_BIT) != 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl && !alt) return std::string(1, static_cast<char>(vk - 'A' + 1));
    bool upper = shift != caps;
    return std::string(1, static_cast<char>(upper ? vk : vk - 'A' + 'a'));
  }
  if (ctrl) return {};
  if (vk >= '0' && vk <= '9') {
    static const char SHIFTED[] = ")!@#$%^&*(";
    return std::string(1, shift ? SHIFTED[vk - '0'] : static_cast<char>(vk));
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return std::string(1, static_cast<char>('0' + vk - VK_NUMPAD0));
  struct Oem {
    UINT vk;
    char plain;
    char shifted;
  };
  static const Oem OEM[] = {{VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'},
                            {VK_OEM_MINUS, '-', '_'},  {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
                            {VK_OEM_3, '`', '~'},      {VK_OEM_4, '[', '{'},    {VK_OEM_5, '\\', '|'},
                            {VK_OEM_6, ']', '}'},      {VK_OEM_7, '\'', '"'},   {VK_MULTIPLY, '*', '*'},
                            {VK_ADD, '+', '+'},        {VK_SUBTRACT, '-', '-'}, {VK_DECIMAL, '.', '.'},
                            {VK_DIVIDE, '/', '/'}};
  for (const Oem& o : OEM) {
    if (o.vk == vk) return std::string(1, shift ? o.shifted : o.plain);
  }
  if (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_SPACE) {
    return std::string(1, static_cast<char>(vk));
  }
  return {};
}

void EnsureTranslator() {
  static bool installed = (SetKeyTranslator(&TranslateKey), true);
  (void)installed;
}

HCURSOR StandardCursor(WORD id) { return reinterpret_cast<HCURSOR>(static_cast<intptr_t>(CURSOR_BASE + id)); }

void NotifyCursor() {
  HCURSOR c = nullptr;
  bool shown = false;
  {
    auto lock = UserLock();
    c = Input().cursor;
    shown = Input().showCount >= 0;
  }
  if (auto sink = GetDisplaySink()) sink->CursorChanged(c, shown);
}

HCURSOR CursorForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT:
      return StandardCursor(32644);
    case HTTOP:
    case HTBOTTOM:
      return StandardCursor(32645);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      return StandardCursor(32642);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      return StandardCursor(32643);
    default:
      return StandardCursor(32512);
  }
}

}  // namespace

void InjectMouseMove(POINT screen) {
  EnsureTranslator();
  RawEvent ev;
  ev.kind = RawKind::MOVE;
  ev.pt = screen;
  QueueMouse(std::move(ev));
}

void InjectMouseButton(int button, bool down, POINT screen) {
  if (button < 0 || button > 2) return;
  EnsureTranslator();
  {
    auto lock = UserLock();
    static const int VKS[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    BYTE& k = Input().keys[VKS[button]];
    k = down ? static_cast<BYTE>((k | 0x80) ^ 1) : static_cast<BYTE>(k & ~0x80);
  }
  RawEvent ev;
  ev.kind = RawKind::BUTTON;
  ev.pt = screen;
  ev.button = button;
  ev.down = down;
  QueueMouse(std::move(ev));
}

void InjectMouseWheel(int delta, POINT screen) {
  EnsureTranslator();
  RawEvent ev;
  ev.kind = RawKind::WHEEL;
  ev.pt = screen;
  ev.delta = delta;
  QueueMouse(std::move(ev));
}

void InjectKey(UINT vk, bool down, UINT scan) {
  if (vk == 0 || vk > 0xFE) return;
  EnsureTranslator();
  RawEvent ev;
  ev.kind = RawKind::KEY;
  ev.vk = vk;
  ev.scan = scan;
  ev.down = down;
  DWORD thread = 0;
  {
    auto lock = UserLock();
    BYTE* keys = Input().keys;
    ev.repeat = down && (keys[vk] & 0x80);
    auto set = [&](UINT k) {
      if (down) {
        if (!(keys[k] & 0x80)) keys[k] ^= 1;  // the toggle flips on each new press
        keys[k] |= 0x80;
      } else {
        keys[k] &= static_cast<BYTE>(~0x80);
      }
    };
    set(vk);
    // The generic modifier keys follow their left and right keys, and the other way round.
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) set(VK_SHIFT);
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) set(VK_CONTROL);
    if (vk == VK_LMENU || vk == VK_RMENU) set(VK_MENU);
    thread = KeyboardThreadLocked();
  }
  // Programs see the generic codes, as Win32 gives them in key messages.
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) ev.vk = VK_SHIFT;
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) ev.vk = VK_CONTROL;
  if (vk == VK_LMENU || vk == VK_RMENU) ev.vk = VK_MENU;
  Queue(thread, std::move(ev));
}

void InjectText(const std::string& utf8) {
  EnsureTranslator();
  std::string gbk = Utf8ToGbk(utf8);
  std::string kept;
  // ASCII comes from the keys themselves; characters GBK lacks cannot reach an ANSI window.
  for (size_t i = 0; i < gbk.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(gbk[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) {
      kept += gbk.substr(i, 2);
      ++i;
    }
  }
  if (kept.empty()) return;
  RawEvent ev;
  ev.kind = RawKind::TEXT;
  ev.text = kept;
  DWORD thread = 0;
  {
    auto lock = UserLock();
    thread = KeyboardThreadLocked();
  }
  Queue(thread, std::move(ev));
}

void ResetInputState() {
  auto lock = UserLock();
  for (BYTE& k : Input().keys) k &= 1;
}

bool HasPendingInputLocked(DWORD threadId) {
  auto it = Input().pending.find(threadId);
  return it != Input().pending.end() && !it->second.empty();
}

void ForgetThreadInputLocked(DWORD threadId) { Input().pending.erase(threadId); }

bool ProcessOneInput(DWORD threadId) {
  RawEvent ev;
  {
    auto lock = UserLock();
    auto it = Input().pending.find(threadId);
    if (it == Input().pending.end() || it->second.empty()) return false;
    ev = std::move(it->second.front());
    it->second.pop_front();
  }
  if (ev.kind == RawKind::KEY || ev.kind == RawKind::TEXT) {
    ProcessKey(ev);
  } else {
    ProcessMouse(ev);
  }
  return true;
}

bool DefInputProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_SETCURSOR: {
      HWND parent = nullptr;
      HCURSOR classCursor = nullptr;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (!w) return false;
        if (w->style & WS_CHILD) parent = w->parent;
        if (w->cls) classCursor = w->cls->cursor;
      }
      // The parent decides first.
      if (parent && SendMessageA(parent, WM_SETCURSOR, wParam, lParam)) {
        *result = TRUE;
        return true;
      }
      LRESULT hit = static_cast<SHORT>(LOWORD(lParam));
      if (reinterpret_cast<HWND>(wParam) != hwnd) {
        // Asked on behalf of a child: the child sets its own cursor.
        *result = FALSE;
      } else if (hit == HTCLIENT) {
        if (classCursor) SetCursor(classCursor);
        *result = classCursor ? TRUE : FALSE;
      } else {
        SetCursor(CursorForHit(hit));
        *result = TRUE;
      }
      return true;
    }
    case WM_MOUSEWHEEL: {
      HWND parent = nullptr;
      {
        auto lock = UserLock();
        WindowRecord* w = FindWindowRecord(hwnd);
        if (w && (w->style & WS_CHILD)) parent = w->parent;
      }
      *result = parent ? SendMessageA(parent, message, wParam, lParam) : 0;
      return true;
    }
    case WM_NCLBUTTONDOWN: {
      *result = 0;
      if (wParam == HTCAPTION) {
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        {
          auto lock = UserLock();
          Input().moving = MoveState{hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, rc};
        }
        SetActiveWindow(GetAncestor(hwnd, GA_ROOT));
        SetCapture(hwnd);
        SendMessageA(hwnd, WM_ENTERSIZEMOVE, 0, 0);
      } else if (wParam == HTVSCROLL || wParam == HTHSCROLL) {
        TrackWindowScrollBar(hwnd, wParam == HTVSCROLL ? SB_VERT : SB_HORZ,
                             POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      } else if (wParam == HTCLOSE || wParam == HTMAXBUTTON || wParam == HTMINBUTTON) {
        auto lock = UserLock();
        Input().pressedButtonWindow = hwnd;
        Input().pressedButton = static_cast<LRESULT>(wParam);
      }
      return true;
    }
    case WM_NCMOUSEMOVE: {
      *result = 0;
      MoveState m;
      {
        auto lock = UserLock();
        m = Input().moving;
      }
      if (m.hwnd != hwnd) return true;
      int dx = GET_X_LPARAM(lParam) - m.startCursor.x;
      int dy = GET_Y_LPARAM(lParam) - m.startCursor.y;
      RECT rc = m.startRect;
      POINT pt{rc.left + dx, rc.top + dy};
      if (HWND parent = GetAncestor(hwnd, GA_PARENT)) ScreenToClient(parent, &pt);
      SetWindowPos(hwnd, nullptr, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return true;
    }
    case WM_CAPTURECHANGED:
    case WM_NCLBUTTONUP: {
      *result = 0;
      bool wasMoving = false;
      LRESULT button = 0;
      {
        auto lock = UserLock();
        if (Input().moving.hwnd == hwnd) {
          Input().moving = MoveState{};
          wasMoving = true;
        }
        if (message == WM_NCLBUTTONUP && Input().pressedButtonWindow == hwnd &&
            Input().pressedButton == static_cast<LRESULT>(wParam)) {
          button = Input().pressedButton;
        }
        Input().pressedButtonWindow = nullptr;
      }
      if (wasMoving) {
        if (message == WM_NCLBUTTONUP && GetCapture() == hwnd) ReleaseCapture();
        SendMessageA(hwnd, WM_EXITSIZEMOVE, 0, 0);
      }
      if (button == HTCLOSE) SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      if (button == HTMINBUTTON) SendMessageA(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, lParam);
      if (button == HTMAXBUTTON) SendMessageA(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
      return message == WM_NCLBUTTONUP;
    }
    default:
      return false;
  }
}

}  // namespace platform

using namespace platform;

SHORT GetKeyState(int vk) {
  auto lock = UserLock();
  BYTE k = Input().keys[vk & 0xFF];
  return static_cast<SHORT>(((k & 0x80) ? 0xFF80 : 0) | (k & 1));
}

SHORT GetAsyncKeyState(int vk) {
  auto lock = UserLock();
  return static_cast<SHORT>((Input().keys[vk & 0xFF] & 0x80) ? 0x8000 : 0);
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = UserCursorPos();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  RECT screen = UserScreenRect();
  POINT pt{std::clamp<LONG>(x, screen.left, screen.right - 1), std::clamp<LONG>(y, screen.top, screen.bottom - 1)};
  SetUserCursorPos(pt);
  if (auto sink = GetDisplaySink()) sink->WarpPointer(pt);
  InjectMouseMove(pt);
  return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  // A program instance names the program's own cursor resources (Resources.h) first.
  if (instance) {
    if (HCURSOR own = platform::LoadProgramCursor(name)) return own;
  }
  if (!IS_INTRESOURCE(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  WORD id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
  switch (id) {
    case 32512: case 32513: case 32514: case 32515: case 32642: case 32643: case 32644: case 32645:
    case 32646: case 32648: case 32649:
      return StandardCursor(id);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = nullptr;
  {
    auto lock = UserLock();
    old = Input().cursor;
    Input().cursor = cursor;
  }
  if (old != cursor) NotifyCursor();
  return old;
}

HCURSOR GetCursor() {
  auto lock = UserLock();
  return Input().cursor;
}

int ShowCursor(BOOL show) {
  int count = 0;
  {
    auto lock = UserLock();
    count = Input().showCount += show ? 1 : -1;
  }
  NotifyCursor();
  return count;
}

UINT GetDoubleClickTime() { return DOUBLE_CLICK_MS; }

HWND WindowFromPoint(POINT point) {
  auto lock = UserLock();
  return HitWindowLocked(point, false);
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  auto lock = UserLock();
  WindowRecord* p = FindWindowRecord(parent);
  if (!p) return nullptr;
  RECT client{0, 0, RectWidth(p->clientRect), RectHeight(p->clientRect)};
  if (!PtInRect(&client, point)) return nullptr;
  for (HWND c : p->children) {
    WindowRecord* cw = FindWindowRecord(c);
    if (cw && PtInRect(&cw->windowRect, point)) return c;
  }
  return parent;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
  if (!track || track->cbSize < sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool leaveNow = false;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(track->hwndTrack);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (!(track->dwFlags & TME_LEAVE)) return TRUE;
    if (track->dwFlags & TME_CANCEL) {
      if (Input().tracking == track->hwndTrack) Input().tracking = nullptr;
      return TRUE;
    }
    // A pointer that is not over the window already left it.
    if (HitWindowLocked(User().cursorPos, false) != track->hwndTrack) {
      leaveNow = true;
    } else {
      Input().tracking = track->hwndTrack;
    }
  }
  if (leaveNow) PostMessageA(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
  return TRUE;
}

BOOL SetForegroundWindow(HWND hwnd) {
  bool own = false;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return FALSE;
    while (w->parent) w = FindWindowRecord(w->parent);
    Input().foreground = w->hwnd;
    own = w->threadId == GetCurrentThreadId();
    hwnd = w->hwnd;
  }
  if (own && GetActiveWindow() != hwnd) SetActiveWindow(hwnd);
  return TRUE;
}

HWND GetForegroundWindow() {
  auto lock = UserLock();
  return FindWindowRecord(Input().foreground) ? Input().foreground : nullptr;
}

BOOL SystemParametersInfoA(UINT action, UINT, PVOID data, UINT) {
  if (action == SPI_GETWORKAREA && data) {
    *static_cast<RECT*>(data) = UserScreenRect();
    return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
