#include "platform/display/SdlDisplay.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/base/RectUtil.h"
#include "platform/gdi/DcInternal.h"
#include "platform/user/Input.h"
#include "platform/user/UserState.h"

namespace platform {

namespace {

// Pixels the program finished drawing, waiting to be put on the screen.
struct Staged {
  std::vector<uint32_t> pixels;
  int width = 0;
  int height = 0;
  RECT dirty{};
};

// What the display thread keeps per SDL window.
struct Shown {
  SDL_Window* window = nullptr;
  HWND hwnd = nullptr;
  RECT rect{};
};

UINT VirtualKeyFor(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<UINT>('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<UINT>('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<UINT>(VK_F1 + (k - SDLK_F1));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return static_cast<UINT>(VK_NUMPAD0 + 1 + (k - SDLK_KP_1));
  switch (k) {
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LSHIFT: return VK_LSHIFT;
    case SDLK_RSHIFT: return VK_RSHIFT;
    case SDLK_LCTRL: return VK_LCONTROL;
    case SDLK_RCTRL: return VK_RCONTROL;
    case SDLK_LALT: return VK_LMENU;
    case SDLK_RALT: return VK_RMENU;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
  }
}

SDL_SystemCursor SystemCursorFor(HCURSOR c) {
  switch (static_cast<int>(reinterpret_cast<intptr_t>(c) & 0xFFFF)) {
    case 32513: return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643: return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644: return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645: return SDL_SYSTEM_CURSOR_SIZENS;
    case 32646: return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648: return SDL_SYSTEM_CURSOR_NO;
    case 32649: return SDL_SYSTEM_CURSOR_HAND;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

}  // namespace

struct SdlDisplay::Shared {
  std::mutex lock;
  std::unordered_map<HWND, Staged> staged;
  bool windowsChanged = true;
  bool cursorChanged = false;
  HCURSOR cursor = nullptr;
  bool cursorShown = true;
  std::optional<POINT> warp;
  Uint32 wakeEvent = 0;
  std::atomic<bool> running{false};
  std::atomic<bool> wakePending{false};
  std::atomic<uint64_t> presents{0};

  void Wake() {
    if (!running || wakePending.exchange(true)) return;
    SDL_Event e{};
    e.type = wakeEvent;
    SDL_PushEvent(&e);
  }
};

namespace {

class Sink : public DisplaySink {
 public:
  explicit Sink(std::shared_ptr<SdlDisplay::Shared> shared) : m_shared(std::move(shared)) {}

  void TopLevelChanged() override {
    {
      std::lock_guard<std::mutex> g(m_shared->lock);
      m_shared->windowsChanged = true;
    }
    m_shared->Wake();
  }

  void SurfaceChanged(HWND root, const RECT& rect) override {
    auto surface = TopLevelSurface(root);
    if (!surface) return;
    // A layered window is shown composed over the program's windows beneath it: SDL windows
    // have no per-pixel transparency of their own.
    std::vector<uint32_t> composed;
    int cw = 0, ch = 0;
    if (ComposeLayeredWindow(root, composed, cw, ch)) {
      {
        std::lock_guard<std::mutex> g(m_shared->lock);
        Staged& s = m_shared->staged[root];
        s.width = cw;
        s.height = ch;
        s.pixels = std::move(composed);
        s.dirty = RECT{0, 0, cw, ch};
      }
      m_shared->Wake();
      return;
    }
    {
      // The copy is made here, on the thread that drew, so that the display thread never reads
      // a surface while the program draws into it.
      std::lock_guard<std::mutex> g(m_shared->lock);
      Staged& s = m_shared->staged[root];
      RECT r = rect;
      if (s.width != surface->Width() || s.height != surface->Height()) {
        s.width = surface->Width();
        s.height = surface->Height();
        s.pixels.assign(static_cast<size_t>(s.width) * static_cast<size_t>(s.height), 0);
        r = RECT{0, 0, s.width, s.height};
        s.dirty = RECT{};
      }
      RECT bounds{0, 0, s.width, s.height};
      if (!IntersectRect(&r, &r, &bounds)) return;
      for (int y = r.top; y < r.bottom; ++y) {
        memcpy(&s.pixels[static_cast<size_t>(y) * static_cast<size_t>(s.width) + static_cast<size_t>(r.left)],
               surface->Row32(y) + r.left, static_cast<size_t>(RectWidth(r)) * 4);
      }
      UnionRect(&s.dirty, &s.dirty, &r);
    }
    m_shared->Wake();
  }

  void CursorChanged(HCURSOR cursor, bool shown) override {
    {
      std::lock_guard<std::mutex> g(m_shared->lock);
      m_shared->cursor = cursor;
      m_shared->cursorShown = shown;
      m_shared->cursorChanged = true;
    }
    m_shared->Wake();
  }

  void WarpPointer(POINT screen) override {
    {
      std::lock_guard<std::mutex> g(m_shared->lock);
      m_shared->warp = screen;
    }
    m_shared->Wake();
  }

 private:
  std::shared_ptr<SdlDisplay::Shared> m_shared;
};

// The display thread's own state.
struct Screen {
  std::vector<Shown> shown;  // in z-order, topmost first
  std::unordered_map<int, SDL_Cursor*> cursors;
  int buttonsDown = 0;

  Shown* ById(Uint32 id) {
    for (Shown& s : shown) {
      if (SDL_GetWindowID(s.window) == id) return &s;
    }
    return nullptr;
  }
  Shown* ByHwnd(HWND h) {
    for (Shown& s : shown) {
      if (s.hwnd == h) return &s;
    }
    return nullptr;
  }
};

POINT ScreenPoint(Screen& screen, Uint32 windowId, int x, int y) {
  if (Shown* s = screen.ById(windowId)) return POINT{s->rect.left + x, s->rect.top + y};
  int gx = 0, gy = 0;
  SDL_GetGlobalMouseState(&gx, &gy);
  return POINT{gx, gy};
}

void SyncWindows(Screen& screen, SdlDisplay::Shared& shared) {
  std::vector<TopLevelView> views = TopLevelViews();
  {
    // Pixels of windows that are gone are not kept.
    std::lock_guard<std::mutex> g(shared.lock);
    for (auto it = shared.staged.begin(); it != shared.staged.end();) {
      bool exists = std::any_of(views.begin(), views.end(), [&](const TopLevelView& v) { return v.hwnd == it->first; });
      it = exists ? std::next(it) : shared.staged.erase(it);
    }
  }
  std::vector<Shown> next;
  bool orderChanged = false;
  for (const TopLevelView& v : views) {
    if (!v.visible || RectWidth(v.screenRect) <= 0 || RectHeight(v.screenRect) <= 0) continue;
    Shown* old = screen.ByHwnd(v.hwnd);
    Shown s;
    if (old) {
      s = *old;
      old->window = nullptr;  // moved to `next`
      if (!EqualRect(&s.rect, &v.screenRect)) {
        SDL_SetWindowPosition(s.window, v.screenRect.left, v.screenRect.top);
        SDL_SetWindowSize(s.window, RectWidth(v.screenRect), RectHeight(v.screenRect));
        s.rect = v.screenRect;
      }
    } else {
      s.hwnd = v.hwnd;
      s.rect = v.screenRect;
      s.window = SDL_CreateWindow("", v.screenRect.left, v.screenRect.top, RectWidth(v.screenRect),
                                  RectHeight(v.screenRect), SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
      if (!s.window) continue;
      orderChanged = true;
      std::lock_guard<std::mutex> g(shared.lock);
      auto it = shared.staged.find(v.hwnd);
      if (it != shared.staged.end()) it->second.dirty = RECT{0, 0, it->second.width, it->second.height};
    }
    next.push_back(s);
  }
  for (Shown& s : screen.shown) {
    if (s.window) SDL_DestroyWindow(s.window);
  }
  if (!orderChanged && next.size() == screen.shown.size()) {
    for (size_t i = 0; i < next.size(); ++i) orderChanged |= next[i].hwnd != screen.shown[i].hwnd;
  } else {
    orderChanged = true;
  }
  screen.shown = std::move(next);
  if (orderChanged) {
    // Raising bottom first leaves the topmost window on top.
    for (auto it = screen.shown.rbegin(); it != screen.shown.rend(); ++it) SDL_RaiseWindow(it->window);
  }
}

bool Present(Screen& screen, SdlDisplay::Shared& shared) {
  bool any = false;
  for (Shown& s : screen.shown) {
    std::lock_guard<std::mutex> g(shared.lock);
    auto it = shared.staged.find(s.hwnd);
    if (it == shared.staged.end() || IsRectEmpty(&it->second.dirty)) continue;
    Staged& st = it->second;
    SDL_Surface* target = SDL_GetWindowSurface(s.window);
    if (!target) continue;
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(st.pixels.data(), st.width, st.height, 32, st.width * 4,
                                                             SDL_PIXELFORMAT_ARGB8888);
    if (!source) continue;
    SDL_Rect r{st.dirty.left, st.dirty.top, RectWidth(st.dirty), RectHeight(st.dirty)};
    SDL_Rect d = r;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    SDL_BlitSurface(source, &r, target, &d);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurfaceRects(s.window, &r, 1);
    st.dirty = RECT{};
    any = true;
  }
  return any;
}

void HandleEvent(Screen& screen, const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      InjectMouseMove(ScreenPoint(screen, e.motion.windowID, e.motion.x, e.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int button = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1
                   : e.button.button == SDL_BUTTON_MIDDLE                                      ? 2
                                                                                               : -1;
      if (button < 0) break;
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      // While a button is held the pointer stays with us outside the windows too.
      screen.buttonsDown = std::max(0, screen.buttonsDown + (down ? 1 : -1));
      SDL_CaptureMouse(screen.buttonsDown > 0 ? SDL_TRUE : SDL_FALSE);
      InjectMouseButton(button, down, ScreenPoint(screen, e.button.windowID, e.button.x, e.button.y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      int gx = 0, gy = 0;
      SDL_GetGlobalMouseState(&gx, &gy);
      int dy = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      if (dy) InjectMouseWheel(dy * WHEEL_DELTA, POINT{gx, gy});
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (UINT vk = VirtualKeyFor(e.key.keysym.sym)) {
        InjectKey(vk, e.type == SDL_KEYDOWN, static_cast<UINT>(e.key.keysym.scancode));
      }
      break;
    case SDL_TEXTINPUT:
      InjectText(e.text.text);
      break;
    default:
      break;
  }
}

}  // namespace

SdlDisplay::SdlDisplay() : m_shared(std::make_shared<Shared>()) {}

SdlDisplay::~SdlDisplay() { Stop(); }

std::shared_ptr<DisplaySink> SdlDisplay::Sink() const { return std::make_shared<platform::Sink>(m_shared); }

uint64_t SdlDisplay::PresentCount() const { return m_shared->presents.load(); }

bool SdlDisplay::Start(SIZE* screen) {
  std::promise<bool> started;
  auto ready = started.get_future();
  m_thread = std::thread([this, screen, &started]() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // Our pixels are ready-made: the window system's own image transfer shows them, without
    // loading a GL driver for a renderer the windows do not need.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
      started.set_value(false);
      return;
    }
    // Without a display SDL falls back to drivers that show nothing; headless serves better then.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || (strcmp(driver, "x11") != 0 && strcmp(driver, "wayland") != 0)) {
      SDL_Quit();
      started.set_value(false);
      return;
    }
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) *screen = SIZE{mode.w, mode.h};
    m_shared->wakeEvent = SDL_RegisterEvents(1);
    SDL_StartTextInput();
    m_shared->running = true;
    started.set_value(true);
    Run(screen);
  });
  if (!ready.get()) {
    m_thread.join();
    return false;
  }
  return true;
}

void SdlDisplay::Run(SIZE*) {
  Screen screen;
  while (m_shared->running) {
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, 100)) {
      do {
        if (e.type == m_shared->wakeEvent) {
          m_shared->wakePending = false;
        } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_EXPOSED) {
          if (Shown* s = screen.ById(e.window.windowID)) {
            std::lock_guard<std::mutex> g(m_shared->lock);
            auto it = m_shared->staged.find(s->hwnd);
            if (it != m_shared->staged.end()) it->second.dirty = RECT{0, 0, it->second.width, it->second.height};
          }
        } else {
          HandleEvent(screen, e);
        }
      } while (SDL_PollEvent(&e));
    }
    bool windowsChanged = false, cursorChanged = false, shownCursor = true;
    HCURSOR cursor = nullptr;
    std::optional<POINT> warp;
    {
      std::lock_guard<std::mutex> g(m_shared->lock);
      windowsChanged = m_shared->windowsChanged;
      m_shared->windowsChanged = false;
      cursorChanged = m_shared->cursorChanged;
      m_shared->cursorChanged = false;
      cursor = m_shared->cursor;
      shownCursor = m_shared->cursorShown;
      warp = m_shared->warp;
      m_shared->warp.reset();
    }
    if (windowsChanged) SyncWindows(screen, *m_shared);
    if (Present(screen, *m_shared)) ++m_shared->presents;
    if (cursorChanged) {
      int kind = static_cast<int>(SystemCursorFor(cursor));
      SDL_Cursor*& c = screen.cursors[kind];
      if (!c) c = SDL_CreateSystemCursor(static_cast<SDL_SystemCursor>(kind));
      if (c) SDL_SetCursor(c);
      SDL_ShowCursor(shownCursor && cursor ? SDL_ENABLE : SDL_DISABLE);
    }
    if (warp) SDL_WarpMouseGlobal(warp->x, warp->y);
  }
  for (Shown& s : screen.shown) SDL_DestroyWindow(s.window);
  for (auto& [kind, c] : screen.cursors) SDL_FreeCursor(c);
  SDL_StopTextInput();
  SDL_Quit();
}

void SdlDisplay::Stop() {
  if (!m_thread.joinable()) return;
  m_shared->running = false;
  SDL_Event e{};
  e.type = m_shared->wakeEvent;
  SDL_PushEvent(&e);
  m_thread.join();
}

}  // namespace platform
