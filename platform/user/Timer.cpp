#include "platform/user/Timer.h"

#include <algorithm>

#include "platform/base/WinError.h"
#include "platform/kernel/KernelObject.h"
#include "platform/user/UserState.h"

using namespace platform;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  UINT_PTR result = 0;
  {
    auto lock = UserLock();
    ThreadQueue* q = nullptr;
    if (hwnd) {
      WindowRecord* w = FindWindowRecord(hwnd);
      q = w ? FindQueue(w->threadId) : nullptr;
      if (!q) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
      }
    } else {
      q = CurrentQueueLocked();
    }
    elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    auto it = std::find_if(q->timers.begin(), q->timers.end(),
                           [&](const TimerRecord& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == q->timers.end()) {
      if (!hwnd) {
        // A new thread timer gets an id of its own that no thread timer of this queue uses.
        do {
          id = ++q->nextThreadTimerId;
        } while (id == 0 || std::any_of(q->timers.begin(), q->timers.end(),
                                        [&](const TimerRecord& t) { return !t.hwnd && t.id == id; }));
      }
      q->timers.push_back(TimerRecord{});
      it = q->timers.end() - 1;
    }
    it->hwnd = hwnd;
    it->id = id;
    it->elapse = elapse;
    it->proc = proc;
    it->due = MonotonicMs() + elapse;
    it->fired = false;
    ++q->timerSerial;
    result = (hwnd && id == 0) ? 1 : id;
  }
  NotifyWaiters();
  return result;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  {
    auto lock = UserLock();
    ThreadQueue* q = nullptr;
    if (hwnd) {
      WindowRecord* w = FindWindowRecord(hwnd);
      q = w ? FindQueue(w->threadId) : nullptr;
      if (!q) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
      }
    } else {
      q = CurrentQueueLocked();
    }
    auto it = std::find_if(q->timers.begin(), q->timers.end(),
                           [&](const TimerRecord& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == q->timers.end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    q->timers.erase(it);
    ++q->timerSerial;
  }
  NotifyWaiters();
  return TRUE;
}
