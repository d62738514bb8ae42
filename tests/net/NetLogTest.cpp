#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/NetLog.h"
#include "tests/net/LogCapture.h"

namespace {

class NetLog : public nettest::LogCapture {};

constexpr size_t STAMP_CHARS = 22;

// Whether the text starts with "YYYY/MM/DD  hh:mm:ss  ".
bool HasStamp(const std::string& text) {
  static const char MASK[] = "9999/99/99  99:99:99  ";
  if (text.size() < STAMP_CHARS) return false;
  for (size_t i = 0; i < STAMP_CHARS; ++i) {
    if (MASK[i] == '9' ? !isdigit(static_cast<unsigned char>(text[i])) : text[i] != MASK[i]) {
      return false;
    }
  }
  return true;
}

TEST_F(NetLog, LineHasDateTimeAndLineEndInTheDailyFile) {
  SYSTEMTIME before, now;
  GetLocalTime(&before);
  LogPrintf("packet length error! len = %ld", 4001L);
  GetLocalTime(&now);
  if (before.wDay != now.wDay) GTEST_SKIP() << "the day changed while the line was written";
  char name[64];
  snprintf(name, sizeof name, "NetTest%04d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
  const std::string text = testsupport::TempDir::Read(m_dir.File(name));
  EXPECT_TRUE(HasStamp(text)) << text;
  EXPECT_EQ("packet length error! len = 4001\r\n", text.substr(STAMP_CHARS));
}

TEST_F(NetLog, FlagWordDecidesLineEndAndWriting) {
  struct Case {
    DWORD flags;
    bool written;
    bool lineEnd;
  } cases[] = {
      {0x8, false, true},
      {0x80000, true, false},
      {0x80008, true, true},
      {0xA001D, true, true},
  };
  for (const auto& c : cases) {
    ClearLog();
    LogInit(nullptr, c.flags);
    LogPrintf("one");
    LogPrintf("two");
    const std::string text = ReadLog();
    if (!c.written) {
      EXPECT_EQ("", text) << c.flags;
      continue;
    }
    // Without line ends the second entry's stamp follows the first message on the same line.
    const std::string lineEnd = c.lineEnd ? "\r\n" : "";
    const size_t entry = STAMP_CHARS + 3 + lineEnd.size();
    ASSERT_EQ(2 * entry, text.size()) << c.flags << ": " << text;
    EXPECT_TRUE(HasStamp(text) && HasStamp(text.substr(entry))) << text;
    EXPECT_EQ("one" + lineEnd, text.substr(STAMP_CHARS, entry - STAMP_CHARS));
    EXPECT_EQ("two" + lineEnd, text.substr(entry + STAMP_CHARS));
  }
}

TEST_F(NetLog, NullNameAndZeroFlagsKeepTheSettings) {
  LogInit("Kept", 0x80000);
  LogInit(nullptr, 0);
  LogPrintf("a");
  LogPrintf("b");
  std::string text;
  for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
    ASSERT_EQ(0u, entry.path().filename().string().rfind("Kept", 0)) << entry.path();
    text += testsupport::TempDir::Read(entry.path().string());
  }
  EXPECT_EQ(46u, text.size()) << "two lines without line ends: " << text;
}

TEST_F(NetLog, LongMessagesAreCutToTheLineBuffer) {
  const std::string longText(6000, 'x');
  LogPrintf("%s", longText.c_str());
  const std::string text = ReadLog();
  EXPECT_EQ(static_cast<size_t>(LOG_BUFFER_SIZE - 1), text.size());
  EXPECT_EQ("x\r\n", text.substr(text.size() - 3));
}

TEST_F(NetLog, EntriesOutsideInitAndTermAreDropped) {
  LogTerm();
  LogPrintf("after the end");
  LogTerm();
  LogInit(LOG_NAME, LOG_DEFAULT_FLAGS);
  EXPECT_EQ("", ReadLog());
  LogPrintf("back");
  EXPECT_EQ("back", LastMessage());
}

TEST_F(NetLog, LinesOfSeveralThreadsNeverInterleave) {
  constexpr int THREADS = 4;
  constexpr int LINES = 150;
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([t] {
      // Long lines give a torn write every chance to show.
      const std::string body(300, static_cast<char>('a' + t));
      for (int i = 0; i < LINES; ++i) LogPrintf("%d %03d %s", t, i, body.c_str());
    });
  }
  for (auto& thread : threads) thread.join();

  std::istringstream text(ReadLog());
  std::string line;
  int count[THREADS] = {};
  int lines = 0;
  while (std::getline(text, line)) {
    ++lines;
    ASSERT_EQ('\r', line.back()) << line;
    line.pop_back();
    const std::string message = line.substr(22);
    const int t = message[0] - '0';
    ASSERT_TRUE(t >= 0 && t < THREADS) << line;
    char expected[16];
    snprintf(expected, sizeof expected, "%d %03d ", t, count[t]);
    ASSERT_EQ(expected + std::string(300, static_cast<char>('a' + t)), message);
    ++count[t];
  }
  EXPECT_EQ(THREADS * LINES, lines);
}

}  // namespace
