// Closing the main window while a game runs: the room's minimum of hands, the leave-request
// dialog, and the confirmations, each answered from another thread as a player would.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "tests/support/StoppedClock.h"
#include "tests/variant/FrameTestSupport.h"

namespace {

using frametest::FrameTest;

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

enum class Answer { OK, COUNT_DOWN };

// Waits for the count-down box, keeps its text and answers it: OK, or the one-second timer until
// the box presses a button by itself.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(Answer answer)
      : m_thread([this, answer] {
          while (!m_stop) {
            HWND box = FindCountdownBox();
            if (box == nullptr) {
              std::this_thread::sleep_for(std::chrono::milliseconds(1));
              continue;
            }
            if (m_text.empty()) {
              char text[512] = {};
              GetWindowTextA(GetDlgItem(box, 1010), text, sizeof text);
              m_text = text;
              ++m_boxes;
            }
            if (answer == Answer::OK) {
              PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            } else {
              PostMessageA(box, WM_TIMER, 1, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
        }) {}
  ~BoxAnswerer() { Stop(); }
  // A box that does not block (the waiting notices) may still be on its way when the close
  // request returns: give the answerer time to see it before it stops.
  void AwaitBox() {
    for (int i = 0; i < 10000 && m_boxes == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  void Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
  }
  const std::string& Text() const { return m_text; }
  int Boxes() const { return m_boxes; }

 private:
  std::atomic<bool> m_stop{false};
  std::string m_text;
  std::atomic<int> m_boxes{0};
  std::thread m_thread;
};

void SetWord(CGameInfo& info, size_t offset, int value) { std::memcpy(info.GetTableInfo() + offset, &value, 4); }

TEST_F(FrameTest, CloseRequestDuringAGame) {
  struct Case {
    const char* what;
    int minHands, handsPlayed, requestsSent, roomFlags, roomOptions;
    bool leaveDialog;
    INT_PTR dialogAnswer;
    Answer boxAnswer;
    const char* boxText;  // empty: no box
    int result;
  } cases[] = {
      {"too few hands", 3, 1, 0, 0, 0, true, IDOK, Answer::OK, "该房间至少需要玩3局才可退出", 0},
      {"leave dialog, forced quit", 0, 1, 0, 0, 0, true, IDOK, Answer::OK, "", 1},
      {"leave dialog, stays", 0, 1, 1, 0, 0, true, IDCANCEL, Answer::OK, "", 0},
      {"two requests sent, confirmed", 0, 1, 2, 0, 0, true, IDOK, Answer::OK, "确定退出吗", 1},
      {"two requests sent, counted down", 0, 1, 2, 0, 0, true, IDOK, Answer::COUNT_DOWN, "确定退出吗", 0},
      {"two requests sent, flag 14", 0, 1, 2, 1 << 14, 0, true, IDOK, Answer::OK, "请您等待2分钟后再退出", 0},
      // A room with option 1 offers neither the dialog nor the quit.
      {"option 1", 0, 1, 0, 0, 1 << 1, true, IDOK, Answer::OK, "请您等待2分钟后再退出", 0},
      {"option 1 and flag 14", 0, 1, 0, 1 << 14, 1 << 1, true, IDOK, Answer::OK, "请您等待2分钟后再退出", 0},
      // Without a leave dialog the player is asked instead, so the window can be closed.
      {"no leave dialog", 0, 1, 0, 1 << 14, 0, false, IDOK, Answer::OK, "确定退出吗", 1},
  };
  // The boxes count down only when the answerer says so, however long the machine takes to
  // let the answerer see them.
  testsupport::StoppedClock clock;
  auto* frame = MakeFrame(1024, 768);
  ASSERT_NE(nullptr, frame);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetWord(m_app->info, TableInfoLayout::MIN_HANDS, c.minHands);
    SetWord(m_app->info, TableInfoLayout::ROUND_NUMBER, c.handsPlayed);
    SetWord(m_app->info, TableInfoLayout::STATUS, TABLE_STATUS_RUNNING);
    SetWord(m_app->info, TableInfoLayout::LEAVE_REQUESTS, c.requestsSent);
    m_app->Tables().Room().flags = c.roomFlags;
    m_app->Tables().Room().options = c.roomOptions;
    int dialogs = 0;
    if (c.leaveDialog) {
      CMainFrame::SetLeaveDialog([&] {
        ++dialogs;
        return c.dialogAnswer;
      });
    } else {
      CMainFrame::SetLeaveDialog(nullptr);
    }
    int result;
    BoxAnswerer answerer(c.boxAnswer);
    result = frame->OnCloseRequest();
    if (c.boxText[0] != '\0') answerer.AwaitBox();
    answerer.Stop();
    EXPECT_EQ(c.result, result);
    if (c.boxText[0] == '\0') {
      EXPECT_EQ(0, answerer.Boxes());
      EXPECT_EQ(1, dialogs);
    } else {
      EXPECT_EQ(1, answerer.Boxes());
      EXPECT_NE(std::string::npos, answerer.Text().find(c.boxText)) << answerer.Text();
      EXPECT_EQ(0, dialogs);
    }
  }
  CMainFrame::SetLeaveDialog(nullptr);
}

}  // namespace
