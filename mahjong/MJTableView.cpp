#include "mahjong/MJTableView.h"

#include "engine/EngineClock.h"
#include "engine/InputDispatcher.h"
#include "engine/ResourceManager.h"
#include "platform/base/RectUtil.h"

namespace {

constexpr char VIEW_CLASS[] = "PxqdTableView";
constexpr UINT HOVER_PERIOD_MS = 100;

void RegisterViewClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = VIEW_CLASS;
  wc.style = CS_DBLCLKS;
  RegisterClassA(&wc);
  registered = true;
}

}  // namespace

CMJTableView::~CMJTableView() {
  if (m_hwnd != nullptr) DestroyWindow(m_hwnd);
}

HWND CMJTableView::Create(HWND parent, const RECT& rect) {
  RegisterViewClass();
  m_hwnd = CreateWindowExA(0, VIEW_CLASS, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, nullptr, nullptr);
  if (m_hwnd == nullptr) return nullptr;
  SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
  m_width = rect.right - rect.left;
  m_height = rect.bottom - rect.top;
  return m_hwnd;
}

int CMJTableView::AttachGame(GameBase* game) {
  m_game = game;
  if (game == nullptr || !game->OnInitGame()) {
    m_game = nullptr;
    return 0;
  }
  game->ResetSettings();
  game->OnAfterInit();
  game->SystemInit();
  return 1;
}

void CMJTableView::StoreWindowOrigin() {
  RECT r{};
  GetWindowRect(m_hwnd, &r);
  m_game->SetWindowOrigin(r.left, r.top);
}

void CMJTableView::InitScreen() {
  if (m_started || m_screenReady || m_game == nullptr || m_hwnd == nullptr) return;
  HDC dc = GetWindowDC(m_hwnd);
  RECT client{};
  GetClientRect(m_hwnd, &client);
  m_game->InitScreen(dc, client.right - client.left, client.bottom - client.top);
  StoreWindowOrigin();
  m_game->OnScreenCreated();
  m_game->OnScreenReady();
  ReleaseDC(m_hwnd, dc);
  m_screenReady = true;
}

void CMJTableView::Start() {
  if (m_game == nullptr || m_hwnd == nullptr) return;
  if (!m_earlyScreen) InitScreen();
  // A second pane update (a table entered again) restarts the timers rather than doubling them.
  SetTimer(m_hwnd, FRAME_TIMER_ID, 1, nullptr);
  if (m_hoverTimerId != 0) KillTimer(m_hwnd, m_hoverTimerId);
  m_hoverTimerId = ResourceManager::Instance()->NewDynamicId();
  SetTimer(m_hwnd, m_hoverTimerId, HOVER_PERIOD_MS, nullptr);
  m_game->InitGameData();
  m_game->OnGameStart();
  m_started = true;
  if (m_earlyScreen) m_game->OnLayout();
}

int CMJTableView::AddFrameTime(uint32_t ms) {
  m_frameTimes[m_frameIndex] = ms;
  m_frameIndex = (m_frameIndex + 1) % FRAME_RING;
  uint64_t sum = 0;
  for (uint32_t v : m_frameTimes) sum += v;
  return static_cast<int>(sum / FRAME_RING);
}

int CMJTableView::FrameTick() {
  if (m_game == nullptr) return 0;
  m_game->PumpEvents();
  if (!m_game->IsFrameDue()) return 0;
  const uint32_t t0 = UpdateEngineClock();
  m_game->OnFrame();
  World& world = m_game->GetWorldRef();
  if (world.IsBusy()) world.RunApplies();
  m_game->Render();
  m_game->TakeRedrawFlag();
  const RECT device = m_game->GetDeviceRect();
  InvalidateRect(m_hwnd, &device, FALSE);
  const uint32_t t1 = UpdateEngineClock();
  m_game->SetAverageFrameTime(AddFrameTime(t1 - t0));
  return 1;
}

int CMJTableView::DrawFrame() {
  if (m_game == nullptr || !m_game->IsFrameDue()) return 0;
  const uint32_t t0 = UpdateEngineClock();
  m_game->OnFrame();
  World& world = m_game->GetWorldRef();
  if (world.IsBusy()) world.RunApplies();
  m_game->Render();
  m_game->TakeRedrawFlag();
  const RECT device = m_game->GetDeviceRect();
  InvalidateRect(m_hwnd, &device, FALSE);
  const uint32_t t1 = UpdateEngineClock();
  m_game->SetAverageFrameTime(AddFrameTime(t1 - t0));
  return 1;
}

void CMJTableView::HoverTick() {
  if (m_game == nullptr) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  RECT window{};
  GetWindowRect(m_hwnd, &window);
  const bool inside = PtInRect(&window, cursor) != 0;
  if (m_mouseInside && !inside) m_game->OnMouseLeave();
  if (!m_mouseInside && inside) m_game->OnMouseEnter();
  m_mouseInside = inside;
  if (inside) m_game->OnHoverTick(m_hoverTimerId);
}

void CMJTableView::KillTimers() {
  if (m_hwnd == nullptr) return;
  KillTimer(m_hwnd, FRAME_TIMER_ID);
  if (m_hoverTimerId != 0) KillTimer(m_hwnd, m_hoverTimerId);
}

void CMJTableView::StartClockTimer() {
  if (m_hwnd == nullptr) return;
  if (m_clockTimerId != 0) KillTimer(m_hwnd, m_clockTimerId);
  m_clockTimerId = SetTimer(m_hwnd, CLOCK_TIMER_ID, m_clockPeriodMs, nullptr);
}

void CMJTableView::RestartClockTimer() {
  if (m_clockTimerId == 0 || m_hwnd == nullptr) return;
  KillTimer(m_hwnd, m_clockTimerId);
  m_clockTimerId = SetTimer(m_hwnd, CLOCK_TIMER_ID, m_clockPeriodMs, nullptr);
}

void CMJTableView::StopClockTimer() {
  if (m_clockTimerId != 0 && m_hwnd != nullptr) KillTimer(m_hwnd, m_clockTimerId);
  m_clockTimerId = 0;
}

LRESULT CALLBACK CMJTableView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<CMJTableView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (view == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  return view->Handle(message, wParam, lParam);
}

LRESULT CMJTableView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = m_hwnd;
  GameBase* g = m_game;
  const bool input = InputReady();
  const uint32_t flags = static_cast<uint32_t>(wParam);
  const int32_t x = GET_X_LPARAM(lParam);
  const int32_t y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_TIMER:
      if (g == nullptr) return 0;
      if (wParam == FRAME_TIMER_ID) {
        FrameTick();
      } else if (wParam == m_hoverTimerId) {
        HoverTick();
      } else {
        g->OnTimer(wParam);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (input) g->OnMouseMove(flags, x, y);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (input) g->OnLButtonDown(flags, x, y);
      return 0;
    case WM_LBUTTONUP:
      if (input) g->OnLButtonUp(flags, x, y);
      return 0;
    case WM_RBUTTONDOWN:
      if (input) g->OnRButtonDown(flags, x, y);
      return 0;
    case WM_RBUTTONUP:
      if (input) g->OnRButtonUp(flags, x, y);
      return 0;
    case WM_MBUTTONDOWN:
      if (input) g->OnMButtonDown(flags, x, y);
      return 0;
    case WM_MBUTTONUP:
      if (input) g->OnMButtonUp(flags, x, y);
      return 0;
    case WM_MOUSEWHEEL:
      if (input) g->OnMouseWheel(LOWORD(wParam), GET_WHEEL_DELTA_WPARAM(wParam), x, y);
      return 0;
    case WM_KEYDOWN:
      if (input) g->OnKeyDown(static_cast<uint32_t>(wParam), LOWORD(lParam), static_cast<uint32_t>(lParam));
      break;
    case WM_KEYUP:
      if (input) g->OnKeyUp(static_cast<uint32_t>(wParam), LOWORD(lParam), static_cast<uint32_t>(lParam));
      break;
    case WM_SETCURSOR:
      if (input && g->GetInputDispatcher() != nullptr) {
        g->GetInputDispatcher()->ApplyCursor();
        return 0;
      }
      break;
    case WM_SIZE:
      // The size is kept even before the scene exists: the framework asks the pane for it.
      m_width = LOWORD(lParam);
      m_height = HIWORD(lParam);
      if (input) {
        HDC dc = GetDC(hwnd);
        g->OnResize(dc, m_width, m_height);
        StoreWindowOrigin();
        if (m_started) g->OnLayout();
        ReleaseDC(hwnd, dc);
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (g != nullptr && m_screenReady) g->Present(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      if (g != nullptr) g->Cleanup();
      m_game = nullptr;
      m_hwnd = nullptr;
      m_clockTimerId = 0;
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}
