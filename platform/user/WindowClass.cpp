#include "platform/user/WindowClass.h"

#include <cstring>
#include <memory>

#include "platform/base/WinError.h"
#include "platform/user/UserState.h"
#include "platform/user/controls/Controls.h"

namespace platform {

bool ClassNameEquals(const std::string& a, const char* b) {
  size_t n = strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::shared_ptr<ClassRecord> FindClassRecord(LPCSTR className) {
  if (!className) return nullptr;
  for (auto& c : User().classes) {
    if (IS_INTRESOURCE(className)) {
      if (c->atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className))) return c;
    } else if (ClassNameEquals(c->name, className)) {
      return c;
    }
  }
  return nullptr;
}

}  // namespace platform

using namespace platform;

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !*wc->lpszClassName ||
      strlen(wc->lpszClassName) > 255 || wc->cbClsExtra < 0 || wc->cbWndExtra < 0 ||
      wc->cbClsExtra > 40 * 1024 || wc->cbWndExtra > 40 * 1024) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto lock = UserLock();
  if (FindClassRecord(wc->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  UserState& s = User();
  if (s.nextAtom == 0xFFFF) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  auto c = std::make_shared<ClassRecord>();
  c->atom = s.nextAtom++;
  c->name = wc->lpszClassName;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->clsExtra = wc->cbClsExtra;
  c->wndExtra = wc->cbWndExtra;
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->iconSmall = wc->hIconSm;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  c->menuNameRaw = wc->lpszMenuName;
  if (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) {
    c->menuName = wc->lpszMenuName;
    c->menuNameRaw = nullptr;
  }
  s.classes.push_back(c);
  return c->atom;
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXA ex{};
  ex.cbSize = sizeof ex;
  ex.style = wc->style;
  ex.lpfnWndProc = wc->lpfnWndProc;
  ex.cbClsExtra = wc->cbClsExtra;
  ex.cbWndExtra = wc->cbWndExtra;
  ex.hInstance = wc->hInstance;
  ex.hIcon = wc->hIcon;
  ex.hCursor = wc->hCursor;
  ex.hbrBackground = wc->hbrBackground;
  ex.lpszMenuName = wc->lpszMenuName;
  ex.lpszClassName = wc->lpszClassName;
  return RegisterClassExA(&ex);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  auto lock = UserLock();
  auto c = FindClassRecord(className);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (c->windowCount > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  auto& list = User().classes;
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (*it == c) {
      list.erase(it);
      break;
    }
  }
  return TRUE;
}

namespace {

bool FillClassInfo(LPCSTR className, WNDCLASSEXA* out, ATOM* atom) {
  auto lock = UserLock();
  auto c = FindClassRecord(className);
  if (!c) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return false;
  }
  out->style = c->style;
  out->lpfnWndProc = c->proc;
  out->cbClsExtra = c->clsExtra;
  out->cbWndExtra = c->wndExtra;
  out->hInstance = c->instance;
  out->hIcon = c->icon;
  out->hIconSm = c->iconSmall;
  out->hCursor = c->cursor;
  out->hbrBackground = c->background;
  // The strings live as long as the class; the caller's own name pointer is handed back, as
  // Win32 does.
  out->lpszMenuName = c->menuName.empty() ? c->menuNameRaw : c->menuName.c_str();
  out->lpszClassName = className;
  *atom = c->atom;
  return true;
}

}  // namespace

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, LPWNDCLASSA wc) {
  RegisterStandardControls();  // the system's classes are there before anything asks
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WNDCLASSEXA ex{};
  ATOM atom = 0;
  if (!FillClassInfo(className, &ex, &atom)) return FALSE;
  wc->style = ex.style;
  wc->lpfnWndProc = ex.lpfnWndProc;
  wc->cbClsExtra = ex.cbClsExtra;
  wc->cbWndExtra = ex.cbWndExtra;
  wc->hInstance = ex.hInstance;
  wc->hIcon = ex.hIcon;
  wc->hCursor = ex.hCursor;
  wc->hbrBackground = ex.hbrBackground;
  wc->lpszMenuName = ex.lpszMenuName;
  wc->lpszClassName = ex.lpszClassName;
  return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR className, LPWNDCLASSEXA wc) {
  RegisterStandardControls();
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ATOM atom = 0;
  if (!FillClassInfo(className, wc, &atom)) return FALSE;
  return atom;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto lock = UserLock();
  WindowRecord* w = FindWindowRecord(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const std::string& name = w->cls->name;
  size_t n = std::min(name.size(), static_cast<size_t>(maxCount - 1));
  memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}
