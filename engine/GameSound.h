// The table's background music and sound effects. Music always goes through the MCI command
// strings, with the music file's own path as the device name, and loops by polling the device's
// mode. Effects go through the platform's wave calls, or, once the engine sound is switched on,
// through the optional sound library whose samples the resource manager loads and keeps.
//
// UI thread only.
#pragma once

#include "platform/base/WinTypes.h"

class GameSound {
 public:
  // The wave-call flags of the effects: a file or a program resource, not cutting a sound that
  // plays, asynchronous.
  static constexpr UINT EFFECT_FILE_FLAGS = 0x20011;
  static constexpr DWORD EFFECT_RESOURCE_FLAGS = 0x40015;
  static constexpr int MUSIC_POLL_INTERVAL = 100;
  static constexpr int DEFAULT_EFFECT_VOLUME = 50;

  GameSound() = default;
  ~GameSound();
  GameSound(const GameSound&) = delete;
  GameSound& operator=(const GameSound&) = delete;

  // Copies the folder (at most 259 bytes, never cutting a GBK character) and returns its length
  // plus one. The folder is put before music and effect file names and ends in a separator.
  int SetSoundFolder(const char* folder);
  const char* GetSoundFolder() const { return m_soundFolder; }

  // Music.
  void OpenMusic(const char* name);
  void PlayMusic();
  void CloseMusic();
  void MciOpen();
  void MciSeekStart();
  // Called on every engine tick; asks the device for its mode every MUSIC_POLL_INTERVAL calls and
  // starts the music again from the start once it has stopped.
  void PollMusic();
  const char* GetMusicPath() const { return m_musicPath; }
  int IsMusicOpen() const { return m_musicOpen; }
  int IsMusicPlaying() const { return m_musicPlaying; }

  // Effects.
  void PlayEffect(const char* path);
  void PlayEffectFile(const char* name);
  void PlaySystemEffect(DWORD number, const char* type);
  // Loads the sound library; 1 and the engine sound on when it could, else 0 and it stays off.
  int EnableEngineSound();
  void ClearEngineFlag() { m_engineSound = 0; }
  int IsEngineSoundOn() const { return m_engineSound; }
  DWORD FindSound(const char* path);
  DWORD FindSystemSound(DWORD number, const char* type);
  void PlaySample(DWORD sample);

 private:
  // Sends one MCI command built from the parts; the answer lands in m_reply.
  void SendMci(const char* verb, const char* tail);

  char m_reply[MAX_PATH] = {};
  int m_musicOpen = 0;
  int m_musicPlaying = 0;
  int m_effectVolume = DEFAULT_EFFECT_VOLUME;
  int m_pollInterval = MUSIC_POLL_INTERVAL;
  int m_pollCounter = 0;
  char m_musicPath[MAX_PATH] = {};
  char m_soundFolder[MAX_PATH] = {};
  int m_engineSound = 0;
};
