// Costs of window painting on the UI thread: a full repaint of a dialog-like window with many
// children (invalidate, erase and paint each), a DC for a child among overlapping siblings (its
// visible region is worked out each time), and a desktop DC for a screenshot.
#include <benchmark/benchmark.h>

#include "platform/display/Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

namespace {

LRESULT CALLBACK FillProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    FillRect(dc, &ps.rcPaint, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

const char* FillClass() {
  static bool done = [] {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    WNDCLASSA wc{};
    wc.lpfnWndProc = FillProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = "BenchFill";
    return RegisterClassA(&wc) != 0;
  }();
  (void)done;
  return "BenchFill";
}

// A 640 x 480 captioned window with `count` children in a grid, each 40 x 24, overlapping
// their right neighbour by 4 pixels, clipping siblings.
HWND MakeDialog(int count) {
  HWND top = CreateWindowExA(0, FillClass(), "bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640, 480, nullptr,
                             nullptr, nullptr, nullptr);
  for (int i = 0; i < count; ++i) {
    CreateWindowExA(0, FillClass(), "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER, (i % 16) * 36,
                    (i / 16) * 26, 40, 24, top, nullptr, nullptr, nullptr);
  }
  ShowWindow(top, SW_SHOW);
  UpdateWindow(top);
  return top;
}

void BM_FullRepaint(benchmark::State& state) {
  HWND top = MakeDialog(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  DestroyWindow(top);
}
BENCHMARK(BM_FullRepaint)->Arg(10)->Arg(100);

void BM_ChildDc(benchmark::State& state) {
  HWND top = MakeDialog(static_cast<int>(state.range(0)));
  HWND last = GetWindow(GetWindow(top, GW_CHILD), GW_HWNDLAST);
  for (auto _ : state) {
    HDC dc = GetDC(last);
    benchmark::DoNotOptimize(dc);
    ReleaseDC(last, dc);
  }
  DestroyWindow(top);
}
BENCHMARK(BM_ChildDc)->Arg(10)->Arg(100);

void BM_DesktopScreenshot(benchmark::State& state) {
  HWND top = MakeDialog(10);
  HDC mem = CreateCompatibleDC(nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(mem, bmp);
  for (auto _ : state) {
    HDC desk = GetDC(nullptr);
    BitBlt(mem, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), desk, 0, 0, SRCCOPY);
    ReleaseDC(nullptr, desk);
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  DestroyWindow(top);
}
BENCHMARK(BM_DesktopScreenshot);

}  // namespace

BENCHMARK_MAIN();
