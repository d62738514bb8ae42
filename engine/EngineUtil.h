// Free helpers that every part of the engine uses: the engine's daily log, the program folder and
// paths built on it, whole-file reads, GBK-aware lower-casing, path splitting, plain array growth,
// comma lists, quote stripping and the three string hashes behind resource ids.
//
// Everything here runs on the UI thread; the cached program folder and the shared module path
// buffer take no lock.
#pragma once

#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

// The success value of many engine operations.
constexpr int ENGINE_OK = 999999;

// Appends one time-stamped line to the day's engine log "Game<yyyymmdd>.log" in the program folder.
// The text is cut at 1023 bytes (never inside a GBK character). A log that cannot be opened drops
// the line.
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Shows "<what> 由于以下错误而失败: <system text>" for the calling thread's last error.
void ShowLastErrorBox(const char* what);

// Non-zero when the current thread's main window is visible; no main window counts as hidden.
int IsMainWindowVisible();

// The message boxes and the main window of the engine: by default the platform's message box and
// the current thread's main window of the application framework. Tests and tools replace them
// with these hooks; a null hook restores the default.
typedef int (*EngineMessageBoxFn)(const char* text, const char* caption, UINT type);
typedef HWND (*EngineMainWindowFn)();
void SetEngineMessageBoxHook(EngineMessageBoxFn hook);
void SetEngineMainWindowHook(EngineMainWindowFn hook);
int EngineMessageBox(const char* text, const char* caption, UINT type);
HWND EngineMainWindow();

// The folder of the program file, ending in a separator; computed once and cached.
const char* GetModuleFolder();
// Forgets the cached program folder, so that tests can move the program folder.
void ResetModuleFolder();
// Program folder followed by `name`, in one shared 260-byte buffer that every call overwrites.
// A result that would not fit is cut at 259 bytes.
const char* MakeModulePath(const char* name);
// 1 when program folder + name names an existing file or folder, else 0.
int FileExistsInModuleFolder(const char* name);

// Reads a whole file into a new buffer followed by one 0 byte (free it with FreeWholeFile). The
// path's '/' become '\' in the caller's text. An empty path gives null silently; a file that
// cannot be opened or read to its end gives null after "文件%s 打开失败!".
BYTE* ReadWholeFile(char* path, DWORD* length);
void FreeWholeFile(BYTE* buffer);

// Lower-cases ASCII letters in place; a GBK lead byte and its trail byte stay as they are.
void AsciiLower(char* text);
// The lower-cased extension of a path with its dot ("" when none) in a 260-byte output.
void GetFileExt(const char* path, char* ext);
// The file name of a path without folder and extension, cut to size - 1 bytes.
void GetFileTitle(const char* path, char* title, size_t size);

// Grows a plain zero-filled array (made with GrowArray or null with capacity 0): the new capacity is
// capacity + extra, or twice the capacity when extra is 0. The old array is freed.
void* GrowArray(void* array, size_t elementSize, DWORD* capacity, DWORD extra);
void FreeArray(void* array);

// Appends the comma-separated items of `text` to `list` and returns the list's new size; the empty
// text appends nothing and gives 0.
size_t SplitList(const char* text, std::vector<std::string>& list);
// The text strictly between the first and the last double quote, or the text itself.
std::string UnquotePath(const char* text);

// The resource name hashes. Hash31 adds each byte as 0..255; JSHash and RSHash add it as a signed
// byte, which decides the ids of GBK names and must match the package files.
constexpr DWORD Hash31(const char* text) {
  DWORD h = 0;
  for (; *text; text++) h = h * 31 + static_cast<unsigned char>(*text);
  return h;
}
constexpr DWORD JSHash(const char* text) {
  DWORD h = 1315423911u;
  for (; *text; text++) {
    const DWORD x = static_cast<DWORD>(static_cast<int>(static_cast<signed char>(*text)));
    h ^= (h << 5) + x + (h >> 2);
  }
  return h & 0x7fffffffu;
}
constexpr DWORD RSHash(const char* text) {
  DWORD h = 0;
  DWORD a = 63689;
  for (; *text; text++) {
    const DWORD x = static_cast<DWORD>(static_cast<int>(static_cast<signed char>(*text)));
    h = h * a + x;
    a *= 378551u;
  }
  return h & 0x7fffffffu;
}
