// Where the multimedia calls' sounds go. SDL2_mixer decodes every sound (WAV, MP3, OGG) and, on
// a machine with an audio device, plays it. Without a device (a server, CI) the output is a null
// output: sounds are still decoded, so their lengths are known, but nothing is heard, and a
// sound counts as playing from its start until its length has passed on the output's clock.
// Every result of the calls above this layer is therefore the same with and without a device.
//
// The output has one wave voice (the sound of PlaySound) and one music stream, which the MCI
// devices take in turn. All members are safe to call from any thread.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/WinTypes.h"

namespace platform {

// The clock that the null output keeps time by: GetTickCount and Sleep unless a test gives its own.
class MediaClock {
 public:
  virtual ~MediaClock() = default;
  virtual DWORD Now() = 0;
  // Returns once Now() has reached `tick`; a test clock moves itself there.
  virtual void WaitUntil(DWORD tick) = 0;
};

// One decoded sound.
struct AudioClip;

// A music stream's state as the MCI layer keeps it for one open device.
struct MusicStream {
  std::shared_ptr<AudioClip> clip;
  DWORD position = 0;   // milliseconds from the start while stopped
  bool playing = false;
  DWORD startTick = 0;  // when the current play began, on the output's clock
  DWORD startPosition = 0;
};

class AudioOutput {
 public:
  static AudioOutput& Instance();

  // For tests: from now on play nothing and keep time by `clock` (the system clock when null),
  // even where a device exists. UseDevice goes back to the device when there is one.
  void UseNull(MediaClock* clock);
  void UseDevice();
  // True while sounds are heard on a real audio device.
  bool IsReal();
  DWORD Now();

  // Decodes a RIFF wave file in memory; null when the bytes are no wave sound.
  std::shared_ptr<AudioClip> DecodeWave(const BYTE* bytes, size_t size);
  // Opens a music file (a POSIX path) for streaming; null when it cannot be read or decoded.
  std::shared_ptr<AudioClip> DecodeMusic(const std::string& nativePath);
  static DWORD Length(const AudioClip& clip);

  // The wave voice.
  void PlayWave(const std::shared_ptr<AudioClip>& clip, bool loop);
  void StopWave();
  bool WavePlaying();
  // Blocks until the wave sound that plays now has ended (returns at once for a looping one).
  void WaitWave();

  // The music stream.
  void PlayMusic(MusicStream& stream);
  // Stops the stream where it is (its position is kept).
  void StopMusic(MusicStream& stream);
  void SeekMusic(MusicStream& stream, DWORD position);
  // Whether the stream still plays; a stream that reached its end becomes stopped at its end.
  bool MusicPlaying(MusicStream& stream);
  // Stops the stream and lets go of the mixer's music when the stream holds it.
  void CloseMusic(MusicStream& stream);

 private:
  AudioOutput();
  void OpenLocked();
  DWORD NowLocked();
  bool WaveEndedLocked();
  bool MusicEndedLocked(MusicStream& stream);
  void StopMusicLocked(MusicStream& stream);

  std::mutex m_mutex;
  bool m_opened = false;
  bool m_mixerOpen = false;  // decoding works
  bool m_device = false;     // the mixer plays on a real device
  bool m_forceNull = false;
  MediaClock* m_clock = nullptr;
  int m_frequency = 44100;
  int m_channels = 2;
  int m_sampleBytes = 2;

  std::shared_ptr<AudioClip> m_wave;
  bool m_waveLoop = false;
  DWORD m_waveStart = 0;
  bool m_wavePlaying = false;
  MusicStream* m_musicOwner = nullptr;
};

}  // namespace platform
