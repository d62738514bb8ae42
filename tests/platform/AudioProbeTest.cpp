// Opening the audio output on a machine without a sound device falls back to the silent output
// without a word on stderr; with a device it plays for real. The output opens once per process,
// so this test runs in a program of its own.
#include <gtest/gtest.h>

#include <alsa/asoundlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/media/AudioOutput.h"

namespace {

// Everything written to file descriptor 2 while it lives goes to a temporary file.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    m_file = std::tmpfile();
    m_saved = dup(2);
    if (m_file) dup2(fileno(m_file), 2);
  }
  ~StderrCapture() { Restore(); }
  std::string Restore() {
    std::string text;
    if (m_saved < 0) return text;
    std::fflush(stderr);
    dup2(m_saved, 2);
    close(m_saved);
    m_saved = -1;
    if (!m_file) return text;
    std::rewind(m_file);
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0) text.append(buffer, n);
    std::fclose(m_file);
    m_file = nullptr;
    return text;
  }

 private:
  std::FILE* m_file = nullptr;
  int m_saved = -1;
};

TEST(AudioProbeTest, OpeningSaysNothingOnStderr) {
  unsetenv("PXQD_AUDIO");
  StderrCapture probe;
  platform::AudioOutput::Instance().IsReal();
  const std::string said = probe.Restore();
  EXPECT_TRUE(said.empty()) << said;

  // Only the probe is quiet: the sound library's own reports show again after it.
  StderrCapture later;
  snd_pcm_t* pcm = nullptr;
  const int opened = snd_pcm_open(&pcm, "no_such_pcm_device", SND_PCM_STREAM_PLAYBACK, 0);
  if (opened == 0) snd_pcm_close(pcm);
  const std::string reported = later.Restore();
  EXPECT_LT(opened, 0);
  EXPECT_NE(reported.find("ALSA lib"), std::string::npos) << reported;
}

}  // namespace
