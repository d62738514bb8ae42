// Shared pieces of the engine's resource tests: a program folder of its own for each test (the log
// and relative resources go there), captured message boxes and fatal exits, and small picture
// files made in memory.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/EngineUtil.h"
#include "engine/ResourceManager.h"
#include "platform/base/WinTypes.h"
#include "tests/support/TempDir.h"

namespace enginetest {

// Message boxes and exit codes seen since the fixture started.
extern std::vector<std::string> g_boxes;
extern std::vector<int> g_exits;

class EngineResTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The day's engine log so far ("" when none).
  std::string ReadLog() const;
  // Writes a file into the program folder and returns its native path.
  std::string Put(const std::string& name, const std::vector<BYTE>& bytes) const;
  ResourceManager* Manager() const { return ResourceManager::Instance(); }

  testsupport::TempDir m_dir;
};

// A bottom-up 24-bit BMP of w x h pixels given as 0x00RRGGBB values, rows top first.
std::vector<BYTE> MakeBmp24(int w, int h, const std::vector<DWORD>& rgb);
// A bottom-up 8-bit BMP with the given palette (0x00RRGGBB) and indices, rows top first.
std::vector<BYTE> MakeBmp8(int w, int h, const std::vector<DWORD>& palette, const std::vector<BYTE>& indices);
std::vector<BYTE> ReadBytes(const std::string& path);
std::string TestData(const std::string& relative);

}  // namespace enginetest
