// The engine's one registry of everything it loads: pictures and .pps animations, palettes, sounds,
// scripts and plain data files. A resource is registered under a name (file title plus a kind
// suffix such as ".imge") and stored under one of the name's three hashes; it is read from its
// file or from a package, at once or on first use. The manager is a process-wide singleton.
//
// A registered resource that cannot be loaded when it is asked for is fatal: the user is told to
// download the game again and the process ends with a non-zero exit code. The ending goes through
// a replaceable exit handler; when a handler returns, the operation that hit the error fails
// instead (null or 0), which is how tests watch the fatal path.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <string>

#include "engine/ColorPalette.h"
#include "engine/EngineUtil.h"
#include "engine/ImageRecord.h"
#include "platform/base/WinTypes.h"
#include "platform/kernel/Sync.h"

class ScriptInterpreter;
class TextFont;

// Resource kinds: RSHash of their suffixes.
constexpr DWORD RESKIND_IMAGE = RSHash(".imge");
constexpr DWORD RESKIND_SCRIPT = RSHash(".script");
constexpr DWORD RESKIND_SOUND = RSHash(".sound");
constexpr DWORD RESKIND_QUAD = RSHash(".quad");
constexpr DWORD RESKIND_UNKNOWN = RSHash(".unkown");
// Used as an extension hash: an image whose extension hash is this is a .pps animation.
constexpr DWORD RESKIND_PPS = RSHash(".pps");

// The data lies inside a package file at (offset, length).
constexpr DWORD RESFLAG_IN_PACK = 4;
// Given at registration: load at once. Set while the record counts as loaded.
constexpr DWORD RESFLAG_LOADED = 16;

constexpr DWORD FIRST_DYNAMIC_RESID = 19840323;
// The exit code of a fatal resource error.
constexpr int FATAL_RESOURCE_EXIT_CODE = 3;

struct ResourceRecord {
  DWORD id = 0;
  DWORD key1 = 0;
  DWORD key2 = 0;
  DWORD extensionHash = 0;
  DWORD kind = 0;
  DWORD flags = 0;
  std::string path;
  DWORD offset = 0;
  DWORD length = 0;
  // An ImageRecord for pictures, a byte buffer with one extra 0 byte for raw kinds; null when not
  // loaded.
  void* data = nullptr;
};

// One memory block handed out by NewMemRes.
struct MemResBlock {
  void* data;
  DWORD size;
  void (*freeFn)(void*);
};

// The manager's lock: a critical section with a held counter.
struct ResLock {
  CRITICAL_SECTION section;
  int held;
};

// Manager flags of the optional sound library: loaded and ready, and the old function set in use.
constexpr DWORD RESMGR_SOUND_READY = 1;
constexpr DWORD RESMGR_SOUND_OLD_SET = 2;
// The flags of every sample the manager loads: the library's "override the longest playing"
// option, with at most three playbacks of one sample at a time.
constexpr DWORD SOUND_SAMPLE_FLAGS = 0x20000;
constexpr DWORD SOUND_SAMPLE_MAX_PLAYBACKS = 3;

// The functions of the optional sound library. Its versions export one of two sets, which differ
// in the signatures of the start-up and sample-loading calls and in how a sample is played; the
// members of the set not in use stay null.
struct SoundLibraryApi {
  BOOL (*initOld)(int device, DWORD frequency, DWORD flags, HWND window) = nullptr;
  BOOL (*initNew)(int device, DWORD frequency, DWORD flags, HWND window, const void* clsid) = nullptr;
  BOOL (*start)() = nullptr;
  DWORD (*sampleLoadOld)(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD max, DWORD flags) = nullptr;
  DWORD (*sampleLoadNew)(BOOL memory, const void* file, ULONGLONG offset, DWORD length, DWORD max,
                         DWORD flags) = nullptr;
  DWORD (*samplePlayEx)(DWORD sample, DWORD start, int frequency, int volume, int pan, int loop) = nullptr;
  DWORD (*sampleGetChannel)(DWORD sample, BOOL onlyNew) = nullptr;
  BOOL (*channelPlay)(DWORD channel, BOOL restart) = nullptr;
  BOOL (*stop)() = nullptr;
  BOOL (*free)() = nullptr;
};

// How the manager reaches a library by name: the platform's module loader, unless a test gives
// its own.
struct SoundLibraryLoader {
  HMODULE (*load)(const char* name);
  void* (*proc)(HMODULE module, const char* name);
  BOOL (*release)(HMODULE module);
};

class ResourceManager {
 public:
  typedef void (*ExitHandler)(int code);
  // Hands a script resource's text to the interpreter; the script interpreter sets it. Returns -1
  // when the interpreter refuses the script.
  typedef int (*ScriptLoader)(ScriptInterpreter* interpreter, const char* text, DWORD length);

  static ResourceManager* Instance();
  virtual ~ResourceManager();

  int AddRef();
  int Release();

  // Registration.
  int SetNamePrefix(const char* folder);
  const char* GetNamePrefix() const { return m_namePrefix; }
  DWORD RegisterFile(const char* path, const char* name, const char* kindSuffix, int loadNow, int relative);
  DWORD RegisterName(const char* name, const char* path, DWORD flags, DWORD kind, DWORD extensionHash,
                     DWORD offset, DWORD length);
  DWORD Register(DWORD hash1, DWORD hash2, DWORD hash3, const char* path, DWORD flags, DWORD kind,
                 DWORD extensionHash, DWORD offset, DWORD length);
  int LoadPack(const char* path, DWORD extensionFilter, int loadNow);
  DWORD KindOfExtension(DWORD extensionHash) const;
  void AddExtension(const char* extension, const char* kindSuffix);

  // Lookup and loading.
  DWORD FindId(const char* name);
  DWORD FindImageId(const char* name);
  ResourceRecord* GetRecord(DWORD id);
  ResourceRecord* FindByName(const char* name);
  void* GetData(DWORD id);
  ImageRecord* GetImage(DWORD id);
  void* GetDataByName(const char* name);
  ImageRecord* GetImageByName(const char* name);
  int Load(ResourceRecord* record);
  // The bytes of a file or package entry with one extra 0 byte, or null (logged). A loose file's
  // length 0 becomes the file's size.
  BYTE* ReadResourceData(const char* path, DWORD flags, DWORD offset, DWORD* length);
  static void FreeData(void* buffer);
  void Unload(DWORD id);
  void Forget(DWORD id);
  HANDLE GetCursor(const char* name);

  // Pictures and palettes.
  int LoadImage(ResourceRecord* record);
  int DecodeImage(BYTE* bytes, DWORD length, const char* extension, ImageRecord* image);
  int DecodeImageFile(const char* path, const char* extension, ImageRecord* image);
  // Parses the .pps bytes into the image and resolves a global palette; frees the bytes.
  DWORD LoadPps(BYTE* bytes, DWORD length, ImageRecord* image);
  int LoadPalette(ResourceRecord* record);
  ColorPalette* FindPalette(const char* name);

  // The engine's one text font, made with the manager; it stays through Release.
  TextFont* GetTextFont() const { return m_textFont.get(); }

  // Other services.
  DWORD NewDynamicId();
  void ResetDynamicIds();
  void* NewMemRes(DWORD size, void (*freeFn)(void*));
  DWORD FreeMemRes(void* data);
  void FreeAllMemRes();
  void SetScriptInterpreter(ScriptInterpreter* interpreter) { m_scriptInterpreter = interpreter; }
  ScriptInterpreter* GetScriptInterpreter() const { return m_scriptInterpreter; }
  DWORD GetFlags() const { return m_flags; }
  DWORD GetResourceCount() const { return static_cast<DWORD>(m_records.size()); }
  DWORD GetPaletteCount() const { return static_cast<DWORD>(m_palettes.size()); }
  DWORD GetSoundCount() const { return static_cast<DWORD>(m_sounds.size()); }

  // The optional sound library "bass.dll" of the program folder and the samples loaded through
  // it, kept in the sound table under the text they were asked for. A sample is a non-zero
  // handle of the library; 0 means none.
  HMODULE LoadSoundLibrary();
  void FreeSoundLibrary();
  const SoundLibraryApi& GetSoundLibrary() const { return m_soundApi; }
  DWORD FindSoundSample(const char* path);
  DWORD LoadSoundSample(const char* path);
  DWORD LoadSoundFromModule(DWORD number, const char* name, const char* type);
  // null goes back to the platform's loader.
  static void SetSoundLibraryLoader(const SoundLibraryLoader* loader);
  DWORD GetMemResBytes() const;
  int GetUseCount() const { return m_useCount; }
  DWORD GetPackageCount() const { return static_cast<DWORD>(m_packages.size()); }

  // Logs, tells the user, releases and ends the process through the exit handler.
  void FatalResourceError(const char* text);
  static void SetExitHandler(ExitHandler handler);
  static void SetScriptLoader(ScriptLoader loader);

 private:
  ResourceManager();
  ResourceManager(const ResourceManager&) = delete;
  ResourceManager& operator=(const ResourceManager&) = delete;

  // The record of a name in rotation 1, 2 or 3, or null.
  ResourceRecord* Lookup(DWORD rs, DWORD js, DWORD h);
  void UnloadRecord(ResourceRecord& record);
  int LoadScriptResource(ResourceRecord* record);
  DWORD LoadSampleFrom(BOOL memory, const void* source, DWORD length);
  DWORD LoadSampleFromResource(const char* title);

  std::map<DWORD, ResourceRecord> m_records;
  std::map<DWORD, DWORD> m_extensions;
  std::map<std::string, FILE*> m_packages;
  std::map<std::string, DWORD> m_sounds;
  std::list<MemResBlock> m_memBlocks;
  std::map<std::string, ColorPalette> m_palettes;
  std::map<std::string, HANDLE> m_cursors;
  DWORD m_dynamicCapacity = 10;
  DWORD m_dynamicCount = 0;
  DWORD* m_dynamicIds = nullptr;
  char m_namePrefix[MAX_PATH] = {};
  ScriptInterpreter* m_scriptInterpreter = nullptr;
  int m_useCount = 0;
  HMODULE m_soundLibrary = nullptr;
  SoundLibraryApi m_soundApi;
  DWORD m_flags = 0;
  ResLock m_lock;
  std::unique_ptr<TextFont> m_textFont;
};

// Grows an array that lives in a tracked block (see ResourceManager::NewMemRes).
void* GrowMemResArray(void* array, DWORD elementSize, DWORD* capacity, DWORD extra);
