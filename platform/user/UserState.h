// The shared state of the window system: window records, class records, per-thread queues, and
// the one lock that guards them. This header is for the window layer itself and for the layers
// built on it (painting, input, the display); the program's code uses the Win32 calls instead.
//
// Locking. Every record here is read and changed under UserLock(). Window procedures, timer
// procedures and enumeration call-backs always run with the lock released, because they call
// back into the layer. The kernel's wait lock comes first: a wait predicate may take UserLock()
// while the wait lock is held, so no code may wait or call platform::NotifyWaiters while it holds
// UserLock().
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/user/WinUser.h"

namespace platform {

struct ClassRecord {
  ATOM atom = 0;
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;  // empty when the menu was given by number or not at all
  LPCSTR menuNameRaw = nullptr;
  int windowCount = 0;
};

struct WindowRecord {
  HWND hwnd = nullptr;
  std::shared_ptr<ClassRecord> cls;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // null for top-level windows
  HWND owner = nullptr;   // top-level windows only
  DWORD threadId = 0;
  HINSTANCE instance = nullptr;
  // GWL_ID for child windows; the menu handle for top-level windows (kept in the same field, as
  // Win32 does).
  UINT_PTR id = 0;
  // Both rectangles are in the parent's client coordinates (screen coordinates for top-level
  // windows). The client rectangle is what WM_NCCALCSIZE left inside the window rectangle (the
  // frame and caption of NonClient.h by default); a minimised window has an empty one.
  RECT windowRect{};
  RECT clientRect{};
  RECT restoreRect{};  // the rectangle to go back to after SW_RESTORE
  std::string text;    // GBK
  LONG_PTR userData = 0;
  WNDPROC proc = nullptr;
  std::vector<BYTE> extra;
  // Children in z-order, topmost first.
  std::vector<HWND> children;
  bool destroying = false;  // DestroyWindow has begun
};

struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;     // the result is there (the procedure returned or ReplyMessage was called)
};

struct TimerRecord {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  ULONGLONG due = 0;   // in milliseconds of the monotonic clock
  bool fired = false;  // due and not yet retrieved
};

struct ThreadQueue {
  DWORD threadId = 0;
  bool alive = true;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> incoming;
  std::vector<TimerRecord> timers;
  UINT_PTR nextThreadTimerId = 0x7FF0;
  // Changes whenever a timer of this queue is set or killed, so that a waiting thread looks
  // again at when its next timer is due.
  uint64_t timerSerial = 0;
  bool quitPending = false;
  int quitCode = 0;
  // QS_ bits of what arrived since the thread last looked at its queue.
  UINT changedBits = 0;
  // Messages of this thread's windows: the last one retrieved, for GetMessageTime/GetMessagePos.
  DWORD lastTime = 0;
  POINT lastPos{};
  // The sent messages the thread is processing now, innermost last.
  std::vector<std::shared_ptr<SentMessage>> processing;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
};

struct UserState {
  std::unordered_map<uint32_t, std::unique_ptr<WindowRecord>> windows;
  // Top-level windows in z-order, topmost first.
  std::vector<HWND> topLevel;
  std::vector<std::shared_ptr<ClassRecord>> classes;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
  ATOM nextAtom = 0xC000;
  POINT cursorPos{};
  RECT screenRect{0, 0, 1024, 768};
};

std::unique_lock<std::mutex> UserLock();
// The state; only with UserLock() held.
UserState& User();

// Handle values: see AllocateWindowHandle in UserState.cpp. 0 when none is left. Under the lock.
uint32_t AllocateWindowHandle();
inline uint32_t HwndKey(HWND hwnd) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)); }
inline HWND KeyHwnd(uint32_t key) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(key)); }

// True when `hwnd` is `ancestor` or lies below it. Under the lock.
bool IsSelfOrDescendant(HWND ancestor, HWND hwnd);

// Lookups, under the lock. A window is found until its WM_NCDESTROY has been sent.
WindowRecord* FindWindowRecord(HWND hwnd);
ThreadQueue* FindQueue(DWORD threadId);
// The calling thread's queue, made on first use. Takes the lock itself.
std::shared_ptr<ThreadQueue> CurrentQueue();
// Same, with the lock already held.
ThreadQueue* CurrentQueueLocked();

// Milliseconds of the clock that timers read (a test may stop it), and GetTickCount (message
// times).
ULONGLONG MonotonicMs();
// Milliseconds of the system's monotonic clock, which the time-outs of waits are measured on.
ULONGLONG WaitClockMs();
DWORD MessageTickCount();

// Queue status bits that a posted message sets.
UINT PostedMessageBits(UINT message);

// Messages of a window that is being destroyed are removed from its thread's queue, with its
// timers. Under the lock.
void PurgeWindowMessages(HWND hwnd);

// The siblings list a window is in (its parent's children or the top-level list). Under the lock.
std::vector<HWND>& SiblingList(const WindowRecord& w);

// The position of the cursor on the screen, which message records carry. The input layer keeps
// it current.
POINT UserCursorPos();
void SetUserCursorPos(POINT pt);
// The screen rectangle used for maximised windows until the display layer tells the real one.
RECT UserScreenRect();
void SetUserScreenRect(const RECT& rc);

// Called by the thread-exit hook: destroys nothing by messages, but makes every window of the
// thread invalid and removes its queue, completing the sent messages that waited in it.
void RetireThreadQueue(DWORD threadId);

// A source of synthesized messages (WM_PAINT comes from the painting layer this way). It is asked
// after posted messages and WM_QUIT and before timers, with the lock released; it fills `out` and
// returns true when it has a message for the filter. `remove` is false for PM_NOREMOVE.
using SynthesizedMessageSource =
    std::function<bool(DWORD threadId, HWND filter, UINT first, UINT last, bool remove, MSG* out)>;
void SetPaintMessageSource(SynthesizedMessageSource source);
SynthesizedMessageSource GetPaintMessageSource();
// Marks new input of the given QS_ bits on a thread's queue and wakes its waits (for the painting
// and input layers).
void WakeQueue(DWORD threadId, UINT bits);

}  // namespace platform
