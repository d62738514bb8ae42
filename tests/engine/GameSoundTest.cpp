// Music and effects of the game sound against the null audio output (its clock moved by the
// tests), and the optional sound library driven through a stand-in loader.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/GameSound.h"
#include "engine/ResourceManager.h"
#include "platform/media/AudioOutput.h"
#include "platform/media/MMSystem.h"
#include "platform/user/Resources.h"
#include "tests/engine/EngineResFixture.h"

namespace {

using enginetest::EngineResTest;

const std::string MEDIA = std::string(PXQD_TEST_DATA) + "/media/";

class TestClock : public platform::MediaClock {
 public:
  DWORD now = 100000;
  DWORD Now() override { return now; }
  void WaitUntil(DWORD tick) override {
    if (static_cast<int32_t>(tick - now) > 0) now = tick;
  }
};

std::string Status(const std::string& device) {
  char reply[64] = "";
  if (mciSendStringA(("status " + device + " mode").c_str(), reply, sizeof reply, nullptr) != 0) return "closed";
  return reply;
}

// ---- a stand-in for the sound library: records its calls

struct LibraryCalls {
  bool oldSet = true;
  const char* missing = nullptr;  // an export the library lacks
  std::vector<std::string> calls;
  int initArgs = 0;
  HWND initWindow = nullptr;
  struct Load {
    BOOL memory;
    std::string file;  // the path, or the loaded bytes
    DWORD length, max, flags;
  };
  std::vector<Load> loads;
  DWORD nextSample = 700;
  int releases = 0;
} g_lib;

char g_module;

BOOL InitOld(int device, DWORD frequency, DWORD flags, HWND window) {
  g_lib.calls.push_back("Init(" + std::to_string(device) + "," + std::to_string(frequency) + "," +
                        std::to_string(flags) + ")");
  g_lib.initArgs = 4;
  g_lib.initWindow = window;
  return TRUE;
}
BOOL InitNew(int device, DWORD frequency, DWORD flags, HWND window, const void* clsid) {
  InitOld(device, frequency, flags, window);
  g_lib.initArgs = clsid ? -1 : 5;
  return TRUE;
}
BOOL Start() {
  g_lib.calls.push_back("Start");
  return TRUE;
}
DWORD Load(BOOL memory, const void* file, DWORD length, DWORD max, DWORD flags) {
  std::string what = memory ? std::string(static_cast<const char*>(file), length) : static_cast<const char*>(file);
  g_lib.loads.push_back({memory, what, length, max, flags});
  // Files that are not there give no sample, as the real library does.
  if (!memory && what.find("missing") != std::string::npos) return 0;
  return ++g_lib.nextSample;
}
DWORD LoadOld(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD max, DWORD flags) {
  return Load(memory, file, length, max, flags);
}
DWORD LoadNew(BOOL memory, const void* file, ULONGLONG offset, DWORD length, DWORD max, DWORD flags) {
  return Load(memory, file, length, max, flags);
}
DWORD PlayEx(DWORD sample, DWORD start, int frequency, int volume, int pan, int loop) {
  g_lib.calls.push_back("SamplePlayEx(" + std::to_string(sample) + "," + std::to_string(start) + "," +
                        std::to_string(frequency) + "," + std::to_string(volume) + "," + std::to_string(pan) +
                        "," + std::to_string(loop) + ")");
  return 1;
}
DWORD GetChannel(DWORD sample, BOOL onlyNew) {
  g_lib.calls.push_back("SampleGetChannel(" + std::to_string(sample) + "," + std::to_string(onlyNew) + ")");
  return sample + 5000;
}
BOOL ChannelPlay(DWORD channel, BOOL restart) {
  g_lib.calls.push_back("ChannelPlay(" + std::to_string(channel) + "," + std::to_string(restart) + ")");
  return TRUE;
}
BOOL Stop() {
  g_lib.calls.push_back("Stop");
  return TRUE;
}
BOOL Free() {
  g_lib.calls.push_back("Free");
  return TRUE;
}

HMODULE FakeLoad(const char* name) {
  g_lib.calls.push_back(std::string("load ") + name);
  return reinterpret_cast<HMODULE>(&g_module);
}
void* FakeProc(HMODULE, const char* name) {
  if (g_lib.missing && !std::strcmp(name, g_lib.missing)) return nullptr;
  const bool old = g_lib.oldSet;
  struct Export {
    const char* name;
    void* fn;
  } exports[] = {
      {"BASS_Init", old ? reinterpret_cast<void*>(InitOld) : reinterpret_cast<void*>(InitNew)},
      {"BASS_Start", reinterpret_cast<void*>(Start)},
      {"BASS_SampleLoad", old ? reinterpret_cast<void*>(LoadOld) : reinterpret_cast<void*>(LoadNew)},
      {"BASS_SamplePlayEx", old ? reinterpret_cast<void*>(PlayEx) : nullptr},
      {"BASS_SampleGetChannel", old ? nullptr : reinterpret_cast<void*>(GetChannel)},
      {"BASS_ChannelPlay", old ? nullptr : reinterpret_cast<void*>(ChannelPlay)},
      {"BASS_Stop", reinterpret_cast<void*>(Stop)},
      {"BASS_Free", reinterpret_cast<void*>(Free)},
  };
  for (const Export& e : exports) {
    if (!std::strcmp(e.name, name)) return e.fn;
  }
  return nullptr;
}
BOOL FakeRelease(HMODULE) {
  g_lib.releases++;
  return TRUE;
}
const SoundLibraryLoader FAKE_LOADER = {FakeLoad, FakeProc, FakeRelease};

class GameSoundTest : public EngineResTest {
 protected:
  void SetUp() override {
    EngineResTest::SetUp();
    g_lib = LibraryCalls();
    platform::AudioOutput::Instance().UseNull(&clock);
    sound.SetSoundFolder(MEDIA.c_str());
  }
  void TearDown() override {
    sound.CloseMusic();
    PlaySoundA(nullptr, nullptr, 0);
    platform::AudioOutput::Instance().UseNull(nullptr);
    EngineResTest::TearDown();
    ResourceManager::SetSoundLibraryLoader(nullptr);
  }
  // Puts a file named bass.dll into the program folder and drives the stand-in library.
  void InstallLibrary(bool oldSet) {
    Put("bass.dll", {'M', 'Z'});
    g_lib.oldSet = oldSet;
    ResourceManager::SetSoundLibraryLoader(&FAKE_LOADER);
  }
  bool WavePlaying() { return platform::AudioOutput::Instance().WavePlaying(); }

  TestClock clock;
  GameSound sound;
};

TEST_F(GameSoundTest, MusicLoopsWithinOnePollIntervalOfItsEnd) {
  sound.OpenMusic("tune.ogg");
  sound.PlayMusic();
  const std::string device = sound.GetMusicPath();
  EXPECT_EQ(device, MEDIA + "tune.ogg");
  ASSERT_EQ(Status(device), "playing");
  auto clip = platform::AudioOutput::Instance().DecodeMusic(device);
  clock.now += platform::AudioOutput::Length(*clip);
  EXPECT_EQ(Status(device), "stopped");
  // The first 100 polls only count down; the 101st asks the device and starts the music again.
  for (int i = 0; i < GameSound::MUSIC_POLL_INTERVAL; i++) sound.PollMusic();
  EXPECT_EQ(Status(device), "stopped");
  sound.PollMusic();
  EXPECT_EQ(Status(device), "playing");
  EXPECT_EQ(sound.IsMusicPlaying(), 1);
  sound.CloseMusic();
  EXPECT_EQ(Status(device), "closed");
  EXPECT_EQ(sound.IsMusicOpen(), 0);
}

TEST_F(GameSoundTest, OpeningAndClosingMusic) {
  // Closing without open music sends nothing: a device opened by someone else stays open.
  const std::string other = MEDIA + "tune.mp3";
  ASSERT_EQ(mciSendStringA(("open " + other).c_str(), nullptr, 0, nullptr), 0u);
  sound.CloseMusic();
  EXPECT_EQ(Status(other), "stopped");
  mciSendStringA(("close " + other).c_str(), nullptr, 0, nullptr);

  // Opening music while music plays closes the old music first.
  sound.OpenMusic("tune.mp3");
  sound.PlayMusic();
  EXPECT_EQ(Status(other), "playing");
  sound.OpenMusic("tune.ogg");
  EXPECT_EQ(Status(other), "closed");
  EXPECT_EQ(Status(MEDIA + "tune.ogg"), "stopped");
  EXPECT_EQ(sound.IsMusicPlaying(), 0);

  // A file that cannot be opened still counts as open and playing; the poll keeps asking.
  sound.OpenMusic("missing.mp3");
  sound.PlayMusic();
  EXPECT_EQ(sound.IsMusicOpen(), 1);
  for (int i = 0; i < 3 * GameSound::MUSIC_POLL_INTERVAL; i++) sound.PollMusic();
  EXPECT_EQ(sound.IsMusicPlaying(), 1);

  // A name that would not fit the path buffer opens nothing rather than a cut path.
  sound.OpenMusic(std::string(300, 'a').c_str());
  EXPECT_EQ(sound.IsMusicOpen(), 0);
}

TEST_F(GameSoundTest, EffectsWithoutTheLibraryUseTheWaveCalls) {
  EXPECT_EQ(sound.EnableEngineSound(), 0) << "no bass.dll in the program folder";
  EXPECT_EQ(sound.IsEngineSoundOn(), 0);
  sound.PlayEffectFile("beep.wav");
  EXPECT_TRUE(WavePlaying());
  // The chime is dropped while the beep plays: the wave voice falls silent when the beep's
  // 250 ms are over, not after the chime's 400.
  clock.now += 100;
  sound.PlayEffectFile("chime.wav");
  clock.now += 150;
  EXPECT_FALSE(WavePlaying());

  ASSERT_TRUE(platform::AddResource("SOUND", MAKEINTRESOURCEA(29100), enginetest::ReadBytes(MEDIA + "chime.wav")));
  sound.PlaySystemEffect(0x10000 + 29100, "sound");  // only the low 16 bits name the resource
  clock.now += 399;
  EXPECT_TRUE(WavePlaying());
  clock.now += 1;
  EXPECT_FALSE(WavePlaying());
  platform::RemoveResource("SOUND", MAKEINTRESOURCEA(29100));

  sound.PlayEffectFile(std::string(300, 'a').c_str());
  EXPECT_FALSE(WavePlaying());
}

TEST_F(GameSoundTest, LibraryPresentButNotLoadable) {
  // A bass.dll on disk that the platform's loader cannot load leaves the engine sound off.
  Put("bass.dll", {'M', 'Z'});
  EXPECT_EQ(sound.EnableEngineSound(), 0);
  EXPECT_EQ(Manager()->GetFlags() & 3u, 0u);
  // A library that lacks one of the functions is refused and let go again.
  InstallLibrary(false);
  g_lib.missing = "BASS_ChannelPlay";
  EXPECT_EQ(sound.EnableEngineSound(), 0);
  EXPECT_EQ(g_lib.releases, 1);
  EXPECT_EQ(Manager()->GetFlags() & 3u, 0u);
}

TEST_F(GameSoundTest, OldAndNewFunctionSets) {
  for (bool oldSet : {true, false}) {
    SCOPED_TRACE(oldSet ? "old set" : "new set");
    g_lib = LibraryCalls();
    InstallLibrary(oldSet);
    GameSound game;
    game.SetSoundFolder(MEDIA.c_str());
    ASSERT_EQ(game.EnableEngineSound(), 1);
    EXPECT_EQ(Manager()->GetFlags() & 3u, oldSet ? 3u : 1u);
    EXPECT_EQ(g_lib.initArgs, oldSet ? 4 : 5);
    ASSERT_GE(g_lib.calls.size(), 3u);
    EXPECT_EQ(g_lib.calls[0], "load bass.dll");
    EXPECT_EQ(g_lib.calls[1], "Init(-1,44100,0)");
    EXPECT_EQ(g_lib.calls[2], "Start");
    g_lib.calls.clear();

    // Loaded once as a sample, then served from the sound table.
    game.PlayEffectFile("beep.wav");
    game.PlayEffectFile("beep.wav");
    ASSERT_EQ(g_lib.loads.size(), 1u);
    EXPECT_EQ(g_lib.loads[0].memory, FALSE);
    EXPECT_EQ(g_lib.loads[0].file, MEDIA + "beep.wav");
    EXPECT_EQ(g_lib.loads[0].max, 3u);
    EXPECT_EQ(g_lib.loads[0].flags, 0x20000u);
    EXPECT_EQ(Manager()->GetSoundCount(), 1u);
    const std::vector<std::string> played =
        oldSet ? std::vector<std::string>{"SamplePlayEx(701,0,-1,50,-101,-1)", "SamplePlayEx(701,0,-1,50,-101,-1)"}
               : std::vector<std::string>{"SampleGetChannel(701,0)", "ChannelPlay(5701,1)", "SampleGetChannel(701,0)",
                                          "ChannelPlay(5701,1)"};
    EXPECT_EQ(g_lib.calls, played);
    EXPECT_FALSE(WavePlaying()) << "nothing went through the wave calls";

    // A sample that cannot be loaded plays nothing and is asked for again next time.
    g_lib.calls.clear();
    game.PlayEffectFile("missing.wav");
    game.PlayEffectFile("missing.wav");
    EXPECT_EQ(g_lib.loads.size(), 3u);
    EXPECT_TRUE(g_lib.calls.empty());
    // Other extensions give no sample.
    game.PlayEffect("tune.mid");
    EXPECT_EQ(g_lib.loads.size(), 3u);

    g_lib.calls.clear();
    while (Manager()->GetUseCount() > 1) Manager()->Release();
    Manager()->Release();
    EXPECT_EQ(g_lib.calls, (std::vector<std::string>{"Stop", "Free"}));
    EXPECT_EQ(g_lib.releases, 1);
    EXPECT_EQ(Manager()->GetSoundCount(), 0u);
    EXPECT_EQ(Manager()->GetFlags() & 3u, 0u);
  }
}

TEST_F(GameSoundTest, SamplesFromSoundResources) {
  InstallLibrary(false);
  ASSERT_EQ(sound.EnableEngineSound(), 1);
  // A name without extension plays the registered ".sound" resource of that title.
  const std::string click = Put("click.wav", {'R', 'I', 'F', 'F', 'c', 'l', 'i', 'c', 'k'});
  ASSERT_NE(Manager()->RegisterFile(click.c_str(), "click", ".sound", 0, 0), 0u);
  sound.PlayEffect("click");
  ASSERT_EQ(g_lib.loads.size(), 1u);
  EXPECT_EQ(g_lib.loads[0].memory, TRUE);
  EXPECT_EQ(g_lib.loads[0].file, "RIFFclick");
  EXPECT_EQ(g_lib.loads[0].length, 9u);
  EXPECT_EQ(Manager()->FindSoundSample("click"), 701u);
  EXPECT_FALSE(Manager()->FindByName("click.sound")->flags & RESFLAG_LOADED) << "unloaded again";

  // The program's numbered sound resources are stored under a name made from number and type.
  ASSERT_TRUE(platform::AddResource("sound", MAKEINTRESOURCEA(29000), {'R', 'I', 'F', 'F', '2', '9'}));
  sound.PlaySystemEffect(29000, "sound");
  ASSERT_EQ(g_lib.loads.size(), 2u);
  EXPECT_EQ(g_lib.loads[1].file, "RIFF29");
  EXPECT_EQ(Manager()->FindSoundSample("系统音效29000sound.sound"), 702u);
  sound.PlaySystemEffect(29000, "sound");
  EXPECT_EQ(g_lib.loads.size(), 2u);
  // A type too long for the name buffer looks nothing up.
  EXPECT_EQ(sound.FindSystemSound(29000, std::string(300, 't').c_str()), 0u);
  platform::RemoveResource("sound", MAKEINTRESOURCEA(29000));
}

}  // namespace
