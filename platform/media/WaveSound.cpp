// PlaySound and sndPlaySound over the output's one wave voice.
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/kernel/Files.h"
#include "platform/media/AudioOutput.h"
#include "platform/media/MMSystem.h"
#include "platform/user/Resources.h"

namespace {

using platform::AudioClip;
using platform::AudioOutput;

// Wave files of the program are small; a file above this is refused rather than read whole.
constexpr long MAX_WAVE_FILE = 64L * 1024 * 1024;

std::shared_ptr<AudioClip> DecodeFile(LPCSTR path) {
  if (!path || !*path) return nullptr;
  FILE* file = PlatformFopen(path, "rb");
  if (!file) return nullptr;
  std::vector<BYTE> bytes;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long size = std::ftell(file);
    if (size > 0 && size <= MAX_WAVE_FILE && std::fseek(file, 0, SEEK_SET) == 0) {
      bytes.resize(static_cast<size_t>(size));
      if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    }
  }
  std::fclose(file);
  return AudioOutput::Instance().DecodeWave(bytes.data(), bytes.size());
}

// A wave file in memory carries its own length in its RIFF header; the caller vouches for the
// bytes, as with the system call.
std::shared_ptr<AudioClip> DecodeMemory(LPCSTR data) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(data);
  if (!bytes || std::memcmp(bytes, "RIFF", 4) != 0) return nullptr;
  const DWORD riffSize = DWORD(bytes[4]) | DWORD(bytes[5]) << 8 | DWORD(bytes[6]) << 16 | DWORD(bytes[7]) << 24;
  if (riffSize < 4 || riffSize > 0x7ffffff0u) return nullptr;
  return AudioOutput::Instance().DecodeWave(bytes, static_cast<size_t>(riffSize) + 8);
}

std::shared_ptr<AudioClip> DecodeResource(LPCSTR name, HMODULE module) {
  HRSRC found = FindResourceA(module, name, "WAVE");
  if (!found) found = FindResourceA(module, name, "SOUND");
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
  const DWORD size = SizeofResource(module, found);
  return AudioOutput::Instance().DecodeWave(bytes, size);
}

}  // namespace

BOOL PlaySoundA(LPCSTR name, HMODULE module, DWORD flags) {
  AudioOutput& output = AudioOutput::Instance();
  if (!name) {
    output.StopWave();
    return TRUE;
  }
  if ((flags & SND_NOSTOP) && output.WavePlaying()) return FALSE;

  std::shared_ptr<AudioClip> clip;
  if ((flags & SND_RESOURCE) == SND_RESOURCE) {
    clip = DecodeResource(name, module);
  } else if (flags & SND_MEMORY) {
    clip = DecodeMemory(name);
  } else {
    clip = DecodeFile(name);
  }
  if (!clip) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  const bool loop = (flags & SND_LOOP) != 0;
  output.PlayWave(clip, loop);
  if (!(flags & SND_ASYNC) && !loop) output.WaitWave();
  return TRUE;
}

BOOL sndPlaySoundA(LPCSTR name, UINT flags) {
  // sndPlaySound knows no resources; whatever the flags say, the name is a file or memory.
  DWORD own = flags & (SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP | SND_NOSTOP);
  if (!(own & SND_MEMORY)) own |= SND_FILENAME;
  return PlaySoundA(name, nullptr, own);
}
