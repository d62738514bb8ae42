// The engine core: attaching, the frame buffers, drawing and presenting a frame, input forwarding
// and teardown.
#include "engine/GameBase.h"

#include <cstdarg>
#include <cstdio>

#include "engine/EngineUtil.h"
#include "engine/GameHost.h"
#include "engine/InputDispatcher.h"
#include "engine/ResourceManager.h"
#include "engine/ScriptInterpreter.h"
#include "engine/Screen.h"
#include "engine/TextFont.h"
#include "platform/gdi/Text.h"
#include "platform/mfc/WinApp.h"

namespace {

constexpr COLORREF OVERLAY_PEN_COLOR = 0x2dfe27;
constexpr COLORREF OVERLAY_TEXT_COLOR = 0x0000ff;

enum PresentSource { PRESENT_NONE = 0, PRESENT_BACK = 1, PRESENT_OVERLAY = 2, PRESENT_DEVICE = 3 };

}  // namespace

GameBase::GameBase() = default;

GameBase::~GameBase() {
  m_pendingIds.clear();
  m_keyMap.clear();
  ReleaseBuffer(m_deviceDc, m_deviceBitmap, m_deviceOld);
  if (m_overlayDc && m_overlayOldPen) SelectObject(m_overlayDc, m_overlayOldPen);
  m_overlayOldPen = nullptr;
  if (m_overlayPen) DeleteObject(m_overlayPen);
  m_overlayPen = nullptr;
  ReleaseBuffer(m_overlayDc, m_overlayBitmap, m_overlayOld);
  ReleaseBuffer(m_backDc, m_backBitmap, m_backOld);
}

void GameBase::ReleaseBuffer(HDC& dc, HBITMAP& bitmap, HGDIOBJ& old) {
  if (dc) {
    if (old) SelectObject(dc, old);
    DeleteDC(dc);
  }
  if (bitmap) DeleteObject(bitmap);
  dc = nullptr;
  bitmap = nullptr;
  old = nullptr;
}

void GameBase::ResetSettings() {
  m_mouseMoveSpeed = 5;
  m_fixedLogicalSize = 0;
  m_logicalWidth = 0;
  m_logicalHeight = 0;
  m_deviceWidth = 0;
  m_deviceHeight = 0;
}

void GameBase::SystemInit() {
  Log("GameBase系统初始化开始...");
  SetWorld(&m_world);
  m_input = new InputDispatcher();
  ControlRecord* root = m_world.RegisterControlObject(m_input);
  m_world.SetRootControlKey(root->key);
  CreateScriptInterpreter();
  SetFrameInterval(30);
  if (Screen* screen = GetScreen()) screen->SetBackgroundMode(BG_MODE_COLOR);
  m_pendingIds.clear();
  OnInitEnd();
  ResourceManager::Instance()->AddRef();
  m_showFps = 0;
}

namespace {

int LoadScriptText(ScriptInterpreter* interpreter, const char* text, DWORD length) {
  return interpreter->LoadScript(ScriptValue(std::string(text, length)), 0);
}

}  // namespace

void GameBase::CreateScriptInterpreter() {
  auto* interpreter = new ScriptInterpreter(this);
  m_world.RegisterControlObject(interpreter);
  ResourceManager::SetScriptLoader(LoadScriptText);
  ResourceManager::Instance()->SetScriptInterpreter(interpreter);
  interpreter->EnableCreateSet();
  interpreter->EnableEntitySet();
  interpreter->EnableResourceSet();
}

int GameBase::OnInitEnd() {
  TextFont* font = GetTextFont();
  if (font == nullptr) return 1;
  font->CreateFont(20, 400, "宋体", 0, 0);
  TextFontInfo info;
  font->GetFontInfo(&info);
  // Text wraps at the right margin.
  info.wrap = 1;
  font->SelectFont(info);
  return 1;
}

void GameBase::InitScreen(HDC dc, int32_t width, int32_t height) {
  Log("GameBase初始化屏幕...");
  m_deviceWidth = width;
  m_deviceHeight = height;
  if (m_fixedLogicalSize == 0) {
    m_logicalWidth = width;
    m_logicalHeight = height;
  } else if (m_logicalWidth == 0 || m_logicalHeight == 0) {
    Log("警告，0值初始化逻辑屏幕!");
  }
  if (Screen* screen = GetScreen()) screen->Init(dc, m_logicalWidth, m_logicalHeight);
  CreateBackBuffers(dc, m_logicalWidth, m_logicalHeight);
  CreateDeviceBuffer(dc, width, height);
  m_ready = 1;
  Log("GameBase图形引擎初始化完毕...!");
}

void GameBase::CreateBackBuffers(HDC dc, int32_t width, int32_t height) {
  ReleaseBuffer(m_backDc, m_backBitmap, m_backOld);
  m_backDc = CreateCompatibleDC(dc);
  m_backBitmap = CreateCompatibleBitmap(dc, width, height);
  m_backOld = SelectObject(m_backDc, m_backBitmap);

  if (m_overlayDc) {
    if (m_overlayOldPen) SelectObject(m_overlayDc, m_overlayOldPen);
    m_overlayOldPen = nullptr;
  } else if (m_overlayPen == nullptr) {
    m_overlayPen = CreatePen(PS_SOLID, 1, OVERLAY_PEN_COLOR);
  }
  ReleaseBuffer(m_overlayDc, m_overlayBitmap, m_overlayOld);
  m_overlayDc = CreateCompatibleDC(dc);
  m_overlayBitmap = CreateCompatibleBitmap(dc, width, height);
  m_overlayOld = SelectObject(m_overlayDc, m_overlayBitmap);
  SetBkMode(m_overlayDc, TRANSPARENT);
  ::SetTextColor(m_overlayDc, OVERLAY_TEXT_COLOR);
  m_overlayOldPen = SelectObject(m_overlayDc, m_overlayPen);

  if (Screen* screen = GetScreen()) {
    screen->InvalidateRect(0, 0, m_deviceWidth, m_deviceHeight);
    if (m_world.DrawScreen(m_backDc) >= 0) m_presentSource = PRESENT_BACK;
  }
}

void GameBase::CreateDeviceBuffer(HDC dc, int32_t width, int32_t height) {
  m_deviceWidth = width;
  m_deviceHeight = height;
  if (dc == nullptr) return;
  ReleaseBuffer(m_deviceDc, m_deviceBitmap, m_deviceOld);
  m_deviceDc = CreateCompatibleDC(dc);
  SetStretchBltMode(m_deviceDc, HALFTONE);
  SetBrushOrgEx(m_deviceDc, 0, 0, nullptr);
  m_deviceBitmap = CreateCompatibleBitmap(dc, width, height);
  m_deviceOld = SelectObject(m_deviceDc, m_deviceBitmap);
}

void GameBase::OnResize(HDC dc, int32_t width, int32_t height) {
  CreateDeviceBuffer(dc, width, height);
  if (m_fixedLogicalSize == 0) {
    m_logicalWidth = width;
    m_logicalHeight = height;
    CreateBackBuffers(dc, width, height);
  }
}

int GameBase::Render() {
  if (!IsMainWindowVisible()) return 0;
  const int r = m_world.DrawScreen(m_backDc);
  if (r < 0) return r;
  m_presentSource = PRESENT_BACK;
  HDC source = m_backDc;
  if (DrawDebugOverlay()) {
    m_presentSource = PRESENT_OVERLAY;
    source = m_overlayDc;
  }
  if (m_deviceWidth == m_logicalWidth && m_deviceHeight == m_logicalHeight) return r;
  StretchBlt(m_deviceDc, 0, 0, m_deviceWidth, m_deviceHeight, source, 0, 0, m_logicalWidth,
             m_logicalHeight, SRCCOPY);
  m_presentSource = PRESENT_DEVICE;
  return r;
}

int GameBase::Present(HDC dc) {
  if (!m_ready || m_presentSource == PRESENT_NONE) return 0;
  HDC source = m_presentSource == PRESENT_BACK      ? m_backDc
               : m_presentSource == PRESENT_OVERLAY ? m_overlayDc
                                                    : m_deviceDc;
  if (source) BitBlt(dc, 0, 0, m_deviceWidth, m_deviceHeight, source, 0, 0, SRCCOPY);
  return 0;
}

int GameBase::TakeRedrawFlag() {
  Screen* screen = GetScreen();
  return screen ? screen->TakeDrewFlag() : 0;
}

void GameBase::Cleanup() {
  OnShutdown();
  // During teardown the main frame or its table view may already be gone.
  if (EngineHostView* view = GetHostView()) view->KillTimers();
  m_world.Clear();
  m_input = nullptr;
  ResourceManager::Instance()->Release();
  ReleaseBuffer(m_backDc, m_backBitmap, m_backOld);
  if (m_overlayDc && m_overlayOldPen) SelectObject(m_overlayDc, m_overlayOldPen);
  m_overlayOldPen = nullptr;
  ReleaseBuffer(m_overlayDc, m_overlayBitmap, m_overlayOld);
  if (m_presentSource != PRESENT_DEVICE) m_presentSource = PRESENT_NONE;
  Log("GameBase系统清理完毕...!");
}

void GameBase::Log(const char* format, ...) {
  if (!m_logging) return;
  char text[1024];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) return;
  // A text cut by the buffer must not end in the first byte of a GBK character.
  if (static_cast<size_t>(n) >= sizeof text) {
    size_t i = 0;
    while (text[i] != 0) {
      const size_t step = static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
      if (step == 2 && text[i + 1] == 0) break;
      i += step;
    }
    text[i] = 0;
  }
  WriteLog("%s", text);
}

void GameBase::SetFrameInterval(uint32_t ms) {
  m_frameInterval = ms;
  m_world.SetInterval(ms);
}

Screen* GameBase::GetScreen() const { return m_world.GetScreen(); }

ResourceManager* GameBase::GetResourceManager() const { return ResourceManager::Instance(); }

ScriptInterpreter* GameBase::GetScriptInterpreter() const {
  return ResourceManager::Instance()->GetScriptInterpreter();
}

CWinApp* GameBase::GetApp() const { return AfxGetApp(); }

EngineHostView* GameBase::GetHostView() const {
  const GameHostServices& services = GetGameHostServices();
  return services.getTableView ? services.getTableView() : nullptr;
}

void GameBase::OnMouseMove(uint32_t flags, int32_t x, int32_t y) {
  if (m_input == nullptr) return;
  // A minimised window reports a size of 0; the point then stays as it is.
  if (m_logicalWidth != m_deviceWidth && m_deviceWidth != 0) {
    x = static_cast<int32_t>(static_cast<int64_t>(x) * m_logicalWidth / m_deviceWidth);
  }
  if (m_logicalHeight != m_deviceHeight && m_deviceHeight != 0) {
    y = static_cast<int32_t>(static_cast<int64_t>(y) * m_logicalHeight / m_deviceHeight);
  }
  m_input->OnMouseMove(x, y, flags);
}

void GameBase::OnMouseWheel(uint32_t flags, int32_t delta, int32_t x, int32_t y) {
  if (m_input) m_input->OnWheel(x, y, delta, flags);
}
void GameBase::OnMButtonUp(uint32_t flags, int32_t x, int32_t y) {
  if (m_input) m_input->OnMButtonUp(x, y, flags);
}
void GameBase::OnMButtonDown(uint32_t flags, int32_t x, int32_t y) {
  if (m_input) m_input->OnMButtonDown(x, y, flags);
}
void GameBase::OnLButtonUp(uint32_t flags, int32_t x, int32_t y) {
  if (m_input) m_input->OnLButtonUp(x, y, flags);
}
void GameBase::OnLButtonDown(uint32_t flags, int32_t x, int32_t y) {
  if (m_input) m_input->OnLButtonDown(x, y, flags);
}
void GameBase::OnRButtonUp(uint32_t flags, int32_t x, int32_t y) {
  if (m_input) m_input->OnRButtonUp(x, y, flags);
}
void GameBase::OnRButtonDown(uint32_t flags, int32_t x, int32_t y) {
  if (m_input) m_input->OnRButtonDown(x, y, flags);
}

void GameBase::OnKeyDown(uint32_t key, uint32_t count, uint32_t flags) {
  auto it = m_keyMap.find(key);
  if (it != m_keyMap.end()) key = it->second;
  if (m_input) m_input->OnKeyDown(key, count, flags);
}

void GameBase::OnKeyUp(uint32_t key, uint32_t count, uint32_t flags) {
  auto it = m_keyMap.find(key);
  if (it != m_keyMap.end()) key = it->second;
  if (m_input) m_input->OnKeyUp(key, count, flags);
}

int GameBase::OnMouseLeave() {
  if (m_input) m_input->OnMouseLeave();
  return 0;
}

void GameBase::OnHoverTick(uintptr_t timerId) {
  if (m_input) m_input->OnHoverTick(timerId);
}
