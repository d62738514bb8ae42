#include "engine/GameSound.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/EngineUtil.h"
#include "engine/ResourceManager.h"
#include "platform/base/Gbk.h"
#include "platform/kernel/Files.h"
#include "platform/media/MMSystem.h"
#include "platform/user/WinUser.h"

namespace {

// Joins two texts into a MAX_PATH buffer; false (and the buffer left alone) when they do not fit,
// so that a cut path never names another file.
bool JoinPath(char (&out)[MAX_PATH], const char* a, const char* b) {
  const size_t la = std::strlen(a);
  const size_t lb = std::strlen(b);
  if (la + lb >= MAX_PATH) return false;
  std::memcpy(out, a, la);
  std::memcpy(out + la, b, lb + 1);
  return true;
}

}  // namespace

GameSound::~GameSound() {
  CloseMusic();
  ClearEngineFlag();
}

int GameSound::SetSoundFolder(const char* folder) {
  if (!folder) folder = "";
  const size_t length = GbkSafeCut(folder, strnlen(folder, MAX_PATH - 1));
  std::memcpy(m_soundFolder, folder, length);
  m_soundFolder[length] = 0;
  return static_cast<int>(length) + 1;
}

void GameSound::SendMci(const char* verb, const char* tail) {
  const std::string command = std::string(verb) + m_musicPath + tail;
  m_reply[0] = 0;
  mciSendStringA(command.c_str(), m_reply, sizeof m_reply, nullptr);
}

void GameSound::OpenMusic(const char* name) {
  if (m_musicOpen) CloseMusic();
  if (!name) return;
  char path[MAX_PATH];
  if (!JoinPath(path, m_soundFolder, name)) {
    WriteLog("音乐路径过长:%.200s", name);
    return;
  }
  std::memcpy(m_musicPath, path, sizeof m_musicPath);
  GetShortPathNameA(m_musicPath, m_musicPath, MAX_PATH);
  MciOpen();
}

void GameSound::MciOpen() {
  if (m_musicOpen) return;
  SendMci("open ", "");
  // The music counts as open even when the device refused the file: closing it later and the
  // poll's questions then fail quietly.
  m_musicOpen = 1;
}

void GameSound::PlayMusic() {
  if (!m_musicOpen) return;
  SendMci("play ", "");
  m_musicPlaying = 1;
  m_pollCounter = m_pollInterval;
}

void GameSound::CloseMusic() {
  if (!m_musicOpen) return;
  SendMci("close ", "");
  m_musicOpen = 0;
  m_musicPlaying = 0;
}

void GameSound::MciSeekStart() { SendMci("seek ", " to start"); }

void GameSound::PollMusic() {
  if (!m_musicPlaying) return;
  if (m_pollCounter > 0) {
    m_pollCounter--;
    return;
  }
  m_pollCounter = m_pollInterval;
  SendMci("status ", " mode");
  if (std::strcmp(m_reply, "stopped") == 0) {
    m_musicPlaying = 0;
    MciSeekStart();
    PlayMusic();
  }
}

void GameSound::PlayEffect(const char* path) {
  if (!path) return;
  if (m_engineSound) {
    const DWORD sample = FindSound(path);
    if (sample) PlaySample(sample);
    return;
  }
  sndPlaySoundA(path, EFFECT_FILE_FLAGS);
}

void GameSound::PlayEffectFile(const char* name) {
  if (!name) return;
  char path[MAX_PATH];
  if (!JoinPath(path, m_soundFolder, name)) {
    WriteLog("音效路径过长:%.200s", name);
    return;
  }
  PlayEffect(path);
}

void GameSound::PlaySystemEffect(DWORD number, const char* type) {
  if (m_engineSound) {
    const DWORD sample = FindSystemSound(number, type);
    if (sample) PlaySample(sample);
    return;
  }
  PlaySoundA(MAKEINTRESOURCEA(number & 0xFFFF), nullptr, EFFECT_RESOURCE_FLAGS);
}

int GameSound::EnableEngineSound() {
  if (!ResourceManager::Instance()->LoadSoundLibrary()) return 0;
  m_engineSound = 1;
  return 1;
}

DWORD GameSound::FindSound(const char* path) {
  if (!m_engineSound || !path) return 0;
  ResourceManager* manager = ResourceManager::Instance();
  const DWORD sample = manager->FindSoundSample(path);
  return sample ? sample : manager->LoadSoundSample(path);
}

DWORD GameSound::FindSystemSound(DWORD number, const char* type) {
  if (!m_engineSound || !type) return 0;
  char name[MAX_PATH];
  const int length = std::snprintf(name, sizeof name, "系统音效%d%s%s", static_cast<int>(number), type, ".sound");
  // A type too long for the name would give a cut name that another sound may own.
  if (length < 0 || length >= static_cast<int>(sizeof name)) return 0;
  ResourceManager* manager = ResourceManager::Instance();
  const DWORD sample = manager->FindSoundSample(name);
  return sample ? sample : manager->LoadSoundFromModule(number, name, type);
}

void GameSound::PlaySample(DWORD sample) {
  ResourceManager* manager = ResourceManager::Instance();
  const SoundLibraryApi& api = manager->GetSoundLibrary();
  if (!(manager->GetFlags() & RESMGR_SOUND_READY) || !sample) return;
  if (manager->GetFlags() & RESMGR_SOUND_OLD_SET) {
    api.samplePlayEx(sample, 0, -1, m_effectVolume, -101, -1);
    return;
  }
  const DWORD channel = api.sampleGetChannel(sample, FALSE);
  api.channelPlay(channel, TRUE);
}
