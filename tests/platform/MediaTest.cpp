// Wave sounds and MCI music against the null output, whose clock the tests move; one test plays
// on the real audio device when the machine has one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/media/AudioOutput.h"
#include "platform/media/MMSystem.h"
#include "platform/user/Resources.h"
#include "tests/support/TempDir.h"

namespace {

const std::string DATA = std::string(PXQD_TEST_DATA) + "/media/";

// A clock that stands still until a test or a waiting call moves it.
class TestClock : public platform::MediaClock {
 public:
  DWORD now = 5000;
  DWORD Now() override { return now; }
  void WaitUntil(DWORD tick) override {
    if (static_cast<int32_t>(tick - now) > 0) now = tick;
  }
};

std::vector<BYTE> ReadBytes(const std::string& path) {
  std::string bytes = testsupport::TempDir::Read(path);
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

class MediaTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::AudioOutput::Instance().UseNull(&clock); }
  void TearDown() override {
    PlaySoundA(nullptr, nullptr, 0);
    platform::AudioOutput::Instance().UseNull(nullptr);
  }
  std::string Mci(const std::string& command, MCIERROR* error = nullptr) {
    char reply[260] = "unchanged";
    MCIERROR e = mciSendStringA(command.c_str(), reply, sizeof reply, nullptr);
    if (error) *error = e;
    return reply;
  }
  DWORD MusicLength(const std::string& file) {
    auto clip = platform::AudioOutput::Instance().DecodeMusic(file);
    return clip ? platform::AudioOutput::Length(*clip) : 0;
  }
  TestClock clock;
};

TEST_F(MediaTest, SynchronousSoundLastsAsLongAsItsFile) {
  const std::string beep = DATA + "beep.wav";
  EXPECT_TRUE(sndPlaySoundA(beep.c_str(), 0));
  // 2000 samples at 8 kHz: the call returned a quarter of a second later on the output's clock.
  EXPECT_EQ(clock.now, 5000u + 250u);
  EXPECT_FALSE(platform::AudioOutput::Instance().WavePlaying());
}

TEST_F(MediaTest, NoStopRefusesASoundWhileAnotherPlays) {
  const std::string beep = DATA + "beep.wav";
  const std::string chime = DATA + "chime.wav";
  const UINT flags = SND_FILENAME | SND_NOSTOP | SND_ASYNC;
  ASSERT_TRUE(sndPlaySoundA(chime.c_str(), flags));
  EXPECT_EQ(clock.now, 5000u) << "an asynchronous sound returns at once";
  clock.now += 399;
  EXPECT_FALSE(sndPlaySoundA(beep.c_str(), flags)) << "the chime still plays: the beep is dropped";
  clock.now += 1;
  EXPECT_TRUE(sndPlaySoundA(beep.c_str(), flags)) << "the chime has ended";
  // Without SND_NOSTOP a new sound cuts the one that plays.
  EXPECT_TRUE(sndPlaySoundA(chime.c_str(), SND_ASYNC));
  clock.now += 300;
  EXPECT_TRUE(platform::AudioOutput::Instance().WavePlaying()) << "the chime started anew";
}

TEST_F(MediaTest, LoopPlaysUntilStopped) {
  const std::string beep = DATA + "beep.wav";
  ASSERT_TRUE(PlaySoundA(beep.c_str(), nullptr, SND_FILENAME | SND_LOOP | SND_ASYNC));
  clock.now += 60000;
  EXPECT_FALSE(PlaySoundA(beep.c_str(), nullptr, SND_FILENAME | SND_NOSTOP | SND_ASYNC));
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
  EXPECT_TRUE(PlaySoundA(beep.c_str(), nullptr, SND_FILENAME | SND_NOSTOP | SND_ASYNC));
}

TEST_F(MediaTest, SoundSources) {
  const std::vector<BYTE> wave = ReadBytes(DATA + "chime.wav");
  ASSERT_TRUE(platform::AddResource("SOUND", MAKEINTRESOURCEA(29100), wave));
  ASSERT_TRUE(platform::AddResource("WAVE", MAKEINTRESOURCEA(29101), ReadBytes(DATA + "beep.wav")));
  const std::string notWave = DATA + "tune.mp3";
  const std::string missing = DATA + "missing.wav";
  const char garbage[] = "RIFF\x10\0\0\0MP3 not a wave";
  struct Case {
    const char* what;
    LPCSTR name;
    DWORD flags;
    BOOL played;
    DWORD length;  // how long the synchronous call took
  } cases[] = {
      {"numbered SOUND resource", MAKEINTRESOURCEA(29100), SND_RESOURCE, TRUE, 400},
      {"numbered WAVE resource", MAKEINTRESOURCEA(29101), SND_RESOURCE, TRUE, 250},
      {"missing resource", MAKEINTRESOURCEA(29199), SND_RESOURCE | SND_NODEFAULT, FALSE, 0},
      {"wave file in memory", reinterpret_cast<LPCSTR>(wave.data()), SND_MEMORY, TRUE, 400},
      {"bad bytes in memory", garbage, SND_MEMORY, FALSE, 0},
      {"file that is no wave", notWave.c_str(), SND_FILENAME, FALSE, 0},
      {"missing file", missing.c_str(), SND_FILENAME, FALSE, 0},
      {"empty name", "", SND_FILENAME, FALSE, 0},
  };
  for (const Case& c : cases) {
    const DWORD before = clock.now;
    EXPECT_EQ(PlaySoundA(c.name, nullptr, c.flags), c.played) << c.what;
    EXPECT_EQ(clock.now - before, c.length) << c.what;
  }
  platform::RemoveResource("SOUND", MAKEINTRESOURCEA(29100));
  platform::RemoveResource("WAVE", MAKEINTRESOURCEA(29101));
}

TEST_F(MediaTest, MusicPlaysToItsEndAndLoopsBySeekingToStart) {
  for (const char* file : {"tune.mp3", "tune.ogg", "chime.wav"}) {
    SCOPED_TRACE(file);
    const std::string path = DATA + file;
    const DWORD length = MusicLength(path);
    ASSERT_GT(length, 300u);
    MCIERROR error = 1;
    Mci("open " + path, &error);
    ASSERT_EQ(error, 0u);
    EXPECT_EQ(Mci("status " + path + " mode"), "stopped");
    Mci("play " + path, &error);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(Mci("status " + path + " mode"), "playing");
    clock.now += length - 1;
    EXPECT_EQ(Mci("status " + path + " mode"), "playing");
    clock.now += 1;
    EXPECT_EQ(Mci("status " + path + " mode"), "stopped");
    // Played to its end, it stays silent until it is sought back to the start.
    Mci("play " + path);
    EXPECT_EQ(Mci("status " + path + " mode"), "stopped");
    Mci("seek " + path + " to start", &error);
    EXPECT_EQ(error, 0u);
    Mci("play " + path);
    EXPECT_EQ(Mci("status " + path + " mode"), "playing");
    Mci("close " + path, &error);
    EXPECT_EQ(error, 0u);
    Mci("status " + path + " mode", &error);
    EXPECT_EQ(error, static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_NAME));
  }
}

TEST_F(MediaTest, MciCommandsAndTheirErrors) {
  testsupport::TempDir dir;
  const std::string spaced = dir.Write("my music/Tune One.mp3", testsupport::TempDir::Read(DATA + "tune.mp3"));
  const std::string junk = dir.Write("junk.mp3", "not music at all");
  const std::string tune = DATA + "tune.ogg";
  struct Case {
    std::string command;
    MCIERROR error;
    std::string reply;
  } cases[] = {
      {"open " + spaced, 0, ""},
      {"status " + spaced + " mode", 0, "stopped"},
      {"PLAY " + spaced, 0, ""},
      {"status \"" + spaced + "\" MODE", 0, "playing"},
      {"open " + spaced, MCIERR_DEVICE_OPEN, ""},
      {"open " + tune + " alias bgm", 0, ""},
      {"play BGM", 0, ""},
      // One music stream at a time: the alias took it over.
      {"status " + spaced + " mode", 0, "stopped"},
      {"status bgm mode", 0, "playing"},
      {"close bgm", 0, ""},
      {"close " + spaced, 0, ""},
      {"open " + DATA + "missing.mp3", MCIERR_FILE_NOT_FOUND, ""},
      {"open " + junk, MCIERR_INVALID_FILE, ""},
      {"play nothing", MCIERR_INVALID_DEVICE_NAME, ""},
      {"record " + tune, MCIERR_UNRECOGNIZED_COMMAND, ""},
      {"open " + tune + " alias", MCIERR_MISSING_PARAMETER, ""},
      {"open " + tune, 0, ""},
      {"seek " + tune + " to end", MCIERR_UNRECOGNIZED_KEYWORD, ""},
      {"close " + tune, 0, ""},
      {"open", MCIERR_MISSING_PARAMETER, ""},
      {"", MCIERR_MISSING_COMMAND_STRING, ""},
  };
  for (const Case& c : cases) {
    MCIERROR error = 0;
    EXPECT_EQ(Mci(c.command, &error), c.reply) << c.command;
    EXPECT_EQ(error, c.error) << c.command;
  }
  // A reply that does not fit is cut and reported.
  Mci("open " + tune);
  char small[4] = "";
  EXPECT_EQ(mciSendStringA(("status " + tune + " mode").c_str(), small, sizeof small, nullptr),
            static_cast<MCIERROR>(MCIERR_PARAM_OVERFLOW));
  EXPECT_STREQ(small, "sto");
  Mci("close " + tune);
}

// Runs only where the machine has an audio device: a sound is really handed to it.
TEST(MediaDeviceTest, SoundPlaysOnTheAudioDevice) {
  platform::AudioOutput& output = platform::AudioOutput::Instance();
  output.UseDevice();
  if (!output.IsReal()) GTEST_SKIP() << "no audio device";
  const std::string chime = DATA + "chime.wav";
  ASSERT_TRUE(PlaySoundA(chime.c_str(), nullptr, SND_FILENAME | SND_ASYNC));
  EXPECT_TRUE(output.WavePlaying());
  EXPECT_FALSE(PlaySoundA(chime.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NOSTOP));
  ASSERT_TRUE(PlaySoundA(chime.c_str(), nullptr, SND_FILENAME));
  EXPECT_FALSE(output.WavePlaying()) << "a synchronous sound returns after its end";
}

}  // namespace
