#include "engine/EngineUtil.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/base/Gbk.h"
#include "platform/base/WinError.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Time.h"
#include "platform/mfc/WinThread.h"
#include "platform/mfc/Wnd.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"

namespace {

char g_moduleFolder[MAX_PATH];
bool g_moduleFolderSet = false;
char g_modulePath[MAX_PATH];
EngineMessageBoxFn g_messageBoxHook = nullptr;
EngineMainWindowFn g_mainWindowHook = nullptr;

// Cuts a text at `limit` bytes without leaving half of a GBK character at its end.
void CutAtCharacter(char* text, size_t limit) {
  size_t i = 0;
  while (i < limit && text[i]) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // A lead byte whose trail byte is missing or lies beyond the limit goes with it.
    if ((c & 0x80) && (i + 2 > limit || !text[i + 1])) break;
    const size_t step = (c & 0x80) ? 2 : 1;
    i += step;
  }
  text[i] = 0;
}

void CopyCut(char* out, size_t size, const char* text) {
  std::snprintf(out, size, "%s", text);
  CutAtCharacter(out, size - 1);
}

}  // namespace

void WriteLog(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) return;
  // A text cut by the buffer must not end in the first byte of a GBK character.
  if (static_cast<size_t>(n) >= sizeof text) CutAtCharacter(text, sizeof text - 1);

  SYSTEMTIME now;
  GetLocalTime(&now);
  char name[64];
  std::snprintf(name, sizeof name, "Game%d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
  char path[MAX_PATH];
  CopyCut(path, sizeof path, MakeModulePath(name));
  // The line ends in CR LF as it stands; the file is appended in byte mode so that no further CR
  // is added, which keeps the log the same whatever system reads it.
  FILE* file = PlatformFopen(path, "ab+");
  if (!file) return;
  std::fprintf(file, "%02d/%02d/%02d     %02d:%02d:%02d      %s\r\n", now.wYear, now.wMonth, now.wDay,
               now.wHour, now.wMinute, now.wSecond, text);
  std::fclose(file);
}

void SetEngineMessageBoxHook(EngineMessageBoxFn hook) { g_messageBoxHook = hook; }
void SetEngineMainWindowHook(EngineMainWindowFn hook) { g_mainWindowHook = hook; }

int EngineMessageBox(const char* text, const char* caption, UINT type) {
  if (g_messageBoxHook) return g_messageBoxHook(text, caption, type);
  return MessageBoxA(nullptr, text ? text : "", caption ? caption : "", type);
}

HWND EngineMainWindow() {
  if (g_mainWindowHook) return g_mainWindowHook();
  CWnd* main = AfxGetMainWnd();
  return main ? main->GetSafeHwnd() : nullptr;
}

void ShowLastErrorBox(const char* what) {
  const DWORD error = GetLastError();
  // The platform has no system message table, so the error number stands in for its text.
  char system[256];
  std::snprintf(system, sizeof system, "%lu", static_cast<unsigned long>(error));
  char text[1024];
  std::snprintf(text, sizeof text, "%s 由于以下错误而失败: %s", what ? what : "", system);
  CutAtCharacter(text, sizeof text - 1);
  EngineMessageBox(text, "错误", 0x10 /* MB_ICONERROR */);
}

int IsMainWindowVisible() {
  HWND main = EngineMainWindow();
  return main && IsWindowVisible(main) ? 1 : 0;
}

const char* GetModuleFolder() {
  if (!g_moduleFolderSet) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    // The platform reports the real path with '/', the original system '\'; either ends the
    // folder.
    size_t cut = 0;
    for (size_t i = std::strlen(path); i > 0; i--) {
      if (path[i - 1] == '\\' || path[i - 1] == '/') {
        cut = i;
        break;
      }
    }
    path[cut] = 0;
    std::memcpy(g_moduleFolder, path, sizeof g_moduleFolder);
    g_moduleFolderSet = true;
  }
  return g_moduleFolder;
}

void ResetModuleFolder() { g_moduleFolderSet = false; }

const char* MakeModulePath(const char* name) {
  std::snprintf(g_modulePath, sizeof g_modulePath, "%s%s", GetModuleFolder(), name ? name : "");
  CutAtCharacter(g_modulePath, sizeof g_modulePath - 1);
  return g_modulePath;
}

int FileExistsInModuleFolder(const char* name) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(MakeModulePath(name), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  FindClose(find);
  return 1;
}

BYTE* ReadWholeFile(char* path, DWORD* length) {
  if (!path) return nullptr;
  for (char* p = path; *p; p++) {
    if (*p == '/') *p = '\\';
  }
  if (!*path) return nullptr;
  FILE* file = PlatformFopen(path, "rb");
  if (!file) {
    WriteLog("文件%s 打开失败!", path);
    return nullptr;
  }
  BYTE* buffer = nullptr;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  // A file beyond what a DWORD length can carry, or one whose bytes do not all arrive, is not read:
  // handing out a buffer with an unread tail would pass as success.
  if (size >= 0 && static_cast<unsigned long long>(size) < 0xFFFFFFFFull && std::fseek(file, 0, SEEK_SET) == 0) {
    buffer = static_cast<BYTE*>(std::malloc(static_cast<size_t>(size) + 1));
    if (buffer && std::fread(buffer, 1, static_cast<size_t>(size), file) == static_cast<size_t>(size)) {
      buffer[size] = 0;
      if (length) *length = static_cast<DWORD>(size);
    } else {
      std::free(buffer);
      buffer = nullptr;
    }
  }
  std::fclose(file);
  if (!buffer) WriteLog("文件%s 打开失败!", path);
  return buffer;
}

void FreeWholeFile(BYTE* buffer) { std::free(buffer); }

void AsciiLower(char* text) {
  if (!text) return;
  unsigned char* p = reinterpret_cast<unsigned char*>(text);
  while (*p) {
    if (*p & 0x80) {
      // A lead byte as the last byte of the text has no trail byte to skip.
      if (!p[1]) break;
      p += 2;
      continue;
    }
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<unsigned char>(*p + 0x20);
    p++;
  }
}

namespace {

// The file-name part of a path as the runtime's path splitter sees it: after the last '\' or '/'
// (or a drive's ':'), with the extension starting at the last '.' of that part.
void SplitName(const char* path, const char** name, const char** dot, const char** end) {
  const char* start = path;
  const char* p = path;
  for (; *p; p++) {
    if (*p == '\\' || *p == '/' || *p == ':') start = p + 1;
  }
  *end = p;
  const char* d = nullptr;
  for (const char* q = start; q < p; q++) {
    if (*q == '.') d = q;
  }
  *name = start;
  *dot = d ? d : p;
}

}  // namespace

void GetFileExt(const char* path, char* ext) {
  std::memset(ext, 0, MAX_PATH);
  if (!path) return;
  const char *name, *dot, *end;
  SplitName(path, &name, &dot, &end);
  const size_t n = static_cast<size_t>(end - dot);
  std::memcpy(ext, dot, n < MAX_PATH - 1 ? n : MAX_PATH - 1);
  for (char* p = ext; *p; p++) {
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + 0x20);
  }
}

void GetFileTitle(const char* path, char* title, size_t size) {
  if (!size) return;
  title[0] = 0;
  if (!path) return;
  const char *name, *dot, *end;
  SplitName(path, &name, &dot, &end);
  const size_t n = static_cast<size_t>(dot - name);
  const size_t copy = n < size - 1 ? n : size - 1;
  std::memcpy(title, name, copy);
  title[copy] = 0;
}

void* GrowArray(void* array, size_t elementSize, DWORD* capacity, DWORD extra) {
  const DWORD old = *capacity;
  const unsigned long long wanted = extra ? static_cast<unsigned long long>(old) + extra : old * 2ull;
  if (wanted > 0xFFFFFFFFull) return nullptr;
  void* grown = std::calloc(wanted ? wanted : 1, elementSize ? elementSize : 1);
  if (!grown) return nullptr;
  if (old > 0 && array) std::memcpy(grown, array, static_cast<size_t>(old) * elementSize);
  std::free(array);
  *capacity = static_cast<DWORD>(wanted);
  return grown;
}

void FreeArray(void* array) { std::free(array); }

size_t SplitList(const char* text, std::vector<std::string>& list) {
  if (!text || !*text) return 0;
  const char* start = text;
  const char* p = text;
  for (; *p; p++) {
    if (*p == ',') {
      list.emplace_back(start, p);
      start = p + 1;
    }
  }
  if (p != start) list.emplace_back(start, p);
  return list.size();
}

std::string UnquotePath(const char* text) {
  if (!text) return std::string();
  const char* first = std::strchr(text, '"');
  const char* last = std::strrchr(text, '"');
  if (!first || first == last) return std::string(text);
  return std::string(first + 1, last);
}
