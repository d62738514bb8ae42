#include "platform/display/Display.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/base/RectUtil.h"
#include "platform/display/SdlDisplay.h"
#include "platform/gdi/DcInternal.h"
#include "platform/user/Paint.h"
#include "platform/user/UserState.h"
#include "platform/user/Window.h"

namespace platform {
namespace {

constexpr int HEADLESS_WIDTH = 1024;
constexpr int HEADLESS_HEIGHT = 768;

struct DisplayState {
  std::mutex lock;
  DisplayBackend backend = DisplayBackend::NONE;
  std::unique_ptr<SdlDisplay> sdl;
};

DisplayState& State() {
  static DisplayState* s = new DisplayState;  // never destroyed: the display thread may outlive statics
  return *s;
}

DisplayBackend FromEnvironment() {
  const char* forced = getenv("PXQD_DISPLAY");
  if (forced && strcmp(forced, "sdl") == 0) return DisplayBackend::SDL;
  if (forced && strcmp(forced, "headless") == 0) return DisplayBackend::HEADLESS;
  const char* x = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  if ((x && *x) || (wayland && *wayland)) return DisplayBackend::SDL;
  return DisplayBackend::HEADLESS;
}

}  // namespace

void SetScreenSize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  gdi::SetScreenSize(width, height);
  SetUserScreenRect(RECT{0, 0, width, height});
}

DisplayBackend StartDisplay() { return StartDisplay(FromEnvironment()); }

DisplayBackend StartDisplay(DisplayBackend wanted) {
  DisplayState& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  if (s.backend != DisplayBackend::NONE) return s.backend;
  if (wanted == DisplayBackend::SDL) {
    auto sdl = std::make_unique<SdlDisplay>();
    SIZE screen{};
    if (sdl->Start(&screen)) {
      SetScreenSize(screen.cx, screen.cy);
      SetDisplaySink(sdl->Sink());
      s.sdl = std::move(sdl);
      s.backend = DisplayBackend::SDL;
      return s.backend;
    }
  }
  SetScreenSize(HEADLESS_WIDTH, HEADLESS_HEIGHT);
  s.backend = DisplayBackend::HEADLESS;
  return s.backend;
}

void StopDisplay() {
  DisplayState& s = State();
  std::unique_ptr<SdlDisplay> sdl;
  {
    std::lock_guard<std::mutex> g(s.lock);
    sdl = std::move(s.sdl);
    s.backend = DisplayBackend::NONE;
  }
  SetDisplaySink(nullptr);
  if (sdl) sdl->Stop();
}

DisplayBackend CurrentDisplay() {
  DisplayState& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  return s.backend;
}

uint64_t PresentCount() {
  DisplayState& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  return s.sdl ? s.sdl->PresentCount() : 0;
}

bool CaptureWindow(HWND hwnd, std::vector<uint32_t>& pixels, int& width, int& height) {
  HWND root = GetAncestor(hwnd, GA_ROOT);
  // A layered window shows what lies beneath it where it is clear.
  if (root == hwnd && ComposeLayeredWindow(hwnd, pixels, width, height)) return true;
  RECT rc{}, rootRc{};
  if (!root || !GetWindowRect(hwnd, &rc) || !GetWindowRect(root, &rootRc)) return false;
  auto surface = TopLevelSurface(root);
  if (!surface) return false;
  width = RectWidth(rc);
  height = RectHeight(rc);
  if (width <= 0 || height <= 0) return false;
  pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  int ox = rc.left - rootRc.left, oy = rc.top - rootRc.top;
  for (int y = 0; y < height; ++y) {
    int sy = oy + y;
    if (sy < 0 || sy >= surface->Height()) continue;
    for (int x = 0; x < width; ++x) {
      int sx = ox + x;
      if (sx < 0 || sx >= surface->Width()) continue;
      pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = surface->Row32(sy)[sx];
    }
  }
  return true;
}

bool CaptureScreen(std::vector<uint32_t>& pixels, int& width, int& height) {
  auto desktop = ComposeDesktop();
  if (!desktop) return false;
  width = desktop->Width();
  height = desktop->Height();
  pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    memcpy(&pixels[static_cast<size_t>(y) * static_cast<size_t>(width)], desktop->Row32(y), static_cast<size_t>(width) * 4);
  }
  return true;
}

}  // namespace platform
