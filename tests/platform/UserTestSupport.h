// A window class whose procedure records every message it sees, for message-sequence tables.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/KernelObject.h"
#include "platform/user/User.h"
#include "platform/user/UserState.h"

namespace usertest {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD thread;
  CREATESTRUCTA cs;  // a copy, for WM_NCCREATE and WM_CREATE (the original lives only during the call)
};

// The log is shared by every recording window of the process; tests clear it before the part
// they check.
class MessageLog {
 public:
  static MessageLog& Get() {
    static MessageLog* log = new MessageLog;
    return *log;
  }
  void Add(const Seen& s) {
    std::lock_guard<std::mutex> g(m_lock);
    m_seen.push_back(s);
  }
  void Clear() {
    std::lock_guard<std::mutex> g(m_lock);
    m_seen.clear();
  }
  std::vector<Seen> Take() {
    std::lock_guard<std::mutex> g(m_lock);
    std::vector<Seen> out;
    out.swap(m_seen);
    return out;
  }

 private:
  std::mutex m_lock;
  std::vector<Seen> m_seen;
};

// Messages a table does not care about: everything outside the list given is dropped.
inline std::vector<std::pair<HWND, UINT>> Filter(const std::vector<Seen>& seen, const std::vector<UINT>& keep) {
  std::vector<std::pair<HWND, UINT>> out;
  for (const Seen& s : seen) {
    for (UINT k : keep) {
      if (s.message == k) out.emplace_back(s.hwnd, s.message);
    }
  }
  return out;
}

inline std::vector<std::pair<HWND, UINT>> Pairs(const std::vector<Seen>& seen) {
  std::vector<std::pair<HWND, UINT>> out;
  for (const Seen& s : seen) out.emplace_back(s.hwnd, s.message);
  return out;
}

// Answers for the recording procedure, per message (set by a test before it creates windows).
struct Answers {
  LRESULT createResult = 0;
  bool refuseNcCreate = false;
};
inline Answers& TheAnswers() {
  static Answers a;
  return a;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Seen seen{hwnd, message, wParam, lParam, GetCurrentThreadId(), {}};
  if ((message == WM_NCCREATE || message == WM_CREATE) && lParam) {
    seen.cs = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
  }
  MessageLog::Get().Add(seen);
  if (message == WM_CREATE && TheAnswers().createResult) return TheAnswers().createResult;
  if (message == WM_NCCREATE && TheAnswers().refuseNcCreate) return FALSE;
  if (message == WM_USER + 1) return static_cast<LRESULT>(wParam + lParam);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

inline const char* RecorderClass() {
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.cbWndExtra = 16;
    wc.lpszClassName = "Recorder";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return "Recorder";
}

inline HWND MakeWindow(DWORD style, HWND parent = nullptr, int id = 0, int x = 0, int y = 0, int cx = 100,
                       int cy = 50, const char* title = "") {
  return CreateWindowExA(0, RecorderClass(), title, style, x, y, cx, cy, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

// Takes every message the calling thread has waiting, dispatching each.
inline int PumpAll() {
  MSG msg;
  int n = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageA(&msg);
    ++n;
  }
  return n;
}

}  // namespace usertest
