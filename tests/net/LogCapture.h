// A test fixture that points the log at a fresh folder (through the program path that the log
// uses) and reads back what was written.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "net/NetLog.h"
#include "platform/kernel/Kernel.h"
#include "tests/support/TempDir.h"

namespace nettest {

class LogCapture : public ::testing::Test {
 protected:
  static constexpr const char* LOG_NAME = "NetTest";
  // "YYYY/MM/DD  hh:mm:ss  " in front of every message.
  static constexpr size_t STAMP_LENGTH = 22;

  void SetUp() override {
    platform::SetModuleFileNameOverride(m_dir.File("pxqd"));
    LogInit(LOG_NAME, LOG_DEFAULT_FLAGS);
  }
  void TearDown() override {
    LogTerm();
    LogInit(LOG_DEFAULT_NAME, LOG_DEFAULT_FLAGS);
    LogTerm();
    platform::SetModuleFileNameOverride("");
  }

  // Everything in the folder's log files (one file unless the test runs across midnight).
  std::string ReadLog() const {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(LOG_NAME, 0) == 0 && entry.path().extension() == ".log") {
        text += testsupport::TempDir::Read(entry.path().string());
      }
    }
    return text;
  }
  void ClearLog() const {
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
      if (entry.path().extension() == ".log") std::filesystem::remove(entry.path());
    }
  }
  // The message of the last line, without its stamp and line end.
  std::string LastMessage() const {
    std::string text = ReadLog();
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    const size_t start = text.rfind("\r\n");
    std::string line = start == std::string::npos ? text : text.substr(start + 2);
    return line.size() >= STAMP_LENGTH ? line.substr(STAMP_LENGTH) : std::string();
  }

  testsupport::TempDir m_dir;
};

}  // namespace nettest
