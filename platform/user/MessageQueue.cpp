#include "platform/user/MessageQueue.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/base/WinError.h"
#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Time.h"
#include "platform/kernel/Threads.h"
#include "platform/user/ForeignWindows.h"
#include "platform/user/Input.h"
#include "platform/user/UserState.h"
#include "platform/user/Window.h"

namespace platform {
namespace {

const HWND THREAD_MESSAGES_ONLY = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

bool InRange(UINT message, UINT first, UINT last) {
  if (first == 0 && last == 0) return true;
  if (first <= last) return message >= first && message <= last;
  // A reversed range selects everything outside it, as Win32 does.
  return message >= first || message <= last;
}

// A window filter takes the window's own messages and those of the windows below it; -1 takes
// only messages posted to the thread itself.
bool MatchesWindow(HWND filter, HWND target) {
  if (!filter) return true;
  if (filter == THREAD_MESSAGES_ONLY) return target == nullptr;
  return target && IsSelfOrDescendant(filter, target);
}

// The QS_ bits of what the queue holds now. Under the lock.
UINT PresentBits(const ThreadQueue& q) {
  UINT bits = 0;
  for (const MSG& m : q.posted) bits |= PostedMessageBits(m.message);
  if (!q.incoming.empty()) bits |= QS_SENDMESSAGE;
  if (q.quitPending) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  for (const TimerRecord& t : q.timers) {
    if (t.fired) bits |= QS_TIMER;
  }
  return bits;
}

// Marks the timers that have come due; returns the time the next one comes due (0 for none).
// Under the lock.
ULONGLONG UpdateTimers(ThreadQueue& q, ULONGLONG now) {
  ULONGLONG next = 0;
  for (TimerRecord& t : q.timers) {
    if (!t.fired && t.due <= now) {
      t.fired = true;
      q.changedBits |= QS_TIMER;
    }
    if (!t.fired && (next == 0 || t.due < next)) next = t.due;
  }
  return next;
}

bool HasInput(ThreadQueue& q, UINT mask, bool inputAvailable) {
  if (!q.alive || IsTerminateRequested()) return true;
  if (q.changedBits & mask) return true;
  if ((mask & QS_INPUT) && HasPendingInputLocked(q.threadId)) return true;
  // A sent message counts until it has run, even when its arrival was seen: its sender waits,
  // and a look at the queue that raced with its arrival must not put the thread to sleep on it.
  if ((mask & QS_SENDMESSAGE) && !q.incoming.empty()) return true;
  return inputAvailable && (PresentBits(q) & mask);
}

std::atomic<bool (*)(DWORD, std::vector<pollfd>*)> g_claimDescriptors{nullptr};
std::atomic<bool (*)(DWORD, const std::vector<pollfd>&)> g_releaseDescriptors{nullptr};
std::atomic<void (*)()> g_handOverDescriptors{nullptr};

// Hands the descriptors a wait released to the poll thread when the thread leaves its wait.
struct HandOver {
  bool wanted = false;
  ~HandOver() {
    if (!wanted) return;
    auto handOver = g_handOverDescriptors.load(std::memory_order_acquire);
    if (handOver) handOver();
  }
};

// Waits until one of the objects is signalled (WAIT_OBJECT_0 + i), input of the kinds in `mask`
// is there (WAIT_OBJECT_0 + count) or the time is over (WAIT_TIMEOUT). Timers that come due during
// the wait count as input; the wait wakes for them even though nobody notifies.
DWORD WaitForInputOr(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, UINT mask,
                     bool inputAvailable) {
  std::shared_ptr<ThreadQueue> q = CurrentQueue();
  HandOver handOver;
  // The caller's time-out runs on the real clock; timers run on the clock a test may stop, which
  // wakes this wait when it is moved.
  const ULONGLONG start = WaitClockMs();
  for (;;) {
    const ULONGLONG now = WaitClockMs();
    const ULONGLONG timerNow = MonotonicMs();
    ULONGLONG nextTimer = 0;
    bool ready = false;
    uint64_t serial = 0;
    const ULONGLONG moves = ClockMoves();
    {
      auto lock = UserLock();
      nextTimer = UpdateTimers(*q, timerNow);
      ready = HasInput(*q, mask, inputAvailable);
      serial = q->timerSerial;
    }
    DWORD waitMs = INFINITE;
    if (milliseconds != INFINITE) {
      ULONGLONG end = start + milliseconds;
      waitMs = now >= end ? 0 : static_cast<DWORD>(end - now);
    }
    if (nextTimer != 0 && (mask & QS_TIMER) && !IsClockStopped()) {
      // Timers are due on the clock, which may run faster than the real time the wait counts.
      ULONGLONG untilTimer = ClockToRealMilliseconds(nextTimer > timerNow ? nextTimer - timerNow : 0);
      if (waitMs == INFINITE || untilTimer < waitMs) waitMs = static_cast<DWORD>(untilTimer);
    }
    if (ready) waitMs = 0;
    auto extra = [&]() {
      auto lock = UserLock();
      return ready || HasInput(*q, mask, inputAvailable) || q->timerSerial != serial || ClockMoves() != moves;
    };
    DWORD r;
    if (count == 0 && waitMs == 0) {
      r = extra() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    } else {
      // The sockets selected to this thread's windows are watched in this same wait, so that
      // their events become messages without passing through another thread.
      // What the thread put off until it blocks is handed over before its sockets are claimed,
      // so that the claim sees it.
      if (waitMs != 0) BeforeBlocking();
      thread_local std::vector<pollfd> fds;
      fds.clear();
      auto claim = g_claimDescriptors.load(std::memory_order_acquire);
      auto release = g_releaseDescriptors.load(std::memory_order_acquire);
      const DWORD self = GetCurrentThreadId();
      const bool watching =
          waitMs != 0 && claim && release && ThreadCanWaitOnDescriptors() && claim(self, &fds) && !fds.empty();
      if (watching) {
        // What an earlier round released is watched by this round again.
        handOver.wanted = false;
        bool seen = false;
        r = WaitForObjectsOrDescriptors(count, handles, waitAll, waitMs, extra, fds.data(), fds.size(), &seen);
        if (!seen) {
          for (pollfd& p : fds) p.revents = 0;
        }
        handOver.wanted = release(self, fds);
      } else {
        r = WaitForObjectsOr(count, handles, waitAll, waitMs, extra);
      }
    }
    if (r == WAIT_FAILED) return r;
    if (r < WAIT_OBJECT_0 + count) return r;
    if (r == WAIT_OBJECT_0 + count) {
      auto lock = UserLock();
      UpdateTimers(*q, MonotonicMs());
      if (HasInput(*q, mask, inputAvailable)) return WAIT_OBJECT_0 + count;
      continue;  // only the timers changed: look again at when the next one is due
    }
    // The wait timed out: either a timer came due or the caller's time is over.
    if (milliseconds != INFINITE && WaitClockMs() >= start + milliseconds) {
      auto lock = UserLock();
      UpdateTimers(*q, MonotonicMs());
      return HasInput(*q, mask, inputAvailable) ? WAIT_OBJECT_0 + count : WAIT_TIMEOUT;
    }
  }
}

// Runs every sent message that waits in the calling thread's queue. Returns whether there was one.
bool ProcessIncomingSent() {
  bool any = false;
  for (;;) {
    std::shared_ptr<SentMessage> sent;
    {
      auto lock = UserLock();
      ThreadQueue* q = CurrentQueueLocked();
      if (q->incoming.empty()) break;
      sent = q->incoming.front();
      q->incoming.pop_front();
      q->processing.push_back(sent);
    }
    any = true;
    LRESULT result = CallWindowProcedure(sent->hwnd, sent->message, sent->wParam, sent->lParam);
    {
      auto lock = UserLock();
      ThreadQueue* q = CurrentQueueLocked();
      q->processing.pop_back();
      if (!sent->done) {
        sent->result = result;
        sent->done = true;
      }
    }
    NotifyMessageWaiters();
  }
  return any;
}

enum class SendOutcome { DONE, TIMED_OUT, FAILED };

// A window that is not one of this process's: the router reaches it when one is installed.
BOOL SendToForeignWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout, LRESULT* result) {
  const platform::ForeignWindowRouter* router = hwnd ? platform::GetForeignWindowRouter() : nullptr;
  if (!router) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return router->send(hwnd, message, wParam, lParam, timeout, result);
}

// Queues a message to a window of another thread and waits for its result, running the sent
// messages that reach this thread meanwhile (two threads may send to each other).
SendOutcome SendToOtherThread(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout,
                              LRESULT* result) {
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = hwnd;
  sent->message = message;
  sent->wParam = wParam;
  sent->lParam = lParam;
  std::shared_ptr<ThreadQueue> me = CurrentQueue();
  std::shared_ptr<ThreadQueue> target;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    auto it = w ? User().queues.find(w->threadId) : User().queues.end();
    if (!w || it == User().queues.end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return SendOutcome::FAILED;
    }
    target = it->second;
    target->incoming.push_back(sent);
    target->changedBits |= QS_SENDMESSAGE;
  }
  NotifyMessageWaiters();
  const ULONGLONG start = WaitClockMs();
  for (;;) {
    ProcessIncomingSent();
    DWORD waitMs = INFINITE;
    {
      auto lock = UserLock();
      if (sent->done) {
        *result = sent->result;
        return SendOutcome::DONE;
      }
      if (timeout != INFINITE) {
        ULONGLONG now = WaitClockMs();
        if (now >= start + timeout) {
          // Withdraw a message the receiver has not begun, so that it never reads parameters
          // (a WM_COPYDATA block, a text buffer) that belong to a sender who has given up.
          auto& in = target->incoming;
          in.erase(std::remove(in.begin(), in.end(), sent), in.end());
          *result = 0;
          return SendOutcome::TIMED_OUT;
        }
        waitMs = static_cast<DWORD>(start + timeout - now);
      }
    }
    WaitForObjectsOr(0, nullptr, FALSE, waitMs, [&]() {
      auto lock = UserLock();
      return sent->done || !me->incoming.empty();
    });
  }
}

LRESULT SendDirect(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  {
    auto lock = UserLock();
    CurrentQueueLocked()->processing.push_back(nullptr);
  }
  LRESULT r = CallWindowProcedure(hwnd, message, wParam, lParam);
  {
    auto lock = UserLock();
    CurrentQueueLocked()->processing.pop_back();
  }
  return r;
}

// Looks for a message for the filter; fills `out` and returns true when there is one.
bool Retrieve(MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  // A thread asked to stop with TerminateThread gets WM_QUIT before anything else, every time it
  // looks, so that whichever loop it is in ends.
  if (IsTerminateRequested()) {
    *out = MSG{nullptr, WM_QUIT, 0, 0, MessageTickCount(), UserCursorPos()};
    return true;
  }
  ProcessIncomingSent();
  for (;;) {
    {
      auto lock = UserLock();
      ThreadQueue* q = CurrentQueueLocked();
      q->changedBits = 0;
      for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
        if (MatchesWindow(filter, it->hwnd) && InRange(it->message, first, last)) {
          *out = *it;
          if (remove) q->posted.erase(it);
          q->lastTime = out->time;
          q->lastPos = out->pt;
          return true;
        }
      }
    }
    // Device events become messages one at a time, when nothing posted is waiting, so that a
    // WM_CHAR that TranslateMessage makes from a key comes before the next key's messages, as
    // in Win32's input queue. Processing sends messages whose handlers may look at the queue
    // again; such an inner look leaves the events to this one.
    thread_local bool processing = false;
    if (processing) break;
    processing = true;
    bool took = ProcessOneInput(GetCurrentThreadId());
    processing = false;
    if (!took) break;
  }
  {
    auto lock = UserLock();
    ThreadQueue* q = CurrentQueueLocked();
    if (q->quitPending) {
      *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0, MessageTickCount(), User().cursorPos};
      if (remove) q->quitPending = false;
      q->lastTime = out->time;
      q->lastPos = out->pt;
      return true;
    }
  }
  if (SynthesizedMessageSource source = GetPaintMessageSource()) {
    if (source(GetCurrentThreadId(), filter, first, last, remove, out)) return true;
  }
  auto lock = UserLock();
  ThreadQueue* q = CurrentQueueLocked();
  if (!InRange(WM_TIMER, first, last)) return false;
  ULONGLONG now = MonotonicMs();
  UpdateTimers(*q, now);
  for (TimerRecord& t : q->timers) {
    if (!t.fired || !MatchesWindow(filter, t.hwnd)) continue;
    *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), MessageTickCount(), User().cursorPos};
    if (remove) {
      // The next period starts when this tick is taken, so a slow handler delays the next tick
      // instead of letting ticks pile up.
      t.fired = false;
      t.due = now + t.elapse;
    }
    q->lastTime = out->time;
    q->lastPos = out->pt;
    return true;
  }
  return false;
}

std::mutex& TranslatorLock() {
  static std::mutex* m = new std::mutex;
  return *m;
}
KeyTranslator& TranslatorObject() {
  static KeyTranslator* t = new KeyTranslator;
  return *t;
}

KeyTranslator CurrentKeyTranslator() {
  std::lock_guard<std::mutex> g(TranslatorLock());
  return TranslatorObject();
}

std::string DefaultKeyTranslation(UINT vk) {
  if (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_SPACE ||
      (vk >= '0' && vk <= '9')) {
    return std::string(1, static_cast<char>(vk));
  }
  if (vk >= 'A' && vk <= 'Z') return std::string(1, static_cast<char>(vk - 'A' + 'a'));
  return {};
}

}  // namespace

void SetKeyTranslator(KeyTranslator translator) {
  std::lock_guard<std::mutex> g(TranslatorLock());
  TranslatorObject() = std::move(translator);
}

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) return 0;
    proc = w->proc;
  }
  return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace platform

using namespace platform;

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool remove = (removeFlags & PM_REMOVE) != 0;
  if (Retrieve(msg, hwnd, filterMin, filterMax, remove)) return TRUE;
  // A thread that only peeks never waits: it looks at the sockets selected to its windows here.
  auto claim = g_claimDescriptors.load(std::memory_order_acquire);
  auto release = g_releaseDescriptors.load(std::memory_order_acquire);
  if (!claim || !release) return FALSE;
  thread_local std::vector<pollfd> fds;
  fds.clear();
  const DWORD self = GetCurrentThreadId();
  HandOver handOver;
  if (!claim(self, &fds)) {
    handOver.wanted = release(self, fds);
    return Retrieve(msg, hwnd, filterMin, filterMax, remove) ? TRUE : FALSE;
  }
  if (::poll(fds.data(), fds.size(), 0) <= 0) {
    for (pollfd& p : fds) p.revents = 0;
  }
  handOver.wanted = release(self, fds);
  return Retrieve(msg, hwnd, filterMin, filterMax, remove) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (hwnd && hwnd != THREAD_MESSAGES_ONLY && !IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  for (;;) {
    if (Retrieve(msg, hwnd, filterMin, filterMax, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    WaitForInputOr(0, nullptr, FALSE, INFINITE, QS_ALLINPUT, false);
  }
}

BOOL WaitMessage() {
  return WaitForInputOr(0, nullptr, FALSE, INFINITE, QS_ALLINPUT, false) == WAIT_OBJECT_0 ? TRUE : FALSE;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask) {
  return WaitForInputOr(count, handles, waitAll, milliseconds, wakeMask, false);
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                  DWORD flags) {
  return WaitForInputOr(count, handles, (flags & MWMO_WAITALL) ? TRUE : FALSE, milliseconds, wakeMask,
                        (flags & MWMO_INPUTAVAILABLE) != 0);
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) {
    return msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP;
  }
  KeyTranslator translator = CurrentKeyTranslator();
  std::string chars = translator ? translator(static_cast<UINT>(msg->wParam), msg->lParam)
                                 : DefaultKeyTranslation(static_cast<UINT>(msg->wParam));
  UINT charMessage = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  for (char ch : chars) {
    PostMessageA(msg->hwnd, charMessage, static_cast<WPARAM>(static_cast<BYTE>(ch)), msg->lParam);
  }
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    // Only a procedure of a timer that exists is called, so that a posted WM_TIMER with a made-up
    // lParam cannot make the thread jump to an arbitrary address.
    TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    bool known = false;
    {
      auto lock = UserLock();
      ThreadQueue* q = CurrentQueueLocked();
      for (const TimerRecord& t : q->timers) {
        if (t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc) known = true;
      }
    }
    if (!known) return 0;
    proc(msg->hwnd, WM_TIMER, msg->wParam, MessageTickCount());
    return 0;
  }
  if (!msg->hwnd) return 0;
  DWORD owner = 0;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(msg->hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    owner = w->threadId;
  }
  if (owner != GetCurrentThreadId()) return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  return CallWindowProcedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

namespace {

// As on Windows, a queue holds at most this many posted messages; further posts fail, so a peer
// that floods a thread which is not reading cannot grow memory without end.
const size_t POSTED_MESSAGE_LIMIT = 10000;

BOOL PostToQueue(ThreadQueue* q, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (q->posted.size() >= POSTED_MESSAGE_LIMIT) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  q->posted.push_back(MSG{hwnd, message, wParam, lParam, MessageTickCount(), User().cursorPos});
  q->changedBits |= PostedMessageBits(message);
  return TRUE;
}

std::vector<HWND> TopLevelSnapshot() {
  auto lock = UserLock();
  return User().topLevel;
}

}  // namespace

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND top : TopLevelSnapshot()) PostMessageA(top, message, wParam, lParam);
    return TRUE;
  }
  DWORD target = GetCurrentThreadId();
  {
    auto lock = UserLock();
    if (!hwnd) {
      if (!PostToQueue(CurrentQueueLocked(), nullptr, message, wParam, lParam)) return FALSE;
    } else {
      WindowRecord* w = FindWindowRecord(hwnd);
      ThreadQueue* q = w ? FindQueue(w->threadId) : nullptr;
      if (!w) {
        if (const platform::ForeignWindowRouter* router = platform::GetForeignWindowRouter()) {
          lock.unlock();
          return router->post(hwnd, message, wParam, lParam);
        }
      }
      if (!q) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
      }
      if (!PostToQueue(q, hwnd, message, wParam, lParam)) return FALSE;
      target = q->threadId;
    }
  }
  // Only the receiving thread's waits can be ended by the message.
  NotifyThreadMessageWaiters(target);
  return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  {
    auto lock = UserLock();
    ThreadQueue* q = FindQueue(threadId);
    if (!q) {
      // A thread that has not yet made its queue cannot receive; callers retry until it has.
      SetLastError(ERROR_INVALID_THREAD_ID);
      return FALSE;
    }
    if (!PostToQueue(q, nullptr, message, wParam, lParam)) return FALSE;
  }
  NotifyThreadMessageWaiters(threadId);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  {
    auto lock = UserLock();
    ThreadQueue* q = CurrentQueueLocked();
    q->quitPending = true;
    q->quitCode = exitCode;
    q->changedBits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  }
  NotifyMessageWaiters();
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND top : TopLevelSnapshot()) SendMessageA(top, message, wParam, lParam);
    return 0;
  }
  DWORD owner = 0;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) {
      lock.unlock();
      LRESULT foreign = 0;
      if (SendToForeignWindow(hwnd, message, wParam, lParam, INFINITE, &foreign)) return foreign;
      return 0;
    }
    owner = w->threadId;
  }
  if (owner == GetCurrentThreadId()) return SendDirect(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  SendToOtherThread(hwnd, message, wParam, lParam, INFINITE, &result);
  return result;
}

LRESULT SendMessageTimeoutA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeout, PDWORD_PTR result) {
  DWORD owner = 0;
  {
    auto lock = UserLock();
    WindowRecord* w = FindWindowRecord(hwnd);
    if (!w) {
      lock.unlock();
      LRESULT foreign = 0;
      BOOL done = SendToForeignWindow(hwnd, message, wParam, lParam, timeout, &foreign);
      if (result) *result = done ? static_cast<DWORD_PTR>(foreign) : 0;
      return done ? 1 : 0;
    }
    owner = w->threadId;
  }
  LRESULT r = 0;
  if (owner == GetCurrentThreadId()) {
    r = SendDirect(hwnd, message, wParam, lParam);
  } else {
    SendOutcome outcome = SendToOtherThread(hwnd, message, wParam, lParam, timeout, &r);
    if (outcome != SendOutcome::DONE) {
      if (outcome == SendOutcome::TIMED_OUT) SetLastError(ERROR_TIMEOUT);
      if (result) *result = 0;
      return 0;
    }
  }
  if (result) *result = static_cast<DWORD_PTR>(r);
  return 1;
}

LONG GetMessageTime() {
  auto lock = UserLock();
  return static_cast<LONG>(CurrentQueueLocked()->lastTime);
}

DWORD GetMessagePos() {
  auto lock = UserLock();
  POINT pt = CurrentQueueLocked()->lastPos;
  return static_cast<DWORD>(MAKELONG(pt.x, pt.y));
}

DWORD GetQueueStatus(UINT flags) {
  auto lock = UserLock();
  ThreadQueue* q = CurrentQueueLocked();
  UpdateTimers(*q, MonotonicMs());
  UINT present = PresentBits(*q) & flags;
  UINT changed = q->changedBits & flags;
  q->changedBits &= ~flags;
  return static_cast<DWORD>(MAKELONG(changed, present));
}

BOOL GetInputState() {
  auto lock = UserLock();
  ThreadQueue* q = CurrentQueueLocked();
  return (PresentBits(*q) & (QS_KEY | QS_MOUSEBUTTON)) ? TRUE : FALSE;
}

BOOL InSendMessage() {
  auto lock = UserLock();
  ThreadQueue* q = CurrentQueueLocked();
  return (!q->processing.empty() && q->processing.back() != nullptr) ? TRUE : FALSE;
}

DWORD InSendMessageEx(LPVOID) {
  auto lock = UserLock();
  ThreadQueue* q = CurrentQueueLocked();
  if (q->processing.empty() || !q->processing.back()) return ISMEX_NOSEND;
  return ISMEX_SEND | (q->processing.back()->done ? ISMEX_REPLIED : 0);
}

BOOL ReplyMessage(LRESULT result) {
  {
    auto lock = UserLock();
    ThreadQueue* q = CurrentQueueLocked();
    if (q->processing.empty() || !q->processing.back() || q->processing.back()->done) return FALSE;
    q->processing.back()->result = result;
    q->processing.back()->done = true;
  }
  NotifyMessageWaiters();
  return TRUE;
}

namespace platform {

void SetThreadDescriptorWatch(ThreadDescriptorWatch watch) {
  g_handOverDescriptors.store(watch.handOver, std::memory_order_release);
  g_releaseDescriptors.store(watch.release, std::memory_order_release);
  g_claimDescriptors.store(watch.claim, std::memory_order_release);
}

bool WaitWhileReceivingSent(const std::function<bool()>& done, DWORD timeout) {
  CurrentQueue();  // so that other threads can send to this one while it waits
  const ULONGLONG start = MonotonicMs();
  for (;;) {
    ProcessIncomingSent();
    DWORD waitMs = INFINITE;
    if (done()) return true;
    if (timeout != INFINITE) {
      ULONGLONG now = MonotonicMs();
      if (now >= start + timeout) return false;
      waitMs = static_cast<DWORD>(start + timeout - now);
    }
    std::shared_ptr<ThreadQueue> me = CurrentQueue();
    WaitForObjectsOr(0, nullptr, FALSE, waitMs, [&]() {
      if (done()) return true;
      auto lock = UserLock();
      return !me->incoming.empty();
    });
  }
}

}  // namespace platform
