// The other process of the cross-process window tests. It creates a top-level window of class
// "PeerFrame", publishes it, writes the handle (decimal) to the file named by its command line
// and runs its message loop until the window is closed. Its window answers:
//   WM_COPYDATA            dwData + the sum of the bytes, plus 1000000 when lpData is null;
//   WM_USER + 1 (sent)     wParam + lParam;
//   WM_USER + 2 (posted)   sends WM_COPYDATA dwData 14, bytes "back", to the window in wParam;
//   WM_USER + 3 (sent)     sends WM_USER + 4 with lParam to the window in wParam and answers
//                          that result plus 1, while the first sender still waits;
//   WM_CLOSE               ends the process.
#include <cstdio>

#include "platform/hall/HallLink.h"
#include "platform/kernel/Process.h"
#include "platform/user/User.h"

namespace {

LRESULT CALLBACK PeerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA: {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (!data->lpData) return static_cast<LRESULT>(data->dwData + 1000000);
      LRESULT sum = static_cast<LRESULT>(data->dwData);
      for (DWORD i = 0; i < data->cbData; ++i) sum += static_cast<const BYTE*>(data->lpData)[i];
      return sum;
    }
    case WM_USER + 1:
      return static_cast<LRESULT>(wParam) + lParam;
    case WM_USER + 2: {
      char bytes[] = "back";
      COPYDATASTRUCT data{14, 4, bytes};
      SendMessageA(reinterpret_cast<HWND>(wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd),
                   reinterpret_cast<LPARAM>(&data));
      return 0;
    }
    case WM_USER + 3:
      return SendMessageA(reinterpret_cast<HWND>(wParam), WM_USER + 4, 0, lParam) + 1;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = PeerProc;
  wc.lpszClassName = "PeerFrame";
  if (!RegisterClassA(&wc)) return 2;
  HWND hwnd = CreateWindowExA(0, "PeerFrame", "peer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  if (!hwnd || !platform::PublishWindow(hwnd)) return 3;
  FILE* f = std::fopen(GetCommandLineA(), "wb");
  if (!f) return 4;
  std::fprintf(f, "%u\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)));
  std::fclose(f);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
