#include "platform/kernel/Module.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/WinError.h"

namespace platform {
namespace {

struct BuiltinModule {
  std::map<std::string, FARPROC> exports;
  BOOL (*onLoad)() = nullptr;
  int loads = 0;
};

struct ModuleTable {
  std::mutex lock;
  // Each module's address is its handle, so handles stay valid for the life of the process.
  std::map<std::string, std::unique_ptr<BuiltinModule>> byName;
};

ModuleTable& Table() {
  static ModuleTable* table = new ModuleTable;  // outlives every static that registers
  return *table;
}

std::string ModuleKey(const char* fileName) {
  const char* name = fileName;
  for (const char* p = fileName; *p; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  std::string key(name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

BuiltinModule* FindByHandle(ModuleTable& table, HMODULE module) {
  for (auto& [name, m] : table.byName) {
    if (reinterpret_cast<HMODULE>(m.get()) == module) return m.get();
  }
  return nullptr;
}

}  // namespace

void RegisterBuiltinModule(const char* fileName, std::initializer_list<BuiltinExport> exports, BOOL (*onLoad)()) {
  ModuleTable& table = Table();
  std::lock_guard<std::mutex> g(table.lock);
  auto& slot = table.byName[ModuleKey(fileName)];
  if (!slot) slot = std::make_unique<BuiltinModule>();
  slot->exports.clear();
  for (const BuiltinExport& e : exports) slot->exports[e.name] = e.entry;
  slot->onLoad = onLoad;
}

}  // namespace platform

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  platform::ModuleTable& table = platform::Table();
  BOOL (*onLoad)() = nullptr;
  platform::BuiltinModule* module = nullptr;
  {
    std::lock_guard<std::mutex> g(table.lock);
    auto it = table.byName.find(platform::ModuleKey(fileName));
    if (it == table.byName.end()) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    module = it->second.get();
    onLoad = module->onLoad;
  }
  // The library's own start-up runs outside the table's lock: it may create windows classes or
  // load further libraries.
  if (onLoad && !onLoad()) return nullptr;
  std::lock_guard<std::mutex> g(table.lock);
  ++module->loads;
  return reinterpret_cast<HMODULE>(module);
}

BOOL FreeLibrary(HMODULE module) {
  platform::ModuleTable& table = platform::Table();
  std::lock_guard<std::mutex> g(table.lock);
  platform::BuiltinModule* m = platform::FindByHandle(table, module);
  if (!m || m->loads <= 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  --m->loads;
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  platform::ModuleTable& table = platform::Table();
  std::lock_guard<std::mutex> g(table.lock);
  platform::BuiltinModule* m = platform::FindByHandle(table, module);
  if (!m || m->loads <= 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!procName || reinterpret_cast<uintptr_t>(procName) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  auto it = m->exports.find(procName);
  if (it == m->exports.end()) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return it->second;
}
