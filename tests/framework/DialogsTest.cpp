// The count-down boxes, the wait dialog and the skin settings.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "framework/SkinSettings.h"
#include "framework/TimedMessageBox.h"
#include "framework/TimedMessageBoxModeless.h"
#include "framework/WaitDialog.h"
#include "platform/kernel/Kernel.h"
#include "platform/mfc/AfxThreadState.h"
#include "platform/mfc/FrameWnd.h"
#include "platform/user/Dialog.h"
#include "resources/ProgramResources.h"
#include "tests/support/MessagePump.h"
#include "tests/support/StoppedClock.h"
#include "tests/support/TempDir.h"

namespace {

HWND FindCountdownBox() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, 1011) != nullptr && GetDlgItem(hwnd, 1010) != nullptr) {
          *reinterpret_cast<HWND*>(param) = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Plays the one-second timer of the box that DoModal shows, tick by tick, from another thread,
// and counts the ticks it took for the box to press a button by itself.
class Ticker {
 public:
  Ticker()
      : m_thread([this] {
          while (!m_stop) {
            HWND box = FindCountdownBox();
            if (box != nullptr && m_pending.exchange(false)) {
              ++m_ticks;
              PostMessageA(box, WM_TIMER, 1, 0);
            }
            if (box != nullptr && !m_pending) {
              // The next tick goes once the box has taken this one.
              std::this_thread::sleep_for(std::chrono::milliseconds(2));
              m_pending = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        }) {}
  ~Ticker() {
    m_stop = true;
    m_thread.join();
  }
  int Ticks() const { return m_ticks; }

 private:
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_pending{true};
  std::atomic<int> m_ticks{0};
  std::thread m_thread;
};

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { resources::RegisterProgramResources(); }
  void TearDown() override { testsupport::Pump(); }
};

TEST_F(DialogsTest, CountDownPressesCancelWhenThereIsOneElseOk) {
  struct Case {
    int style;
    int seconds;
    INT_PTR result;
  } cases[] = {{33, 3, IDCANCEL}, {65, 2, IDCANCEL}, {0, 3, IDOK}, {48, 1, IDOK}, {0, 0, IDOK}, {33, -5, IDCANCEL}};
  for (const Case& c : cases) {
    CTimedMessageBox box;
    box.m_message = "message";
    box.m_style = c.style;
    box.m_seconds = c.seconds;
    INT_PTR result;
    {
      Ticker ticker;
      result = box.DoModal();
    }
    EXPECT_EQ(c.result, result) << c.style << " " << c.seconds;
    EXPECT_EQ(0, box.m_seconds);
  }
}

TEST_F(DialogsTest, EnterAnswersOkEvenFromCancel) {
  CTimedMessageBox box;
  box.m_style = 33;
  box.m_seconds = 100;
  std::atomic<bool> stop{false};
  std::thread presser([&] {
    while (!stop) {
      HWND found = FindCountdownBox();
      if (found != nullptr) {
        HWND cancel = GetDlgItem(found, IDCANCEL);
        PostMessageA(cancel, WM_KEYDOWN, VK_RETURN, 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_EQ(IDOK, box.DoModal());
  stop = true;
  presser.join();
}

TEST_F(DialogsTest, ModelessBoxClosesTheMainWindowWhenItGoes) {
  CFrameWnd* frame = new CFrameWnd();
  ASSERT_TRUE(frame->Create(nullptr, "main"));
  CWinThread thread;
  thread.m_pMainWnd = frame;
  AfxGetThreadState().pCurrentThread = &thread;
  HWND main = frame->GetSafeHwnd();
  auto* box = new CTimedMessageBoxModeless();
  box->m_message = "bye";
  box->m_style = 65;
  box->m_seconds = 0;
  ASSERT_TRUE(box->Create(TIMED_BOX_TEMPLATE, frame));
  EXPECT_EQ(10, box->m_seconds) << "a box given no time counts down from 10";
  box->SendMessage(WM_COMMAND, IDOK, 0);  // no link: nothing opens
  testsupport::PumpUntil([&] { return !IsWindow(main); }, 5000);
  EXPECT_FALSE(IsWindow(main));
  thread.m_pMainWnd = nullptr;
  AfxGetThreadState().pCurrentThread = nullptr;
}

TEST_F(DialogsTest, BoxesStandInTheMiddleOfTheirWindow) {
  // A main window away from the screen's corner; both boxes come up over its middle.
  CFrameWnd* frame = new CFrameWnd();
  ASSERT_TRUE(frame->Create(nullptr, "main"));
  frame->MoveWindow(200, 150, 600, 400);
  frame->ShowWindow(SW_SHOW);
  CWinThread thread;
  thread.m_pMainWnd = frame;
  AfxGetThreadState().pCurrentThread = &thread;
  CRect main;
  frame->GetWindowRect(&main);
  auto middleOf = [](const CRect& r) { return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); };
  for (bool modeless : {false, true}) {
    SCOPED_TRACE(modeless ? "modeless" : "modal");
    CCountdownBox* box = modeless ? static_cast<CCountdownBox*>(new CTimedMessageBoxModeless()) : new CTimedMessageBox(frame);
    box->m_message = "message";
    box->m_style = 33;
    ASSERT_TRUE(box->Create(TIMED_BOX_TEMPLATE, frame));
    CRect rect;
    box->GetWindowRect(&rect);
    EXPECT_NEAR(middleOf(rect).x, middleOf(main).x, 1);
    EXPECT_NEAR(middleOf(rect).y, middleOf(main).y, 1);
    if (modeless) {
      thread.m_pMainWnd = nullptr;  // its going would close the main window
      box->DestroyWindow();
    } else {
      box->DestroyWindow();
      delete box;
    }
  }
  AfxGetThreadState().pCurrentThread = nullptr;
  frame->DestroyWindow();
}

TEST_F(DialogsTest, LongMessagesMakeTheBoxTaller) {
  auto height = [](const char* message, int extraWidth) {
    CTimedMessageBoxModeless* box = new CTimedMessageBoxModeless();
    box->m_message = message;
    box->m_extraWidth = extraWidth;
    box->Create(TIMED_BOX_TEMPLATE, nullptr);
    CRect rect;
    box->GetWindowRect(&rect);
    box->DestroyWindow();
    return rect.Height();
  };
  std::string longText;
  for (int i = 0; i < 12; ++i) longText += "一行很长的文字，一行很长的文字\r\n";
  const int shortHeight = height("短", 0);
  EXPECT_GT(height(longText.c_str(), 0), shortHeight);
  EXPECT_EQ(shortHeight, height(longText.c_str(), 20)) << "an explicit width skips the measuring";
}

TEST_F(DialogsTest, WaitDialogSkinAndAutoHide) {
  testsupport::TempDir dir;
  std::string ini = dir.Write("skin/skin.ini", "[CommColors]\r\nWaitBarfg=255 0 0\r\n");
  testsupport::StoppedClock clock;
  CWaitDialog wait;
  ASSERT_TRUE(wait.Create(WAIT_DIALOG_TEMPLATE, nullptr));
  wait.ApplySkin(ini.c_str());
  COLORREF bands[COLORBAR_BANDS];
  CColorBar::ComputeBands(RGB(255, 0, 0), WAIT_BAR_DEFAULT_SECOND, 3, bands);
  for (int i = 0; i < COLORBAR_BANDS; ++i) EXPECT_EQ(bands[i], wait.Bar().GetBandColor(i)) << i;
  EXPECT_EQ(nullptr, wait.Background());

  wait.ShowText("请稍候", 15);
  wait.ShowText("再等等", 0);  // a text without a time leaves the running timer alone
  EXPECT_TRUE(wait.IsWindowVisible());
  clock.Advance(14999);
  testsupport::Pump();
  EXPECT_TRUE(wait.IsWindowVisible());
  char text[64] = {};
  GetDlgItemTextA(wait.GetSafeHwnd(), WAIT_TEXT_CONTROL, text, sizeof(text));
  EXPECT_STREQ("再等等", text);
  clock.Advance(1);
  testsupport::Pump();
  EXPECT_FALSE(wait.IsWindowVisible());
  EXPECT_EQ(0u, wait.AutoHideTimer());
  wait.DestroyWindow();
}

class FolderSkinSettings : public CSkinSettings {
 public:
  explicit FolderSkinSettings(const std::string& folder) : m_folder(folder + "/") {}
  CString GetProgramFolder() const override { return CString(m_folder.c_str()); }
  CString GetGameIniPath() const override { return CString((m_folder + "Pxqd.ini").c_str()); }

 private:
  std::string m_folder;
};

TEST_F(DialogsTest, SkinSettings) {
  testsupport::TempDir dir;
  dir.Write("skins/skin1/skin.ini", "[SKIN]\r\nName=经典\r\n[FRAMECOLOR]\r\nLeftOut=255\r\n[SPLITTER]\r\nVerWidth=11\r\n"
                                    "[BitmapResource]\r\nCommDlgBK=  wait.bmp  \r\n");
  dir.Write("skins/empty/readme.txt", "no skin here");
  dir.Write("skins/skin2/skin.ini", "[DLGBAR]\r\nBTNWidth=40\r\n");
  FolderSkinSettings skins(dir.Path());
  skins.LoadCurrentSkin();
  // A fresh installation takes skin1 and remembers it in the game ini.
  char stored[MAX_PATH] = {};
  GetPrivateProfileStringA("SKIN", "Path", "", stored, sizeof(stored), (dir.Path() + "/Pxqd.ini").c_str());
  EXPECT_EQ(std::string(skins.GetSkinIniPath()), stored);
  EXPECT_NE(std::string::npos, std::string(stored).find("skin1"));
  ASSERT_EQ(2u, skins.SkinList().size()) << "a folder without skin.ini gets no index";
  EXPECT_EQ(1u, skins.SkinList().count(0));
  EXPECT_EQ(1u, skins.SkinList().count(1));

  SkinFrameColors colors;
  skins.GetFrameColors(&colors);
  EXPECT_EQ(RGB(255, 255, 255), colors.leftOut);
  EXPECT_EQ(RGB(212, 208, 200), colors.rightIn);
  EXPECT_EQ(11, skins.GetSplitterWidth());
  EXPECT_EQ(6, skins.GetSplitterHeight());
  EXPECT_EQ(3, skins.GetAdvertLeft());
  EXPECT_EQ(skins.GetSkinFolder() + "wait.bmp", skins.GetBitmapResourcePath("CommDlgBK"));

  std::string upper(skins.GetSkinIniPath());
  for (char& ch : upper) ch = static_cast<char>(toupper(ch));
  EXPECT_EQ(1, skins.IsCurrentSkin(upper.c_str()));
  EXPECT_GE(skins.GetCurrentSkinIndex(), 0);
  for (const auto& entry : skins.SkinList()) {
    std::string name(skins.GetSkinName(entry.second));
    EXPECT_TRUE(name == "经典" || name == "方案") << name;
  }
  skins.UnloadSkin();
  EXPECT_EQ(0, skins.IsLoaded());
}

}  // namespace
