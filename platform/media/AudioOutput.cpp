#include "platform/media/AudioOutput.h"

#include <SDL2/SDL.h>
#include <alsa/asoundlib.h>
#include <SDL2/SDL_mixer.h>

#include <cstdlib>
#include <cstring>

#include "platform/kernel/Time.h"

namespace platform {

struct AudioClip {
  Mix_Chunk* chunk = nullptr;
  Mix_Music* music = nullptr;
  DWORD length = 0;  // milliseconds

  AudioClip() = default;
  AudioClip(const AudioClip&) = delete;
  AudioClip& operator=(const AudioClip&) = delete;
  ~AudioClip() {
    if (chunk) Mix_FreeChunk(chunk);
    if (music) Mix_FreeMusic(music);
  }
};

namespace {

// The wave voice plays on mixer channel 0.
constexpr int WAVE_CHANNEL = 0;

class SystemClock : public MediaClock {
 public:
  DWORD Now() override { return GetTickCount(); }
  void WaitUntil(DWORD tick) override {
    for (;;) {
      const DWORD now = GetTickCount();
      const int32_t left = static_cast<int32_t>(tick - now);
      if (left <= 0) return;
      Sleep(static_cast<DWORD>(left));
    }
  }
};

SystemClock g_systemClock;

// The sound library reports every step of a failed device search on stderr ("ALSA lib ...
// Unknown PCM default" and more on a machine without a sound card). The search is only a probe:
// a failure is answered with the silent output, so its messages are dropped while it runs.
void QuietSoundLibrary(const char*, int, const char*, int, const char*, ...) {}

class QuietSoundLibraryScope {
 public:
  QuietSoundLibraryScope() { snd_lib_error_set_handler(&QuietSoundLibrary); }
  ~QuietSoundLibraryScope() { snd_lib_error_set_handler(nullptr); }
  QuietSoundLibraryScope(const QuietSoundLibraryScope&) = delete;
  QuietSoundLibraryScope& operator=(const QuietSoundLibraryScope&) = delete;
};

bool IsRiffWave(const BYTE* bytes, size_t size) {
  return bytes && size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WAVE", 4) == 0;
}

}  // namespace

AudioOutput& AudioOutput::Instance() {
  // Never destroyed: sounds may still be asked for while static objects go away.
  static AudioOutput* output = new AudioOutput;
  return *output;
}

AudioOutput::AudioOutput() : m_clock(&g_systemClock) {}

// Opens the mixer once: on the audio device when there is one (and PXQD_AUDIO is not "null"),
// else on SDL's dummy driver, which gives the decoders the format they convert to while nothing
// is heard. The device search says nothing on stderr when it finds no device.
void AudioOutput::OpenLocked() {
  if (m_opened) return;
  m_opened = true;
  const char* mode = std::getenv("PXQD_AUDIO");
  const bool wantNull = mode && std::strcmp(mode, "null") == 0;
  if (!wantNull) {
    QuietSoundLibraryScope quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
      if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) == 0) {
        m_mixerOpen = true;
        m_device = true;
      } else {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
      }
    }
  }
  if (!m_mixerOpen) {
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
      if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) == 0) {
        m_mixerOpen = true;
      } else {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
      }
    }
  }
  if (!m_mixerOpen) return;
  Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG);
  Uint16 format = AUDIO_S16SYS;
  int frequency = 0, channels = 0;
  if (Mix_QuerySpec(&frequency, &format, &channels) && frequency > 0 && channels > 0) {
    m_frequency = frequency;
    m_channels = channels;
    m_sampleBytes = SDL_AUDIO_BITSIZE(format) / 8;
    if (m_sampleBytes <= 0) m_sampleBytes = 2;
  }
  Mix_AllocateChannels(2);
}

void AudioOutput::UseNull(MediaClock* clock) {
  std::lock_guard<std::mutex> lock(m_mutex);
  OpenLocked();
  if (m_device && m_forceNull == false) {
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
  }
  m_forceNull = true;
  m_clock = clock ? clock : &g_systemClock;
  m_wave.reset();
  m_wavePlaying = false;
  if (m_musicOwner) m_musicOwner->playing = false;
  m_musicOwner = nullptr;
}

void AudioOutput::UseDevice() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_forceNull = false;
  m_clock = &g_systemClock;
  m_wave.reset();
  m_wavePlaying = false;
  if (m_musicOwner) m_musicOwner->playing = false;
  m_musicOwner = nullptr;
}

bool AudioOutput::IsReal() {
  std::lock_guard<std::mutex> lock(m_mutex);
  OpenLocked();
  return m_device && !m_forceNull;
}

DWORD AudioOutput::Now() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return NowLocked();
}

DWORD AudioOutput::NowLocked() { return m_clock->Now(); }

std::shared_ptr<AudioClip> AudioOutput::DecodeWave(const BYTE* bytes, size_t size) {
  if (!IsRiffWave(bytes, size) || size > 0x7fffffffu) return nullptr;
  std::lock_guard<std::mutex> lock(m_mutex);
  OpenLocked();
  if (!m_mixerOpen) return nullptr;
  SDL_RWops* rw = SDL_RWFromConstMem(bytes, static_cast<int>(size));
  if (!rw) return nullptr;
  Mix_Chunk* chunk = Mix_LoadWAV_RW(rw, 1);
  if (!chunk) return nullptr;
  auto clip = std::make_shared<AudioClip>();
  clip->chunk = chunk;
  const uint64_t frameBytes = static_cast<uint64_t>(m_channels) * m_sampleBytes;
  clip->length = static_cast<DWORD>(static_cast<uint64_t>(chunk->alen) * 1000 / (frameBytes * m_frequency));
  return clip;
}

std::shared_ptr<AudioClip> AudioOutput::DecodeMusic(const std::string& nativePath) {
  std::lock_guard<std::mutex> lock(m_mutex);
  OpenLocked();
  if (!m_mixerOpen) return nullptr;
  Mix_Music* music = Mix_LoadMUS(nativePath.c_str());
  if (!music) return nullptr;
  auto clip = std::make_shared<AudioClip>();
  clip->music = music;
  const double seconds = Mix_MusicDuration(music);
  clip->length = seconds > 0 ? static_cast<DWORD>(seconds * 1000.0 + 0.5) : 0;
  return clip;
}

DWORD AudioOutput::Length(const AudioClip& clip) { return clip.length; }

// ---- the wave voice

bool AudioOutput::WaveEndedLocked() {
  if (!m_wavePlaying || !m_wave) return true;
  if (m_device && !m_forceNull) return Mix_Playing(WAVE_CHANNEL) == 0 || Mix_GetChunk(WAVE_CHANNEL) != m_wave->chunk;
  if (m_waveLoop) return false;
  return NowLocked() - m_waveStart >= m_wave->length;
}

void AudioOutput::PlayWave(const std::shared_ptr<AudioClip>& clip, bool loop) {
  std::lock_guard<std::mutex> lock(m_mutex);
  OpenLocked();
  if (!clip || !clip->chunk) return;
  if (m_device && !m_forceNull) Mix_HaltChannel(WAVE_CHANNEL);
  m_wave = clip;
  m_waveLoop = loop;
  m_waveStart = NowLocked();
  m_wavePlaying = true;
  if (m_device && !m_forceNull && Mix_PlayChannel(WAVE_CHANNEL, clip->chunk, loop ? -1 : 0) < 0) {
    m_wavePlaying = false;
  }
}

void AudioOutput::StopWave() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_device && !m_forceNull && m_wavePlaying) Mix_HaltChannel(WAVE_CHANNEL);
  m_wavePlaying = false;
  m_wave.reset();
}

bool AudioOutput::WavePlaying() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (WaveEndedLocked()) {
    m_wavePlaying = false;
    return false;
  }
  return true;
}

void AudioOutput::WaitWave() {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (!m_wavePlaying || !m_wave || m_waveLoop) return;
  const std::shared_ptr<AudioClip> clip = m_wave;
  if (m_device && !m_forceNull) {
    // The device plays in its own thread; look again every few milliseconds until this sound
    // has left the channel (ended, cut by another call or stopped).
    while (!WaveEndedLocked() && m_wave == clip) {
      lock.unlock();
      SDL_Delay(5);
      lock.lock();
    }
    return;
  }
  const DWORD end = m_waveStart + clip->length;
  MediaClock* clock = m_clock;
  lock.unlock();
  clock->WaitUntil(end);
}

// ---- the music stream

bool AudioOutput::MusicEndedLocked(MusicStream& stream) {
  if (!stream.playing || !stream.clip) return true;
  if (m_musicOwner != &stream) return true;
  if (m_device && !m_forceNull) return Mix_PlayingMusic() == 0;
  const DWORD left = stream.clip->length > stream.startPosition ? stream.clip->length - stream.startPosition : 0;
  return NowLocked() - stream.startTick >= left;
}

void AudioOutput::StopMusicLocked(MusicStream& stream) {
  if (!stream.playing) return;
  if (MusicEndedLocked(stream)) {
    stream.position = stream.clip ? stream.clip->length : 0;
  } else {
    const DWORD played = NowLocked() - stream.startTick;
    stream.position = stream.startPosition + played;
    if (stream.clip && stream.position > stream.clip->length) stream.position = stream.clip->length;
  }
  if (m_musicOwner == &stream) {
    if (m_device && !m_forceNull) Mix_HaltMusic();
    m_musicOwner = nullptr;
  }
  stream.playing = false;
}

void AudioOutput::PlayMusic(MusicStream& stream) {
  std::lock_guard<std::mutex> lock(m_mutex);
  OpenLocked();
  if (!stream.clip || !stream.clip->music) return;
  if (stream.playing && !MusicEndedLocked(stream)) return;
  if (m_musicOwner && m_musicOwner != &stream) StopMusicLocked(*m_musicOwner);
  stream.playing = false;
  if (stream.clip->length > 0 && stream.position >= stream.clip->length) {
    // Played to its end: play gives nothing more until the stream is sought back.
    stream.position = stream.clip->length;
    return;
  }
  if (m_device && !m_forceNull) {
    if (Mix_PlayMusic(stream.clip->music, 0) != 0) return;
    if (stream.position > 0) Mix_SetMusicPosition(stream.position / 1000.0);
  }
  m_musicOwner = &stream;
  stream.playing = true;
  stream.startTick = NowLocked();
  stream.startPosition = stream.position;
}

void AudioOutput::StopMusic(MusicStream& stream) {
  std::lock_guard<std::mutex> lock(m_mutex);
  StopMusicLocked(stream);
}

void AudioOutput::SeekMusic(MusicStream& stream, DWORD position) {
  std::lock_guard<std::mutex> lock(m_mutex);
  StopMusicLocked(stream);
  if (stream.clip && position > stream.clip->length) position = stream.clip->length;
  stream.position = position;
}

bool AudioOutput::MusicPlaying(MusicStream& stream) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!stream.playing) return false;
  if (MusicEndedLocked(stream)) {
    stream.playing = false;
    stream.position = stream.clip ? stream.clip->length : 0;
    if (m_musicOwner == &stream) m_musicOwner = nullptr;
    return false;
  }
  return true;
}

void AudioOutput::CloseMusic(MusicStream& stream) {
  std::lock_guard<std::mutex> lock(m_mutex);
  StopMusicLocked(stream);
  if (m_musicOwner == &stream) m_musicOwner = nullptr;
}

}  // namespace platform
