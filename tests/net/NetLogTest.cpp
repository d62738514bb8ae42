#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
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

// The user's log: every entry also goes, as one line with the process number, to the user's
// file, written or not to the daily file; the file is capped, its older part kept beside it.
class UserLog : public nettest::LogCapture {
 protected:
  void TearDown() override {
    LogSetUserFile(nullptr, 0);
    LogCapture::TearDown();
  }
  std::vector<std::string> Lines(const std::string& path) const {
    std::vector<std::string> lines;
    std::istringstream in(testsupport::TempDir::Read(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  std::string Path() const { return m_dir.File("data/logs/client.log"); }
};

TEST_F(UserLog, EveryEntryIsALineWithTheProcessNumberWhateverTheFlags) {
  LogSetUserFile(Path().c_str(), 4096);
  LogInit(nullptr, LOG_FLAG_LINE_END);  // the daily file is not written
  LogPrintf("a table request was refused with %d", 229450);
  LogPrintf("the message's own line end\r\n");
  EXPECT_EQ("", ReadLog());
  const std::vector<std::string> lines = Lines(Path());
  ASSERT_EQ(2u, lines.size()) << "the folder is made and each entry is one line";
  const std::string pid = "[" + std::to_string(GetCurrentProcessId()) + "]  ";
  EXPECT_TRUE(HasStamp(lines[0])) << lines[0];
  EXPECT_EQ(pid + "a table request was refused with 229450", lines[0].substr(STAMP_CHARS));
  EXPECT_EQ(pid + "the message's own line end", lines[1].substr(STAMP_CHARS));
}

TEST_F(UserLog, TheFileNeverGrowsPastItsCapAndTheNewestLinesAreKept) {
  constexpr size_t CAP = 1000;
  LogSetUserFile(Path().c_str(), CAP);
  for (int i = 0; i < 200; ++i) LogPrintf("entry %03d of the long run", i);
  const uintmax_t current = std::filesystem::file_size(Path());
  const uintmax_t older = std::filesystem::file_size(Path() + ".1");
  EXPECT_LE(current, CAP);
  EXPECT_LE(older, CAP);
  EXPECT_GT(older, CAP / 2) << "a part is started only when the line would not fit";
  // The two parts hold the newest entries, in order, and the last one is the last written.
  std::vector<std::string> lines = Lines(Path() + ".1");
  for (const std::string& line : Lines(Path())) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  int expected = 200 - static_cast<int>(lines.size());
  for (const std::string& line : lines) {
    char text[32];
    std::snprintf(text, sizeof text, "entry %03d of", expected++);
    EXPECT_NE(std::string::npos, line.find(text)) << line;
  }
  EXPECT_EQ(200, expected);
}

TEST_F(UserLog, AFileThatCannotBeWrittenIsSkippedAndAnEmptyPathStopsIt) {
  // The folder is a file: nothing can be made under it.
  const std::string blocked = m_dir.File("blocked");
  { std::ofstream(blocked) << "x"; }
  LogSetUserFile((blocked + "/logs/client.log").c_str(), 4096);
  LogPrintf("still in the daily file");
  EXPECT_EQ("still in the daily file", LastMessage());
  LogSetUserFile(Path().c_str(), 4096);
  LogPrintf("one");
  LogSetUserFile("", 4096);
  LogPrintf("two");
  EXPECT_EQ(1u, Lines(Path()).size());
}

}  // namespace
