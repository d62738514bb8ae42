#include "platform/skin/SkinLibrary.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "platform/base/WinError.h"
#include "platform/base/RectUtil.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Profile.h"
#include "platform/user/Hook.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Resources.h"
#include "platform/user/User.h"

namespace {

// The hit-test code of the caption's skin button, beside the system's HT values.
const LRESULT HT_SKIN_BUTTON = 0x7A;
const size_t VALUE_CHARS = 258;  // the program's own skin.ini readers take 257 characters

struct FrameState {
  WNDPROC previous = nullptr;
  UINT menuId = 0;
  bool active = true;
};

// Everything the library keeps. The entries are called from the UI thread, but dialogs of other
// threads may erase through it, so the state is guarded.
struct SkinState {
  std::recursive_mutex lock;
  std::string ini;     // the skin.ini in use, GBK, as given; empty when none
  std::string folder;  // its folder with a trailing separator
  std::map<std::string, HBITMAP> pictures;
  std::map<HWND, FrameState> frames;
  std::map<HWND, WNDPROC> dialogs;
  std::set<HWND> ownErase;
  std::map<HWND, WNDPROC> children;
  std::map<HWND, HDC> backgrounds;
  HHOOK hook = nullptr;
};

SkinState& State() {
  static SkinState* state = new SkinState;
  return *state;
}

std::string ReadValue(const std::string& ini, const char* section, const char* key) {
  char buffer[VALUE_CHARS] = {};
  GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, ini.c_str());
  std::string value(buffer);
  size_t first = value.find_first_not_of(' ');
  size_t last = value.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
}

// "R G B" as the program reads colours: atoi of each part, low 8 bits; one number stands for all
// three, two numbers give the second to green and blue.
bool ParseColor(const std::string& text, COLORREF* out) {
  if (text.empty()) return false;
  std::string rest = text;
  int channel[3];
  for (int i = 0; i < 3; ++i) {
    channel[i] = std::atoi(rest.c_str()) & 0xFF;
    size_t space = rest.find(' ');
    if (space != std::string::npos) {
      rest = rest.substr(space + 1);
      size_t first = rest.find_first_not_of(' ');
      rest = first == std::string::npos ? std::string() : rest.substr(first);
    }
  }
  *out = RGB(channel[0], channel[1], channel[2]);
  return true;
}

COLORREF ReadColorOr(const char* section, const char* key, COLORREF fallback) {
  SkinState& s = State();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  COLORREF c;
  if (!s.ini.empty() && ParseColor(ReadValue(s.ini, section, key), &c)) return c;
  return fallback;
}

void DeletePicturesLocked(SkinState& s) {
  for (auto& [name, bitmap] : s.pictures) {
    if (bitmap && GetObjectType(bitmap) == OBJ_BITMAP) DeleteObject(bitmap);
  }
  s.pictures.clear();
}

// ---- the frame's caption -----------------------------------------------------------------------

RECT SkinButtonRect(HWND hwnd) {
  RECT window{};
  GetWindowRect(hwnd, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  platform::NonClientLayout layout = platform::LayoutNonClient(
      width, height, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)),
      static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
  const RECT& caption = layout.caption;
  if (caption.bottom - caption.top < 8) return RECT{};
  int right = caption.right;
  for (const RECT* b : {&layout.closeButton, &layout.maxButton, &layout.minButton}) {
    if (b->right > b->left && b->left < right) right = b->left;
  }
  const int size = caption.bottom - caption.top - 4;
  return RECT{right - 2 - size, caption.top + 2, right - 2, caption.top + 2 + size};
}

void PaintCaption(HWND hwnd, bool active) {
  RECT button = SkinButtonRect(hwnd);
  if (button.right <= button.left) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  bool skinned = false;
  {
    SkinState& s = State();
    std::lock_guard<std::recursive_mutex> g(s.lock);
    skinned = !s.ini.empty();
  }
  if (skinned) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    platform::NonClientLayout layout = platform::LayoutNonClient(
        window.right - window.left, window.bottom - window.top, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)),
        static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
    RECT band{layout.caption.left, layout.caption.top, button.left - 2, layout.caption.bottom};
    COLORREF fill = active ? ReadColorOr("CAPTION", "Active", GetSysColor(COLOR_ACTIVECAPTION))
                           : ReadColorOr("CAPTION", "Inactive", GetSysColor(COLOR_INACTIVECAPTION));
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &band, brush);
    DeleteObject(brush);
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ReadColorOr("CAPTION", "Text", RGB(255, 255, 255)));
    RECT text = band;
    text.left += 4;
    DrawTextA(dc, title, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
  }
  // The skin button: a push button with a small arrow that points down to the menu it opens.
  RECT face = button;
  DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH);
  const int cx = (button.left + button.right) / 2;
  const int cy = (button.top + button.bottom) / 2;
  HBRUSH arrow = CreateSolidBrush(GetSysColor(COLOR_BTNTEXT));
  for (int row = 0; row < 3; ++row) {
    RECT line{cx - 3 + row, cy - 1 + row, cx + 4 - row, cy + row};
    FillRect(dc, &line, arrow);
  }
  DeleteObject(arrow);
  ReleaseDC(hwnd, dc);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = nullptr;
  bool active = true;
  {
    SkinState& s = State();
    std::lock_guard<std::recursive_mutex> g(s.lock);
    auto it = s.frames.find(hwnd);
    if (it == s.frames.end()) return DefWindowProcA(hwnd, message, wParam, lParam);
    previous = it->second.previous;
    if (message == WM_NCACTIVATE) it->second.active = wParam != 0;
    active = it->second.active;
  }
  switch (message) {
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_SETTEXT: {
      LRESULT r = CallWindowProcA(previous, hwnd, message, wParam, lParam);
      PaintCaption(hwnd, active);
      return r;
    }
    case WM_NCHITTEST: {
      RECT window{};
      GetWindowRect(hwnd, &window);
      POINT pt{static_cast<short>(LOWORD(lParam)) - window.left, static_cast<short>(HIWORD(lParam)) - window.top};
      RECT button = SkinButtonRect(hwnd);
      if (PtInRect(&button, pt)) return HT_SKIN_BUTTON;
      break;
    }
    case WM_NCLBUTTONDOWN:
      if (static_cast<LRESULT>(wParam) == HT_SKIN_BUTTON) {
        RECT button = SkinButtonRect(hwnd);
        SendMessageA(hwnd, WM_SKIN_MENU, reinterpret_cast<WPARAM>(&button), 0);
        return 0;
      }
      break;
    case WM_NCDESTROY: {
      SkinState& s = State();
      std::lock_guard<std::recursive_mutex> g(s.lock);
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      s.frames.erase(hwnd);
      break;
    }
    default:
      break;
  }
  return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}

// ---- dialogs and skinned controls ---------------------------------------------------------------

LRESULT CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = nullptr;
  bool paint = false;
  {
    SkinState& s = State();
    std::lock_guard<std::recursive_mutex> g(s.lock);
    auto it = s.dialogs.find(hwnd);
    if (it == s.dialogs.end()) return DefWindowProcA(hwnd, message, wParam, lParam);
    previous = it->second;
    paint = message == WM_ERASEBKGND && !s.ini.empty() && !s.ownErase.count(hwnd);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      s.dialogs.erase(hwnd);
      s.ownErase.erase(hwnd);
    }
  }
  if (paint) {
    RECT client{};
    GetClientRect(hwnd, &client);
    HBRUSH brush = CreateSolidBrush(SkinGetColor(COLOR_BTNFACE));
    FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
    DeleteObject(brush);
    return 1;
  }
  return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = nullptr;
  HDC background = nullptr;
  {
    SkinState& s = State();
    std::lock_guard<std::recursive_mutex> g(s.lock);
    auto it = s.children.find(hwnd);
    if (it == s.children.end()) return DefWindowProcA(hwnd, message, wParam, lParam);
    previous = it->second;
    auto bg = s.backgrounds.find(GetParent(hwnd));
    if (bg != s.backgrounds.end()) background = bg->second;
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      s.children.erase(hwnd);
    }
  }
  if (message == WM_ERASEBKGND && background) {
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    MapWindowPoints(hwnd, GetParent(hwnd), &origin, 1);
    BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, client.right, client.bottom, background, origin.x, origin.y, SRCCOPY);
    return 1;
  }
  return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}

bool IsDialogClass(HWND hwnd) {
  char name[16] = {};
  return GetClassNameA(hwnd, name, sizeof name) > 0 && std::strcmp(name, "#32770") == 0;
}

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    if (IsDialogClass(hwnd)) {
      SkinState& s = State();
      std::lock_guard<std::recursive_mutex> g(s.lock);
      if (!s.dialogs.count(hwnd)) {
        s.dialogs[hwnd] =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DialogProc)));
      }
    }
  }
  // The hook hands on with its own handle, so that the hooks set before it (the class library's
  // creation hook among them) run too.
  HHOOK self = nullptr;
  {
    SkinState& s = State();
    std::lock_guard<std::recursive_mutex> g(s.lock);
    self = s.hook;
  }
  return CallNextHookEx(self, code, wParam, lParam);
}

void RepaintSkinnedWindows() {
  std::vector<HWND> windows;
  {
    SkinState& s = State();
    std::lock_guard<std::recursive_mutex> g(s.lock);
    for (auto& [h, f] : s.frames) windows.push_back(h);
    for (auto& [h, p] : s.dialogs) windows.push_back(h);
    for (auto& [h, p] : s.children) windows.push_back(h);
  }
  for (HWND h : windows) {
    RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

bool TakeSkin(LPCSTR skinIni) {
  if (!skinIni || !*skinIni) return false;
  DWORD attributes = GetFileAttributesA(skinIni);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  SkinState& s = State();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  DeletePicturesLocked(s);
  s.ini = skinIni;
  size_t slash = s.ini.find_last_of("\\/");
  s.folder = slash == std::string::npos ? std::string() : s.ini.substr(0, slash + 1);
  if (!s.hook) s.hook = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
  return true;
}

}  // namespace

BOOL SkinLoad(LPCSTR skinIni, int flags) { return TakeSkin(skinIni) ? TRUE : FALSE; }

BOOL SkinSwitch(LPCSTR skinIni, int flags) {
  if (!TakeSkin(skinIni)) return FALSE;
  RepaintSkinnedWindows();
  return TRUE;
}

void SkinRelease() {
  {
    SkinState& s = State();
    std::lock_guard<std::recursive_mutex> g(s.lock);
    DeletePicturesLocked(s);
    s.ini.clear();
    s.folder.clear();
    if (s.hook) UnhookWindowsHookEx(s.hook);
    s.hook = nullptr;
  }
  RepaintSkinnedWindows();
}

BOOL SkinAttachFrame(HWND frame, UINT menuId) {
  if (!IsWindow(frame)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  {
    SkinState& s = State();
    std::lock_guard<std::recursive_mutex> g(s.lock);
    auto it = s.frames.find(frame);
    if (it != s.frames.end()) {
      it->second.menuId = menuId;
      return TRUE;
    }
    FrameState state;
    state.menuId = menuId;
    state.active = GetActiveWindow() == frame;
    state.previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameProc)));
    s.frames[frame] = state;
  }
  RedrawWindow(frame, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  return TRUE;
}

void SkinBeforeHide(HWND hwnd) {
  SkinState& s = State();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  s.backgrounds.erase(hwnd);
}

void SkinChildControl(HWND child, int flags) {
  if (!IsWindow(child)) return;
  SkinState& s = State();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  if (s.children.count(child)) return;
  s.children[child] =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChildProc)));
}

COLORREF SkinGetColor(int number) {
  char key[16];
  std::snprintf(key, sizeof key, "%d", number);
  return ReadColorOr("COLORS", key, GetSysColor(number));
}

void skinppSetDialogEraseBkgnd(HWND dialog, BOOL ownErase) {
  SkinState& s = State();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  if (ownErase) {
    s.ownErase.insert(dialog);
  } else {
    s.ownErase.erase(dialog);
  }
}

void skinppSetBackgroundDC(HWND hwnd, HDC dc) {
  SkinState& s = State();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  if (dc) {
    s.backgrounds[hwnd] = dc;
  } else {
    s.backgrounds.erase(hwnd);
  }
}

HBITMAP skinppGetBitmapRes(LPCSTR name) {
  if (!name || !*name) return nullptr;
  SkinState& s = State();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  if (s.ini.empty()) return nullptr;
  auto it = s.pictures.find(name);
  if (it != s.pictures.end()) {
    // A caller may have deleted the picture it was lent; then it is loaded again.
    if (it->second && GetObjectType(it->second) == OBJ_BITMAP) return it->second;
    s.pictures.erase(it);
  }
  std::string file = ReadValue(s.ini, "BitmapResource", name);
  if (file.empty()) file = ReadValue(s.ini, "JPGResource", name);
  if (file.empty()) return nullptr;
  HBITMAP bitmap = platform::LoadPictureFile((s.folder + file).c_str());
  if (bitmap) s.pictures[name] = bitmap;
  return bitmap;
}

namespace platform {

std::string CurrentSkinIni() {
  SkinState& s = State();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  return s.ini;
}

}  // namespace platform
