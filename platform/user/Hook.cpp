#include "platform/user/Hook.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/kernel/KernelObject.h"

namespace {

struct HookRecord {
  HHOOK handle;
  HOOKPROC proc;
};

// Newest last. Hooks belong to their thread and are only ever touched by it.
thread_local std::vector<HookRecord> t_hooks;

HHOOK NewHookHandle() {
  static std::atomic<uintptr_t> next{1};
  return reinterpret_cast<HHOOK>(next.fetch_add(1) * 4);
}

LRESULT CallFrom(size_t count, int code, WPARAM wParam, LPARAM lParam) {
  // `count` hooks remain below the caller in the chain; the next one to run is the newest of them.
  if (count == 0 || count > t_hooks.size()) return 0;
  return t_hooks[count - 1].proc(code, wParam, lParam);
}

}  // namespace

HHOOK SetWindowsHookExA(int kind, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if (kind != WH_CBT || threadId != GetCurrentThreadId()) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (!proc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HHOOK h = NewHookHandle();
  t_hooks.push_back(HookRecord{h, proc});
  return h;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto it = std::find_if(t_hooks.begin(), t_hooks.end(), [&](const HookRecord& r) { return r.handle == hook; });
  if (it == t_hooks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  t_hooks.erase(it);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  auto it = std::find_if(t_hooks.begin(), t_hooks.end(), [&](const HookRecord& r) { return r.handle == hook; });
  if (it == t_hooks.end()) return 0;
  return CallFrom(static_cast<size_t>(it - t_hooks.begin()), code, wParam, lParam);
}

namespace platform {

LRESULT CallCbtHooks(int code, WPARAM wParam, LPARAM lParam) {
  return CallFrom(t_hooks.size(), code, wParam, lParam);
}

}  // namespace platform
