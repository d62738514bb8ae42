#include "engine/ResourceManager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/Pps.h"
#include "engine/TextFont.h"
#include "platform/kernel/Files.h"
#include "platform/user/MessageQueue.h"

namespace {

ResourceManager::ExitHandler g_exitHandler = nullptr;
ResourceManager::ScriptLoader g_scriptLoader = nullptr;

constexpr UINT MB_OK_BOX = 0;
constexpr UINT WM_QUIT_MESSAGE = 0x0012;

}  // namespace

ResourceManager* ResourceManager::Instance() {
  static ResourceManager manager;
  return &manager;
}

ResourceManager::ResourceManager() {
  InitializeCriticalSection(&m_lock.section);
  m_lock.held = 0;
  m_dynamicIds = static_cast<DWORD*>(std::calloc(m_dynamicCapacity, sizeof(DWORD)));
  m_textFont = std::make_unique<TextFont>();
  m_textFont->Init();
  std::snprintf(m_namePrefix, sizeof m_namePrefix, "%s", GetModuleFolder());
  static const char* const IMAGES[] = {".pps", ".png", ".jpg", ".gif", ".bmp", ".mng",
                                       ".ico", ".tga", ".tif", ".pcx", ".wbmp", ".wmf"};
  for (const char* e : IMAGES) AddExtension(e, ".imge");
  for (const char* e : {".mp3", ".wav", ".ogg", ".mid"}) AddExtension(e, ".sound");
  for (const char* e : {".txt", ".doc"}) AddExtension(e, ".text");
  for (const char* e : {".ini", ".xyi"}) AddExtension(e, ".ini");
  for (const char* e : {".avi", ".rm", ".rmvb", ".mpeg"}) AddExtension(e, ".vedio");
  for (const char* e : {".xys", ".lua"}) AddExtension(e, ".script");
  for (const char* e : {".swf", ".flv"}) AddExtension(e, ".flash");
  for (const char* e : {".htm", ".asp", ".html", ".aspx", ".jsp", ".php", ".cgi"}) AddExtension(e, ".http");
}

ResourceManager::~ResourceManager() {
  if (m_lock.held) LeaveCriticalSection(&m_lock.section);
  DeleteCriticalSection(&m_lock.section);
  m_textFont.reset();
  std::free(m_dynamicIds);
  FreeAllMemRes();
}

void ResourceManager::AddExtension(const char* extension, const char* kindSuffix) {
  m_extensions.emplace(RSHash(extension), RSHash(kindSuffix));
}

DWORD ResourceManager::KindOfExtension(DWORD extensionHash) const {
  auto it = m_extensions.find(extensionHash);
  return it == m_extensions.end() ? extensionHash : it->second;
}

void ResourceManager::SetExitHandler(ExitHandler handler) { g_exitHandler = handler; }
void ResourceManager::SetScriptLoader(ScriptLoader loader) { g_scriptLoader = loader; }

int ResourceManager::AddRef() { return ++m_useCount; }

int ResourceManager::Release() {
  if (m_useCount > 1) return --m_useCount;
  m_useCount = 0;
  ResetDynamicIds();
  for (auto& [id, record] : m_records) UnloadRecord(record);
  for (auto& [path, file] : m_packages) {
    if (file) std::fclose(file);
  }
  if (m_flags & RESMGR_SOUND_READY) FreeSoundLibrary();
  m_packages.clear();
  m_records.clear();
  m_palettes.clear();
  m_cursors.clear();
  m_sounds.clear();
  FreeAllMemRes();
  return 0;
}

int ResourceManager::SetNamePrefix(const char* folder) {
  std::snprintf(m_namePrefix, sizeof m_namePrefix, "%s", folder ? folder : "");
  return static_cast<int>(std::strlen(m_namePrefix)) + 1;
}

DWORD ResourceManager::RegisterFile(const char* path, const char* name, const char* kindSuffix, int loadNow,
                                    int relative) {
  if (!path || !kindSuffix) return 0;
  const DWORD flags = loadNow ? RESFLAG_LOADED : 0;
  char extension[MAX_PATH];
  GetFileExt(path, extension);
  std::string resourceName;
  if (name) {
    resourceName = name;
  } else {
    char title[MAX_PATH];
    GetFileTitle(path, title, sizeof title);
    resourceName = title;
  }
  resourceName += kindSuffix;
  std::string fullPath;
  if (relative == 1) {
    fullPath = std::string(m_namePrefix) + path;
    AsciiLower(fullPath.data());
  } else {
    fullPath = path;
  }
  return RegisterName(resourceName.c_str(), fullPath.c_str(), flags, RSHash(kindSuffix), RSHash(extension), 0, 0);
}

DWORD ResourceManager::RegisterName(const char* name, const char* path, DWORD flags, DWORD kind,
                                    DWORD extensionHash, DWORD offset, DWORD length) {
  return Register(RSHash(name), JSHash(name), Hash31(name), path, flags, kind, extensionHash, offset, length);
}

ResourceRecord* ResourceManager::Lookup(DWORD rs, DWORD js, DWORD h) {
  const DWORD rotations[3][3] = {{rs, js, h}, {js, h, rs}, {h, rs, js}};
  for (const auto& r : rotations) {
    if (r[0] == 0) continue;
    auto it = m_records.find(r[0]);
    if (it != m_records.end() && it->second.key1 == r[1] && it->second.key2 == r[2]) return &it->second;
  }
  return nullptr;
}

DWORD ResourceManager::Register(DWORD rs, DWORD js, DWORD h, const char* path, DWORD flags, DWORD kind,
                                DWORD extensionHash, DWORD offset, DWORD length) {
  // The same name may sit in any rotation, not only the first, when another name took its RSHash
  // before; it is replaced wherever it is, so that registering it again never adds a second record.
  if (ResourceRecord* old = Lookup(rs, js, h)) Forget(old->id);

  auto taken = [&](DWORD id) { return id == 0 || m_records.count(id) != 0; };
  DWORD id, key1, key2;
  if (!taken(rs)) {
    id = rs, key1 = js, key2 = h;
  } else if (!taken(js)) {
    id = js, key1 = h, key2 = rs;
  } else if (!taken(h)) {
    id = h, key1 = rs, key2 = js;
  } else {
    char text[1024];
    std::snprintf(text, sizeof text, "%s,%u,%u,%u", path ? path : "", rs, js, h);
    WriteLog("%s", text);
    FatalResourceError(text);
    return 0;
  }

  ResourceRecord record;
  record.id = id;
  record.key1 = key1;
  record.key2 = key2;
  record.extensionHash = extensionHash;
  record.kind = kind;
  record.flags = flags;
  record.path = path ? path : "";
  record.offset = offset;
  record.length = length;
  ResourceRecord& stored = m_records.emplace(id, std::move(record)).first->second;
  if ((flags & RESFLAG_LOADED) && !Load(&stored)) {
    // A failed load is never kept as a loaded record.
    const std::string failed = stored.path;
    UnloadRecord(stored);
    m_records.erase(id);
    FatalResourceError(failed.c_str());
    return 0;
  }
  return id;
}

DWORD ResourceManager::FindId(const char* name) {
  if (!name) return 0;
  ResourceRecord* record = Lookup(RSHash(name), JSHash(name), Hash31(name));
  return record ? record->id : 0;
}

DWORD ResourceManager::FindImageId(const char* name) {
  if (!name) return 0;
  return FindId((std::string(name) + ".imge").c_str());
}

ResourceRecord* ResourceManager::GetRecord(DWORD id) {
  auto it = m_records.find(id);
  if (it == m_records.end()) return nullptr;
  ResourceRecord* record = &it->second;
  if (record->flags & RESFLAG_LOADED) return record;
  if (Load(record)) return record;
  const std::string path = record->path;
  FatalResourceError(path.c_str());
  return nullptr;
}

ResourceRecord* ResourceManager::FindByName(const char* name) {
  if (!name) return nullptr;
  EnterCriticalSection(&m_lock.section);
  m_lock.held++;
  ResourceRecord* record = Lookup(RSHash(name), JSHash(name), Hash31(name));
  bool failed = false;
  std::string path;
  if (record && !(record->flags & RESFLAG_LOADED) && !Load(record)) {
    failed = true;
    path = record->path;
    record = nullptr;
  }
  m_lock.held = 0;
  LeaveCriticalSection(&m_lock.section);
  // The fatal path releases the manager, so it runs after the lock is given back.
  if (failed) FatalResourceError(path.c_str());
  return record;
}

void* ResourceManager::GetData(DWORD id) {
  ResourceRecord* record = GetRecord(id);
  return record ? record->data : nullptr;
}

ImageRecord* ResourceManager::GetImage(DWORD id) {
  ResourceRecord* record = GetRecord(id);
  return record && record->kind == RESKIND_IMAGE ? static_cast<ImageRecord*>(record->data) : nullptr;
}

void* ResourceManager::GetDataByName(const char* name) {
  ResourceRecord* record = FindByName(name);
  return record ? record->data : nullptr;
}

ImageRecord* ResourceManager::GetImageByName(const char* name) {
  if (!name) return nullptr;
  ResourceRecord* record = FindByName((std::string(name) + ".imge").c_str());
  return record && record->kind == RESKIND_IMAGE ? static_cast<ImageRecord*>(record->data) : nullptr;
}

int ResourceManager::Load(ResourceRecord* record) {
  if (!record) return 0;
  if (record->data) return 1;
  if (record->kind == RESKIND_IMAGE) return LoadImage(record);
  if (record->kind == RESKIND_SCRIPT) return LoadScriptResource(record);
  if (record->kind == RESKIND_QUAD) return LoadPalette(record);
  // A read that fails is a failed load: the caller must not take a record without data for one
  // that was loaded.
  record->data = ReadResourceData(record->path.c_str(), record->flags, record->offset, &record->length);
  return record->data ? 1 : 0;
}

int ResourceManager::LoadScriptResource(ResourceRecord* record) {
  if (!m_scriptInterpreter || !g_scriptLoader) return 0;
  DWORD length = record->length;
  BYTE* bytes = ReadResourceData(record->path.c_str(), record->flags, record->offset, &length);
  if (!bytes) return 0;
  record->length = length;
  const int result = g_scriptLoader(m_scriptInterpreter, reinterpret_cast<const char*>(bytes), length);
  FreeData(bytes);
  return result == -1 ? 0 : 1;
}

BYTE* ResourceManager::ReadResourceData(const char* path, DWORD flags, DWORD offset, DWORD* length) {
  if (!path || !length) return nullptr;
  FILE* file = nullptr;
  const bool inPack = flags & RESFLAG_IN_PACK;
  if (inPack) {
    auto it = m_packages.find(path);
    if (it != m_packages.end()) file = it->second;
  } else {
    file = PlatformFopen(path, "rb");
  }
  if (!file) {
    WriteLog("文件%s 打开失败!", path);
    return nullptr;
  }
  BYTE* buffer = nullptr;
  long long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  // A package entry's length comes from the index, a loose file's from the file itself. Either way
  // the whole range must lie in the file, computed without 32-bit wrap-around, and every byte must
  // arrive.
  if (!inPack && *length == 0 && size >= 0 && size < 0xFFFFFFFFll) *length = static_cast<DWORD>(size);
  const unsigned long long end = static_cast<unsigned long long>(offset) + *length;
  if (size >= 0 && end <= static_cast<unsigned long long>(size) && *length < 0xFFFFFFFFu) {
    buffer = static_cast<BYTE*>(std::malloc(static_cast<size_t>(*length) + 1));
    if (buffer) {
      buffer[*length] = 0;
      if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
          std::fread(buffer, 1, *length, file) != *length) {
        std::free(buffer);
        buffer = nullptr;
      }
    }
  }
  if (!inPack) std::fclose(file);
  if (!buffer) WriteLog("文件%s 打开失败!", path);
  return buffer;
}

void ResourceManager::FreeData(void* buffer) { std::free(buffer); }

void ResourceManager::UnloadRecord(ResourceRecord& record) {
  if (record.data) {
    if (record.kind == RESKIND_IMAGE) {
      // FreePps frees only what the picture owns: never a global palette's entries.
      FreePps(static_cast<ImageRecord*>(record.data));
    }
    std::free(record.data);
  }
  record.data = nullptr;
  record.flags &= ~RESFLAG_LOADED;
}

void ResourceManager::Unload(DWORD id) {
  auto it = m_records.find(id);
  if (it != m_records.end()) UnloadRecord(it->second);
}

void ResourceManager::Forget(DWORD id) {
  auto it = m_records.find(id);
  if (it == m_records.end()) return;
  UnloadRecord(it->second);
  m_records.erase(it);
}

HANDLE ResourceManager::GetCursor(const char* name) {
  if (!name) return nullptr;
  auto it = m_cursors.find(name);
  return it == m_cursors.end() ? nullptr : it->second;
}

DWORD ResourceManager::NewDynamicId() {
  if (m_dynamicCount >= m_dynamicCapacity || !m_dynamicIds) {
    DWORD capacity = m_dynamicIds ? m_dynamicCapacity : 0;
    void* grown = GrowArray(m_dynamicIds, sizeof(DWORD), &capacity, m_dynamicIds ? 0 : 10);
    if (!grown) return 0;
    m_dynamicIds = static_cast<DWORD*>(grown);
    m_dynamicCapacity = capacity;
  }
  const DWORD id = m_dynamicCount ? m_dynamicIds[m_dynamicCount - 1] + 1 : FIRST_DYNAMIC_RESID;
  m_dynamicIds[m_dynamicCount++] = id;
  return id;
}

void ResourceManager::ResetDynamicIds() { m_dynamicCount = 0; }

void* ResourceManager::NewMemRes(DWORD size, void (*freeFn)(void*)) {
  m_memBlocks.push_front(MemResBlock{nullptr, 0, nullptr});
  void* data = std::calloc(size ? size : 1, 1);
  if (!data) {
    WriteLog("ResourceManager::NewMemRes,内存申请失败");
    EngineMessageBox("系统内存不足!请重新启动您的电脑。", "", MB_OK_BOX);
    if (HWND main = EngineMainWindow()) PostMessageA(main, WM_QUIT_MESSAGE, 0, 0);
    return nullptr;
  }
  m_memBlocks.front() = MemResBlock{data, size, freeFn};
  return data;
}

DWORD ResourceManager::FreeMemRes(void* data) {
  for (auto it = m_memBlocks.begin(); it != m_memBlocks.end(); ++it) {
    if (it->data == data && data) {
      const DWORD size = it->size;
      if (it->freeFn) {
        it->freeFn(data);
      } else {
        std::free(data);
      }
      m_memBlocks.erase(it);
      return size;
    }
  }
  std::free(data);
  return 0;
}

void ResourceManager::FreeAllMemRes() {
  for (MemResBlock& block : m_memBlocks) {
    if (!block.data) continue;
    if (block.freeFn) {
      block.freeFn(block.data);
    } else {
      std::free(block.data);
    }
  }
  m_memBlocks.clear();
}

DWORD ResourceManager::GetMemResBytes() const {
  DWORD sum = 0;
  for (const MemResBlock& block : m_memBlocks) sum += block.size;
  return sum;
}

void* GrowMemResArray(void* array, DWORD elementSize, DWORD* capacity, DWORD extra) {
  if (!capacity || elementSize == 0) return nullptr;
  const unsigned long long bytes = extra ? static_cast<unsigned long long>(elementSize) * (*capacity + 0ull + extra)
                                         : static_cast<unsigned long long>(elementSize) * *capacity * 2;
  if (bytes > 0xFFFFFFFFull) return nullptr;
  ResourceManager* manager = ResourceManager::Instance();
  void* grown = manager->NewMemRes(static_cast<DWORD>(bytes), nullptr);
  if (!grown) return nullptr;
  if (*capacity) {
    if (array) std::memcpy(grown, array, static_cast<size_t>(elementSize) * *capacity);
    manager->FreeMemRes(array);
  }
  *capacity = static_cast<DWORD>(bytes / elementSize);
  return grown;
}

void ResourceManager::FatalResourceError(const char* text) {
  WriteLog("资源载入错误:%s未找到", text ? text : "");
  char message[1024];
  std::snprintf(message, sizeof message, "资源:%s未能正确的载入,请重新下载游戏!", text ? text : "");
  EngineMessageBox(message, "", MB_OK_BOX);
  Release();
  // A missing resource is a failure of the run, so the exit code says so.
  if (g_exitHandler) {
    g_exitHandler(FATAL_RESOURCE_EXIT_CODE);
    return;
  }
  std::exit(FATAL_RESOURCE_EXIT_CODE);
}
