#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/NetLog.h"
#include "tests/net/LogCapture.h"

namespace {

class NetLog : public nettest::LogCapture {};

TEST_F(NetLog, LineHasDateTimeAndLineEndInTheDailyFile) {
  LogPrintf("packet length error! len = %ld", 4001L);
  SYSTEMTIME now;
  GetLocalTime(&now);
  char name[64];
  snprintf(name, sizeof name, "NetTest%04d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
  const std::string text = testsupport::TempDir::Read(m_dir.File(name));
  EXPECT_TRUE(std::regex_match(
      text, std::regex(R"(\d{4}/\d{2}/\d{2}  \d{2}:\d{2}:\d{2}  packet length error! len = 4001\r\n)")))
      << text;
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
    const std::regex line(c.lineEnd ? R"(.{22}one\r\n.{22}two\r\n)" : R"(.{22}one.{22}two)");
    EXPECT_TRUE(std::regex_match(text, line)) << c.flags << ": " << text;
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
