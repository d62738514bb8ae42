// A parent window for the tab control tests: it records every WM_NOTIFY record the control sends
// and answers TABN_LABEL_UPDATE with a value of the test's choice. Input goes through the
// headless display like a player's mouse and keyboard; renderings are read back from the
// window's surface, hashed and written as PNG files for a person to look at.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/CustomTabCtrl.h"

namespace tabtest {

struct ParentLog {
  std::vector<TabNotifyRecord> records;
  int labelUpdateReply = 0;
  // Codes of the records, in order.
  std::vector<int> Codes() const {
    std::vector<int> out;
    for (const TabNotifyRecord& r : records) out.push_back(static_cast<int>(r.hdr.code));
    return out;
  }
};
ParentLog& Log();

class TabCtrlTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // A control at (10, 10) in the parent with the given styles (WS_CHILD | WS_VISIBLE added) and
  // tabs labelled as given.
  CCustomTabCtrl* Make(DWORD style, int width, int height, const std::vector<std::string>& labels = {});

  static void Pump();
  // Input events; the Inject forms queue them without pumping (a nested loop of the control may
  // be the one to take them).
  static void InjectMove(HWND hwnd, int x, int y);
  static void InjectButton(HWND hwnd, int x, int y, bool down, int button = 0);
  static void InjectKey(UINT vk);
  static void InjectKeys(const std::string& ascii);
  static void MoveTo(HWND hwnd, int x, int y);
  static void Press(HWND hwnd, int x, int y);
  static void Release(HWND hwnd, int x, int y);
  static void Click(HWND hwnd, int x, int y, bool ctrl = false);
  static void RightClick(HWND hwnd, int x, int y);

  // The control repainted and read back from the surface.
  static bool Capture(HWND hwnd, std::vector<uint32_t>& pixels, int& width, int& height);
  static COLORREF PixelAt(const std::vector<uint32_t>& pixels, int width, int x, int y);
  static std::string Hash(const std::vector<uint32_t>& pixels);
  static void Dump(const std::string& name, const std::vector<uint32_t>& pixels, int width, int height);

  HWND m_parent = nullptr;
  std::vector<std::unique_ptr<CCustomTabCtrl>> m_controls;
};

}  // namespace tabtest
