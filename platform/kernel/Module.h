// Libraries loaded by name at run time.
//
// There are no DLLs here. The libraries the program loads by name are parts of this program that
// announce themselves under the DLL's name (RegisterBuiltinModule); LoadLibraryA finds them by
// the name's last path component, without regard to ASCII case. Any other name is reported
// absent with ERROR_MOD_NOT_FOUND, which is what the program expects of an optional library
// that is not installed.
#pragma once

#include <initializer_list>
#include <utility>

#include "platform/base/WinTypes.h"

typedef INT_PTR(WINAPI* FARPROC)();

// A counted load of a built-in library; the same handle for every load of one name.
HMODULE LoadLibraryA(LPCSTR fileName);
#define LoadLibrary LoadLibraryA
// TRUE while the handle has loads left to release; ERROR_INVALID_HANDLE otherwise.
BOOL FreeLibrary(HMODULE module);
// The entry of that name (exact case, as on Windows), or null with ERROR_PROC_NOT_FOUND. A name
// given as an ordinal (a value below 0x10000) is not supported and fails the same way.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

namespace platform {

struct BuiltinExport {
  const char* name;
  FARPROC entry;
};

// Announces a built-in library under fileName (e.g. "riched20.dll") with its entries. onLoad,
// when given, runs at every LoadLibraryA of the name and may refuse the load by returning FALSE.
// Registering a name twice replaces the entries and keeps the handle.
void RegisterBuiltinModule(const char* fileName, std::initializer_list<BuiltinExport> exports,
                           BOOL (*onLoad)() = nullptr);

}  // namespace platform
