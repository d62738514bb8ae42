// The SDL2 backend on a real X server: starts Xvfb on a free display, shows a painted window
// through SDL, and reads the screen back with xwd to check a few pixels.
#include <gtest/gtest.h>
#include <signal.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <SDL.h>

#include <cstring>

#include "platform/kernel/Kernel.h"
#include "tests/platform/PaintTestSupport.h"

// The X and SDL libraries keep allocations for the life of the process; they are not ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXext\nleak:libXcursor\nleak:libXi\n"
         "leak:libXrandr\nleak:libXinerama\nleak:libXss\nleak:libXxf86vm\nleak:libXfixes\nleak:libXrender\n"
         "leak:libudev\nleak:libibus\n";
}

using namespace painttest;

namespace {

bool OnPath(const char* program) {
  const char* path = getenv("PATH");
  std::string p = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find(':', start);
    if (end == std::string::npos) end = p.size();
    std::string candidate = p.substr(start, end - start) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// An Xvfb server on the first free display number from 73 on; stopped when it goes.
class Xvfb {
 public:
  bool Start(int width, int height) {
    for (int n = 73; n < 200; ++n) {
      if (Exists("/tmp/.X11-unix/X" + std::to_string(n)) || Exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
      m_display = n;
      break;
    }
    if (m_display < 0) return false;
    std::string name = ":" + std::to_string(m_display);
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    m_pid = fork();
    if (m_pid == 0) {
      int devnull = open("/dev/null", O_WRONLY);
      if (devnull >= 0) {
        dup2(devnull, 1);
        dup2(devnull, 2);
      }
      execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp", nullptr);
      _exit(127);
    }
    if (m_pid < 0) return false;
    for (int i = 0; i < 500; ++i) {
      if (Exists("/tmp/.X11-unix/X" + std::to_string(m_display))) return true;
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
      }
      usleep(10000);
    }
    return false;
  }
  ~Xvfb() {
    // The display goes first: Xlib ends the process when its server disappears under it.
    platform::StopDisplay();
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      waitpid(m_pid, nullptr, 0);
    }
  }
  std::string Name() const { return ":" + std::to_string(m_display); }

 private:
  int m_display = -1;
  pid_t m_pid = -1;
};

// The root window as xwd dumps it: 32-bit pixels and the masks to read them with.
struct Dump {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t red = 0, green = 0, blue = 0;

  COLORREF At(int x, int y) const {
    uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    auto channel = [p](uint32_t mask) {
      if (!mask) return 0u;
      int shift = __builtin_ctz(mask);
      return ((p & mask) >> shift) & 0xFFu;
    };
    return RGB(channel(red), channel(green), channel(blue));
  }
};

bool ReadScreen(const std::string& display, Dump* out) {
  std::string file = "/tmp/pxqd-xwd-" + std::to_string(getpid()) + ".xwd";
  std::string cmd = "xwd -root -silent -display " + display + " -out " + file;
  if (system(cmd.c_str()) != 0) return false;
  std::ifstream in(file, std::ios::binary);
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  unlink(file.c_str());
  if (data.size() < 100) return false;
  auto field = [&](int i) {
    const unsigned char* b = &data[static_cast<size_t>(i) * 4];
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 | b[3];
  };
  uint32_t headerSize = field(0);
  uint32_t width = field(4), height = field(5), byteOrder = field(7), bpp = field(11), bytesPerLine = field(12);
  uint32_t ncolors = field(19);
  if ((bpp != 32 && bpp != 24) || width == 0 || height == 0 || width > 10000 || height > 10000) return false;
  uint32_t bytes = bpp / 8;
  size_t offset = headerSize + static_cast<size_t>(ncolors) * 12;
  if (data.size() < offset + static_cast<size_t>(bytesPerLine) * height) return false;
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->red = field(14);
  out->green = field(15);
  out->blue = field(16);
  out->pixels.resize(static_cast<size_t>(width) * height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const unsigned char* b = &data[offset + static_cast<size_t>(y) * bytesPerLine + x * bytes];
      uint32_t p = 0;
      for (uint32_t i = 0; i < bytes; ++i) {
        // LSBFirst (0) puts the low byte first.
        uint32_t byte = byteOrder == 0 ? b[bytes - 1 - i] : b[i];
        p = p << 8 | byte;
      }
      out->pixels[static_cast<size_t>(y) * width + x] = p;
    }
  }
  return true;
}

// SDL loads the X libraries itself and unloads them when it quits; kept loaded, their own
// allocations keep their names, which the suppressions above need.
void PinXLibraries() {
  for (const char* lib : {"libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXi.so.6", "libXrandr.so.2",
                          "libXinerama.so.1", "libXss.so.1", "libXxf86vm.so.1", "libXfixes.so.3", "libXrender.so.1",
                          "libdbus-1.so.3", "libudev.so.1", "libibus-1.0.so.5"}) {
    dlopen(lib, RTLD_LAZY | RTLD_NODELETE);
  }
}

TEST(SdlDisplay, ShowsAPaintedWindowOnARealXServer) {
  if (!OnPath("Xvfb") || !OnPath("xwd")) GTEST_SKIP() << "Xvfb or xwd is not installed (scripts/packages.txt)";
  PinXLibraries();
  Xvfb server;
  ASSERT_TRUE(server.Start(640, 480));
  setenv("DISPLAY", server.Name().c_str(), 1);
  setenv("PXQD_DISPLAY", "sdl", 1);
  ASSERT_EQ(platform::DisplayBackend::SDL, platform::StartDisplay());
  // The screen size comes from the display.
  EXPECT_EQ(640, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(480, GetSystemMetrics(SM_CYSCREEN));

  HWND top = Make(WS_POPUP | WS_VISIBLE, 40, 30, 120, 80, nullptr, RGB(255, 0, 0));
  HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 10, 30, 20, top, RGB(0, 0, 255));
  ASSERT_NE(nullptr, child);
  // Paint, then wait until the pixels are on the X server.
  Dump screen;
  bool seen = false;
  for (int i = 0; i < 100 && !seen; ++i) {
    Pump();
    Sleep(30);
    if (platform::PresentCount() == 0) continue;
    seen = ReadScreen(server.Name(), &screen) && screen.At(40 + 100, 30 + 60) == RGB(255, 0, 0) &&
           screen.At(40 + 15, 30 + 15) == RGB(0, 0, 255);
  }
  ASSERT_TRUE(seen) << "the window's pixels never reached the screen: presented " << platform::PresentCount()
                    << " times, screen " << screen.width << "x" << screen.height << ", pixel "
                    << (screen.width ? screen.At(140, 90) : 0) << ", masks " << screen.red << " " << screen.green << " "
                    << screen.blue;
  EXPECT_EQ(640, screen.width);
  EXPECT_NE(RGB(255, 0, 0), screen.At(20, 20));   // outside the window
  EXPECT_NE(RGB(255, 0, 0), screen.At(170, 60));  // right of it

  // Keys and text as SDL reports them become key messages and GBK characters for the focus.
  SetFocus(child);
  Pump();
  TheLog().Clear();
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = SDLK_a;
  e.key.keysym.scancode = SDL_SCANCODE_A;
  SDL_PushEvent(&e);
  e.type = SDL_KEYUP;
  SDL_PushEvent(&e);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  strcpy(text.text.text, "\xE4\xB8\xAD");  // UTF-8 of the character GBK writes D6 D0
  SDL_PushEvent(&text);
  std::string chars;
  for (int i = 0; i < 100 && chars.size() < 3; ++i) {
    Sleep(10);
    Pump();
    chars.clear();
    for (const Seen& s : TheLog().seen) {
      if (s.message == WM_CHAR && s.hwnd == child) chars += static_cast<char>(s.wParam);
    }
  }
  EXPECT_EQ(std::string("a\xD6\xD0"), chars);

  // Moving the window moves it on the screen.
  MoveWindow(top, 300, 200, 120, 80, TRUE);
  seen = false;
  for (int i = 0; i < 100 && !seen; ++i) {
    Pump();
    Sleep(30);
    seen = ReadScreen(server.Name(), &screen) && screen.At(300 + 100, 200 + 60) == RGB(255, 0, 0) &&
           screen.At(40 + 100, 30 + 60) != RGB(255, 0, 0);
  }
  EXPECT_TRUE(seen) << "the moved window did not show at its new place";
  DestroyWindow(top);
  Pump();
  platform::StopDisplay();
}

}  // namespace
