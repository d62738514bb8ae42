#include "tools/SceneHost.h"

#include "engine/EngineClock.h"
#include "engine/EngineUtil.h"
#include "engine/InputDispatcher.h"
#include "engine/ResourceManager.h"
#include "platform/base/RectUtil.h"

namespace {

constexpr char HOST_CLASS[] = "PxqdSceneHost";
constexpr UINT HOVER_PERIOD_MS = 100;

SceneHost* g_current = nullptr;

EngineHostView* CurrentHost() { return g_current; }
// The host window stands in for the application's main window.
HWND CurrentWindow() { return g_current ? g_current->Window() : nullptr; }

void RegisterHostClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = HOST_CLASS;
  wc.style = CS_DBLCLKS;
  RegisterClassA(&wc);
  registered = true;
}

}  // namespace

SceneHost::SceneHost() {
  g_current = this;
  GameHostServices services = GetGameHostServices();
  services.getTableView = CurrentHost;
  SetGameHostServices(services);
  SetEngineMainWindowHook(CurrentWindow);
}

SceneHost::~SceneHost() {
  if (m_hwnd) DestroyWindow(m_hwnd);
  if (g_current == this) {
    g_current = nullptr;
    GameHostServices services = GetGameHostServices();
    services.getTableView = nullptr;
    SetGameHostServices(services);
    SetEngineMainWindowHook(nullptr);
  }
}

HWND SceneHost::Create(const char* title, int32_t width, int32_t height) {
  RegisterHostClass();
  m_hwnd = CreateWindowExA(0, HOST_CLASS, title, WS_POPUP | WS_VISIBLE, 40, 40, width, height,
                           nullptr, nullptr, nullptr, nullptr);
  if (m_hwnd == nullptr) return nullptr;
  SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
  return m_hwnd;
}

int SceneHost::AttachGame(GameBase* scene) {
  m_scene = scene;
  if (!scene->OnInitGame()) return 0;
  scene->ResetSettings();
  scene->OnAfterInit();
  scene->SystemInit();
  return 1;
}

void SceneHost::StoreWindowOrigin() {
  RECT r{};
  GetWindowRect(m_hwnd, &r);
  m_scene->SetWindowOrigin(r.left, r.top);
}

void SceneHost::InitScreen() {
  if (m_screenReady || m_scene == nullptr) return;
  HDC dc = GetWindowDC(m_hwnd);
  RECT client{};
  GetClientRect(m_hwnd, &client);
  m_scene->InitScreen(dc, client.right - client.left, client.bottom - client.top);
  StoreWindowOrigin();
  m_scene->OnScreenCreated();
  m_scene->OnScreenReady();
  ReleaseDC(m_hwnd, dc);
  m_screenReady = true;
}

void SceneHost::Start() {
  if (m_scene == nullptr || m_hwnd == nullptr) return;
  InitScreen();
  // The timer period of 1 ms is raised by the window system to its minimum; frames are paced by
  // the engine's own gate, so no tick spins.
  SetTimer(m_hwnd, FRAME_TIMER_ID, 1, nullptr);
  // A second start replaces the hover timer instead of leaving the first one running.
  if (m_hoverTimer != 0) KillTimer(m_hwnd, m_hoverTimer);
  m_hoverTimer = ResourceManager::Instance()->NewDynamicId();
  SetTimer(m_hwnd, m_hoverTimer, HOVER_PERIOD_MS, nullptr);
  m_scene->InitGameData();
  m_scene->OnGameStart();
  m_started = true;
}

void SceneHost::KillTimers() {
  if (m_hwnd == nullptr) return;
  KillTimer(m_hwnd, FRAME_TIMER_ID);
  if (m_hoverTimer != 0) KillTimer(m_hwnd, m_hoverTimer);
}

int SceneHost::FrameTick() {
  m_scene->PumpEvents();
  if (!m_scene->IsFrameDue()) return 0;
  const uint32_t t0 = UpdateEngineClock();
  m_scene->OnFrame();
  World& world = m_scene->GetWorldRef();
  if (world.IsBusy()) world.RunApplies();
  m_scene->Render();
  m_scene->TakeRedrawFlag();
  const RECT device = m_scene->GetDeviceRect();
  InvalidateRect(m_hwnd, &device, FALSE);
  const uint32_t t1 = UpdateEngineClock();
  m_ring[m_ringIndex] = t1 - t0;
  m_ringIndex = (m_ringIndex + 1) % FRAME_RING;
  uint64_t sum = 0;
  for (uint32_t v : m_ring) sum += v;
  m_scene->SetAverageFrameTime(static_cast<int32_t>(sum / FRAME_RING));
  ++m_frames;
  return 1;
}

void SceneHost::HoverTick() {
  POINT cursor{};
  GetCursorPos(&cursor);
  RECT window{};
  GetWindowRect(m_hwnd, &window);
  const bool inside = PtInRect(&window, cursor) != 0;
  if (m_inside && !inside) m_scene->OnMouseLeave();
  if (!m_inside && inside) m_scene->OnMouseEnter();
  m_inside = inside;
  if (inside) m_scene->OnHoverTick(m_hoverTimer);
}

LRESULT CALLBACK SceneHost::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<SceneHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (host == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  return host->Handle(message, wParam, lParam);
}

LRESULT SceneHost::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = m_hwnd;
  GameBase* s = m_scene;
  const bool input = s != nullptr && s->IsReady();
  const uint32_t flags = static_cast<uint32_t>(wParam);
  const int32_t x = GET_X_LPARAM(lParam);
  const int32_t y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_TIMER:
      if (s == nullptr) break;
      if (wParam == FRAME_TIMER_ID) {
        FrameTick();
      } else if (wParam == m_hoverTimer) {
        HoverTick();
      } else {
        s->OnTimer(wParam);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (input) s->OnMouseMove(flags, x, y);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (input) s->OnLButtonDown(flags, x, y);
      return 0;
    case WM_LBUTTONUP:
      if (input) s->OnLButtonUp(flags, x, y);
      return 0;
    case WM_RBUTTONDOWN:
      if (input) s->OnRButtonDown(flags, x, y);
      return 0;
    case WM_RBUTTONUP:
      if (input) s->OnRButtonUp(flags, x, y);
      return 0;
    case WM_MBUTTONDOWN:
      if (input) s->OnMButtonDown(flags, x, y);
      return 0;
    case WM_MBUTTONUP:
      if (input) s->OnMButtonUp(flags, x, y);
      return 0;
    case WM_MOUSEWHEEL:
      if (input) s->OnMouseWheel(LOWORD(wParam), GET_WHEEL_DELTA_WPARAM(wParam), x, y);
      return 0;
    case WM_KEYDOWN:
      if (input) s->OnKeyDown(static_cast<uint32_t>(wParam), LOWORD(lParam), static_cast<uint32_t>(lParam));
      break;
    case WM_KEYUP:
      if (input) s->OnKeyUp(static_cast<uint32_t>(wParam), LOWORD(lParam), static_cast<uint32_t>(lParam));
      break;
    case WM_SETCURSOR:
      if (input && s->GetInputDispatcher()) {
        s->GetInputDispatcher()->ApplyCursor();
        return TRUE;
      }
      break;
    case WM_SIZE:
      if (input) {
        HDC dc = GetDC(m_hwnd);
        s->OnResize(dc, LOWORD(lParam), HIWORD(lParam));
        StoreWindowOrigin();
        if (m_started) s->OnLayout();
        ReleaseDC(m_hwnd, dc);
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(m_hwnd, &ps);
      if (s) s->Present(dc);
      EndPaint(m_hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      if (s) s->Cleanup();
      m_scene = nullptr;
      m_hwnd = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}
