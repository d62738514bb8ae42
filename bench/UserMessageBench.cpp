// Costs of the message paths the game's UI thread lives on: post and retrieve on one thread,
// and a blocking send to a window of another thread (the comm thread's wait dialog path).
#include <benchmark/benchmark.h>

#include <thread>

#include "platform/kernel/KernelObject.h"
#include "platform/user/User.h"

namespace {

LRESULT CALLBACK EchoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) return static_cast<LRESULT>(wParam + 1);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

const char* EchoClass() {
  static bool done = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = EchoProc;
    wc.lpszClassName = "BenchEcho";
    return RegisterClassA(&wc) != 0;
  }();
  (void)done;
  return "BenchEcho";
}

void BM_PostAndPeek(benchmark::State& state) {
  HWND w = CreateWindowExA(0, EchoClass(), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  MSG msg;
  for (auto _ : state) {
    PostMessageA(w, WM_USER, 1, 0);
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    benchmark::DoNotOptimize(DispatchMessageA(&msg));
  }
  DestroyWindow(w);
}
BENCHMARK(BM_PostAndPeek);

void BM_SendAcrossThreads(benchmark::State& state) {
  HANDLE ready = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HWND remote = nullptr;
  DWORD remoteThread = 0;
  std::thread t([&] {
    remote = CreateWindowExA(0, EchoClass(), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    remoteThread = GetCurrentThreadId();
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  });
  WaitForSingleObject(ready, INFINITE);
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageA(remote, WM_USER, 1, 0));
  PostThreadMessageA(remoteThread, WM_QUIT, 0, 0);
  t.join();
  CloseHandle(ready);
}
BENCHMARK(BM_SendAcrossThreads);

}  // namespace

BENCHMARK_MAIN();
