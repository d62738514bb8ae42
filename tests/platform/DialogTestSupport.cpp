#include "tests/platform/DialogTestSupport.h"

#include <filesystem>
#include <unordered_map>

#include "platform/base/RectUtil.h"
#include "platform/kernel/KernelObject.h"
#include "tests/platform/GdiTestCanvas.h"

namespace dlgtest {
namespace {

// The controls' own procedures, replaced by the recorder at creation.
std::unordered_map<HWND, WNDPROC>& Originals() {
  static std::unordered_map<HWND, WNDPROC> map;
  return map;
}

LRESULT CALLBACK Recorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFONT || message == WM_SETFOCUS || message == BM_SETSTYLE || message == EM_SETSEL ||
      message == BM_CLICK || message == BM_SETCHECK) {
    Log().push_back(Seen{hwnd, message, wParam, lParam});
  }
  WNDPROC original = Originals().count(hwnd) ? Originals()[hwnd] : DefWindowProcA;
  if (message == WM_NCDESTROY) Originals().erase(hwnd);
  return CallWindowProcA(original, hwnd, message, wParam, lParam);
}

HHOOK g_hook = nullptr;

// Every standard control made while a test runs is subclassed by the recorder before its first
// message, so that what the dialog manager sends it is seen in order.
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    std::string name = cls;
    if (name == "Button" || name == "Static" || name == "Edit") {
      Originals()[hwnd] = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder)));
    }
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

void RegisterIfMissing(const char* name, WNDPROC proc) {
  WNDCLASSA existing{};
  if (GetClassInfoA(nullptr, name, &existing)) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

std::vector<std::function<void()>> g_steps;
size_t g_nextStep = 0;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_nextStep >= g_steps.size()) {
    KillTimer(nullptr, id);
    return;
  }
  auto step = g_steps[g_nextStep++];
  step();
}

}  // namespace

std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

std::vector<std::pair<HWND, UINT>> Pairs(const std::vector<UINT>& keep) {
  std::vector<std::pair<HWND, UINT>> out;
  for (const Seen& s : Log()) {
    if (std::find(keep.begin(), keep.end(), s.message) != keep.end()) out.emplace_back(s.hwnd, s.message);
  }
  return out;
}

void EnsureControls() {
  // Plain top-level windows to own dialogs.
  RegisterIfMissing("DlgTestOwner", DefWindowProcA);
}

void StartRecording() {
  if (!g_hook) g_hook = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

void StopRecording() {
  if (g_hook) UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
}

void Pump(HWND dialog) {
  MSG msg;
  for (int n = 0; n < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// The modifier is pressed and its message handled before the key comes, as a person types.
void Press(HWND dialog, UINT vk, bool shift) {
  if (shift) {
    platform::InjectKey(VK_SHIFT, true, 0x2A);
    Pump(dialog);
  }
  platform::InjectKey(vk, true, 0);
  platform::InjectKey(vk, false, 0);
  Pump(dialog);
  if (shift) {
    platform::InjectKey(VK_SHIFT, false, 0x2A);
    Pump(dialog);
  }
}

void PressAlt(HWND dialog, UINT vk) {
  platform::InjectKey(VK_MENU, true, 0x38);
  Pump(dialog);
  platform::InjectKey(vk, true, 0);
  platform::InjectKey(vk, false, 0);
  Pump(dialog);
  platform::InjectKey(VK_MENU, false, 0x38);
  Pump(dialog);
}

void Click(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  platform::InjectMouseMove(pt);
  platform::InjectMouseButton(0, true, pt);
  platform::InjectMouseButton(0, false, pt);
}

UINT_PTR RunSteps(std::vector<std::function<void()>> steps, UINT elapse) {
  g_steps = std::move(steps);
  g_nextStep = 0;
  return SetTimer(nullptr, 0, elapse, StepTimer);
}

bool SaveWindowPng(HWND hwnd, const std::string& name) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  if (!platform::CaptureWindow(hwnd, px, w, h)) return false;
  std::filesystem::path dir(PXQD_DIALOG_DUMP_DIR);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return gditest::WritePng((dir / (name + ".png")).string(), px.data(), w, h, w * 4);
}

}  // namespace dlgtest
