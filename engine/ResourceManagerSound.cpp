// The resource manager's sound half: the optional sound library, looked up by name in the
// program folder, and the samples it loads from files, from ".sound" resources and from the
// program's own numbered sound resources.
#include <cstdio>
#include <cstring>

#include "engine/ResourceManager.h"
#include "platform/kernel/Module.h"
#include "platform/user/Resources.h"

namespace {

HMODULE PlatformLoad(const char* name) { return LoadLibraryA(name); }
void* PlatformProc(HMODULE module, const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); }
BOOL PlatformRelease(HMODULE module) { return FreeLibrary(module); }

const SoundLibraryLoader PLATFORM_LOADER = {PlatformLoad, PlatformProc, PlatformRelease};
const SoundLibraryLoader* g_loader = &PLATFORM_LOADER;

constexpr int DEFAULT_DEVICE = -1;
constexpr DWORD MIX_FREQUENCY = 44100;

template <typename Fn>
bool Find(HMODULE module, const char* name, Fn& slot) {
  slot = reinterpret_cast<Fn>(g_loader->proc(module, name));
  return slot != nullptr;
}

}  // namespace

void ResourceManager::SetSoundLibraryLoader(const SoundLibraryLoader* loader) {
  g_loader = loader ? loader : &PLATFORM_LOADER;
}

HMODULE ResourceManager::LoadSoundLibrary() {
  if (m_flags & RESMGR_SOUND_READY) return m_soundLibrary;
  if (!FileExistsInModuleFolder("bass.dll")) return nullptr;
  HMODULE module = g_loader->load("bass.dll");
  if (!module) return nullptr;
  SoundLibraryApi api;
  bool complete;
  const bool oldSet = g_loader->proc(module, "BASS_SamplePlayEx") != nullptr;
  if (oldSet) {
    complete = Find(module, "BASS_SamplePlayEx", api.samplePlayEx) && Find(module, "BASS_Init", api.initOld) &&
               Find(module, "BASS_Start", api.start) && Find(module, "BASS_SampleLoad", api.sampleLoadOld) &&
               Find(module, "BASS_Stop", api.stop) && Find(module, "BASS_Free", api.free);
  } else {
    complete = Find(module, "BASS_Init", api.initNew) && Find(module, "BASS_Start", api.start) &&
               Find(module, "BASS_SampleLoad", api.sampleLoadNew) &&
               Find(module, "BASS_SampleGetChannel", api.sampleGetChannel) &&
               Find(module, "BASS_ChannelPlay", api.channelPlay) && Find(module, "BASS_Stop", api.stop) &&
               Find(module, "BASS_Free", api.free);
  }
  if (!complete) {
    // A library without one of the functions the engine calls would crash the first call that
    // needs it; the engine keeps to the platform's sound calls instead.
    WriteLog("音效库bass.dll缺少必要的函数,未加载");
    g_loader->release(module);
    return nullptr;
  }
  m_soundLibrary = module;
  m_soundApi = api;
  if (oldSet) {
    m_flags |= RESMGR_SOUND_OLD_SET;
    m_soundApi.initOld(DEFAULT_DEVICE, MIX_FREQUENCY, 0, EngineMainWindow());
  } else {
    m_flags &= ~RESMGR_SOUND_OLD_SET;
    m_soundApi.initNew(DEFAULT_DEVICE, MIX_FREQUENCY, 0, EngineMainWindow(), nullptr);
  }
  // As with the library's own callers, the results of the start-up calls are not looked at: a
  // library that cannot play simply gives no samples.
  m_soundApi.start();
  m_flags |= RESMGR_SOUND_READY;
  return module;
}

void ResourceManager::FreeSoundLibrary() {
  if (m_soundLibrary) {
    if (m_soundApi.stop) m_soundApi.stop();
    // The library's own clean-up releases every sample it loaded.
    if (m_soundApi.free) m_soundApi.free();
    g_loader->release(m_soundLibrary);
  }
  m_soundLibrary = nullptr;
  m_soundApi = SoundLibraryApi();
  m_sounds.clear();
  m_flags &= ~(RESMGR_SOUND_READY | RESMGR_SOUND_OLD_SET);
}

DWORD ResourceManager::FindSoundSample(const char* path) {
  if (!(m_flags & RESMGR_SOUND_READY) || !path) return 0;
  auto it = m_sounds.find(path);
  return it == m_sounds.end() ? 0 : it->second;
}

DWORD ResourceManager::LoadSampleFrom(BOOL memory, const void* source, DWORD length) {
  if (!(m_flags & RESMGR_SOUND_READY) || !source) return 0;
  if (m_flags & RESMGR_SOUND_OLD_SET) {
    return m_soundApi.sampleLoadOld(memory, source, 0, length, SOUND_SAMPLE_MAX_PLAYBACKS, SOUND_SAMPLE_FLAGS);
  }
  return m_soundApi.sampleLoadNew(memory, source, 0, length, SOUND_SAMPLE_MAX_PLAYBACKS, SOUND_SAMPLE_FLAGS);
}

// The ".sound" resource of a title, loaded as a sample from memory; the library keeps its own
// copy of the bytes, so the resource is unloaded again.
DWORD ResourceManager::LoadSampleFromResource(const char* title) {
  const std::string name = std::string(title) + ".sound";
  ResourceRecord* record = FindByName(name.c_str());
  if (!record || !record->data) return 0;
  const DWORD sample = LoadSampleFrom(TRUE, record->data, record->length);
  Unload(record->id);
  return sample;
}

DWORD ResourceManager::LoadSoundSample(const char* path) {
  if (!(m_flags & RESMGR_SOUND_READY) || !path) return 0;
  char title[MAX_PATH];
  char extension[MAX_PATH];
  GetFileTitle(path, title, sizeof title);
  GetFileExt(path, extension);
  DWORD sample = 0;
  if (!std::strcmp(extension, ".wav") || !std::strcmp(extension, ".mp3") || !std::strcmp(extension, ".ogg")) {
    sample = LoadSampleFrom(FALSE, path, 0);
  } else if (!std::strcmp(extension, ".sound")) {
    sample = LoadSampleFrom(FALSE, path, 0);
    if (!sample) sample = LoadSampleFromResource(title);
  } else if (!extension[0]) {
    sample = LoadSampleFromResource(title);
  }
  if (!sample) return 0;
  m_sounds.emplace(path, sample);
  return sample;
}

DWORD ResourceManager::LoadSoundFromModule(DWORD number, const char* name, const char* type) {
  if (!(m_flags & RESMGR_SOUND_READY) || !name || !type) return 0;
  LPCSTR id = MAKEINTRESOURCEA(number & 0xFFFF);
  HRSRC found = FindResourceA(nullptr, id, type);
  if (!found) return 0;
  const void* bytes = LockResource(LoadResource(nullptr, found));
  const DWORD size = SizeofResource(nullptr, found);
  if (!bytes || !size) return 0;
  const DWORD sample = LoadSampleFrom(TRUE, bytes, size);
  if (!sample) return 0;
  m_sounds.emplace(name, sample);
  return sample;
}
