#include "framework/SharedHelpers.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gdi/Text.h"
#include "platform/kernel/Kernel.h"
#include "platform/media/MMSystem.h"
#include "platform/user/User.h"

CString GetSharedSettingsPath() {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, MAX_PATH);
  CString path;
  path.Format("%s\\kmvt.ini", folder);
  return path;
}

int GetMacAddresses(BYTE* buffer, int size) {
  ULONG needed = 0;
  GetAdaptersInfo(nullptr, &needed);
  if (needed == 0) return -1;
  std::vector<BYTE> list(needed);
  auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(list.data());
  if (GetAdaptersInfo(info, &needed) != ERROR_SUCCESS) return -1;
  int count = 0;
  int used = 0;
  for (IP_ADAPTER_INFO* adapter = info; adapter != nullptr; adapter = adapter->Next) {
    if (adapter->Type != MIB_IF_TYPE_ETHERNET) continue;
    int length = static_cast<int>(adapter->AddressLength);
    if (length > MAX_ADAPTER_ADDRESS_LENGTH) length = MAX_ADAPTER_ADDRESS_LENGTH;
    // Only whole addresses that fit are kept: the id uses the first two and a half anyway, and
    // a machine with many adapters must not write past the caller's buffer.
    if (used + length > size) break;
    std::memcpy(buffer + used, adapter->Address, length);
    used += length;
    ++count;
  }
  return count;
}

void MakeMachineId(const BYTE* addresses, int count, LPCSTR settingsPath, char* out) {
  std::memset(out, 0, MACHINE_ID_SIZE);
  if (count > 0) {
    char hex[2 * MAC_BUFFER_SIZE + 1] = {};
    BytesToHex(addresses, MAC_BUFFER_SIZE, hex);
    std::memcpy(out, hex, MACHINE_ID_SIZE - 1);
  } else {
    GetPrivateProfileStringA("SYSTEM", "UniqueID", "", out, MACHINE_ID_SIZE, settingsPath);
  }
  TrimSpaces(out);
  if (out[0] == '\0' && MakeUniqueIdIfEmpty(out)) {
    WritePrivateProfileStringA("SYSTEM", "UniqueID", out, settingsPath);
  }
}

void GetMachineId(char* out) {
  BYTE addresses[MAC_BUFFER_SIZE] = {};
  int count = GetMacAddresses(addresses, MAC_BUFFER_SIZE);
  CString path = GetSharedSettingsPath();
  MakeMachineId(addresses, count, path, out);
}

CString GetHallExePath() {
  char path[MAX_PATH] = {};
  GetPrivateProfileStringA("SYSTEM", "ExePath", "", path, MAX_PATH, GetSharedSettingsPath());
  return CString(path);
}

CString GetHallFolder() {
  CString exe = GetHallExePath();
  if (exe.IsEmpty()) return CString();
  char folder[MAX_PATH] = {};
  ExtractPathParts(exe, PATH_PART_DRIVE | PATH_PART_DIRECTORY, folder);
  return CString(folder);
}

CString GetAdvertWhitelistPath() {
  CString path;
  path.Format("%sShare\\advert\\domain.dat", static_cast<LPCSTR>(GetHallFolder()));
  return path;
}

char* TrimSpaces(char* text) {
  if (text == nullptr) return text;
  size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
  size_t start = 0;
  while (text[start] == ' ') ++start;
  if (start > 0) std::memmove(text, text + start, length - start + 1);
  return text;
}

namespace {

// The part of the text behind its first space, trimmed; the whole text when it holds none.
std::string AfterFirstSpace(const std::string& text) {
  size_t space = text.find(' ');
  if (space == std::string::npos) return text;
  std::string rest = text.substr(space + 1);
  std::vector<char> buffer(rest.begin(), rest.end());
  buffer.push_back('\0');
  return TrimSpaces(buffer.data());
}

}  // namespace

COLORREF ParseRgbColor(LPCSTR text, COLORREF defaultColor) {
  if (text == nullptr || text[0] == '\0') return defaultColor;
  std::string rest = text;
  int red = std::atoi(rest.c_str());
  rest = AfterFirstSpace(rest);
  int green = std::atoi(rest.c_str());
  rest = AfterFirstSpace(rest);
  int blue = std::atoi(rest.c_str());
  return RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

CString IntToString(int value) {
  CString text;
  text.Format("%d", value);
  return text;
}

void EnsureHttpPrefix(CString& url) {
  if (strncasecmp(url, "http://", 7) != 0) url = CString("http://") + url;
}

void GetTextSize(SIZE* size, HDC dc, HFONT font, LPCSTR text) {
  HGDIOBJ old = SelectObject(dc, font);
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), size);
  SelectObject(dc, old);
}

void DrawHorizontalLine(HDC dc, COLORREF colour, int xFrom, int xTo, int y) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, xFrom, y, nullptr);
  LineTo(dc, xTo, y);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawTransparentBitmap(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                           COLORREF key) {
  HDC colourDc = CreateCompatibleDC(target);
  HDC maskDc = CreateCompatibleDC(target);
  HBITMAP colour = CreateCompatibleBitmap(target, width, height);
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  HGDIOBJ oldColour = SelectObject(colourDc, colour);
  HGDIOBJ oldMask = SelectObject(maskDc, mask);

  BitBlt(colourDc, 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);
  // Key pixels become white in the mask, every other pixel black.
  SetBkColor(colourDc, key);
  BitBlt(maskDc, 0, 0, width, height, colourDc, 0, 0, SRCCOPY);
  // Key pixels of the colour copy become black, so that OR leaves the target there.
  SetBkColor(colourDc, RGB(0, 0, 0));
  SetTextColor(colourDc, RGB(255, 255, 255));
  BitBlt(colourDc, 0, 0, width, height, maskDc, 0, 0, SRCAND);
  COLORREF oldBk = SetBkColor(target, RGB(255, 255, 255));
  COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
  BitBlt(target, x, y, width, height, maskDc, 0, 0, SRCAND);
  BitBlt(target, x, y, width, height, colourDc, 0, 0, SRCPAINT);
  SetBkColor(target, oldBk);
  SetTextColor(target, oldText);

  SelectObject(colourDc, oldColour);
  SelectObject(maskDc, oldMask);
  DeleteObject(colour);
  DeleteObject(mask);
  DeleteDC(colourDc);
  DeleteDC(maskDc);
}

void TileBitmapOrFill(HDC dc, const RECT* rect, HBITMAP bitmap, COLORREF colour) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof(info), &info) == 0 || info.bmWidth == 0 || info.bmHeight == 0) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, rect, brush);
    DeleteObject(brush);
    return;
  }
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const int w = info.bmWidth;
  const int h = info.bmHeight;
  // The pattern is anchored at the DC's origin: the first row and column start inside a tile.
  auto mod = [](int a, int b) { return ((a % b) + b) % b; };
  for (int top = rect->top; top < rect->bottom;) {
    int sy = mod(top, h);
    int rowHeight = h - sy;
    if (top + rowHeight > rect->bottom) rowHeight = rect->bottom - top;
    for (int left = rect->left; left < rect->right;) {
      int sx = mod(left, w);
      int tileWidth = w - sx;
      if (left + tileWidth > rect->right) tileWidth = rect->right - left;
      BitBlt(dc, left, top, tileWidth, rowHeight, memory, sx, sy, SRCCOPY);
      left += tileWidth;
    }
    top += rowHeight;
  }
  SelectObject(memory, old);
  DeleteDC(memory);
}

namespace {

int ScreenDpi(int index) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, index);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int ScaleByDpiX(int value) {
  static const int dpi = ScreenDpi(LOGPIXELSX);
  return value * dpi / 96;
}

int ScaleByDpiY(int value) {
  static const int dpi = ScreenDpi(LOGPIXELSY);
  return value * dpi / 96;
}

void MoveWindowDpiScaled(HWND window, int x, int y, int width, int height, BOOL repaint) {
  int dpiX = ScreenDpi(LOGPIXELSX);
  int dpiY = ScreenDpi(LOGPIXELSY);
  MoveWindow(window, x * dpiX / 96, y * dpiY / 96, width * dpiX / 96, height * dpiY / 96, repaint);
}

CString& GetWealthTitle(int amount, CString& out) {
  static const char* const TITLES[] = {"待业",     "临时工",   "合同工", "正式工",   "副主管",     "主管",
                                       "副经理",   "经理",     "副总经理", "总经理", "副总裁",     "总裁",
                                       "董事",     "副董事长", "董事长", "富豪",     "大富豪",     "超级富豪",
                                       "超级大富豪", "世界首富"};
  if (amount < 0) {
    out = "负债";
    return out;
  }
  // Row 0 holds 0 to 99; from 100 on each threshold doubles the one before.
  int row = 0;
  long long threshold = 100;
  const int last = static_cast<int>(sizeof(TITLES) / sizeof(TITLES[0])) - 1;
  while (row < last && amount >= threshold) {
    ++row;
    threshold *= 2;
  }
  out = TITLES[row];
  return out;
}

BOOL PlayResourceSoundEx(int resourceId, UINT flags) {
  HMODULE module = nullptr;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), "SOUND");
  if (found == nullptr) return FALSE;
  HGLOBAL data = LoadResource(module, found);
  LPVOID bytes = data != nullptr ? LockResource(data) : nullptr;
  if (bytes == nullptr) return FALSE;
  return sndPlaySoundA(static_cast<LPCSTR>(bytes), flags | SND_NODEFAULT | SND_MEMORY);
}

BOOL PlayResourceSound(int resourceId) { return PlayResourceSoundEx(resourceId, SND_ASYNC | SND_NOSTOP); }

BOOL PlayHallSound(LPCSTR folder, LPCSTR file, UINT flags) {
  CString path;
  path.Format("%sshare\\sound\\%s\\%s", static_cast<LPCSTR>(GetHallFolder()), folder, file);
  return PlaySoundA(path, nullptr, flags | SND_FILENAME);
}
