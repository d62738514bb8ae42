// The slide-up notifier driven through the message loop: rise, hold, sink and self-delete, the
// stage hooks, the open count and its 10-pixel shift, a failed creation, and a rendering.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/SlideNotifier.h"
#include "platform/display/Display.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/User.h"
#include "tests/controls/ControlRendering.h"
#include "tests/support/StoppedClock.h"

namespace {

const UINT TEMPLATE_ID = 9301;
const COLORREF TEAL = 0x808000;

struct Event {
  int notifier;
  std::string what;
  int visible;
};

std::vector<Event>& Events() {
  static std::vector<Event> events;
  return events;
}

std::string Summary(int notifier) {
  std::string s;
  for (const Event& e : Events()) {
    if (e.notifier != notifier) continue;
    if (!s.empty()) s += ' ';
    s += e.what + (e.visible >= 0 ? "@" + std::to_string(e.visible) : "");
  }
  return s;
}

class TestNotifier : public CSlideNotifier {
 public:
  explicit TestNotifier(int id, int holdMs = 0) : m_id(id) {
    m_holdTime = holdMs;
  }
  ~TestNotifier() override { Events().push_back({m_id, "deleted", -1}); }

  static void RearmStageHooks() {
    s_showHalfPending = TRUE;
    s_hideTwoThirdsPending = TRUE;
    s_hideHalfPending = TRUE;
  }
  int Visible() const { return m_rect.bottom - m_rect.top; }

  bool m_hideAtHalf = false;
  std::vector<uint32_t> m_fullPixels;
  std::vector<uint32_t> m_halfPixels;
  int m_halfWidth = 0, m_halfHeight = 0;
  int m_fullWidth = 0, m_fullHeight = 0;

 protected:
  void OnShowHalf() override {
    Events().push_back({m_id, "half", Visible()});
    platform::CaptureWindow(m_hWnd, m_halfPixels, m_halfWidth, m_halfHeight);
    if (m_hideAtHalf) StartHide();
  }
  void OnShowFull() override {
    Events().push_back({m_id, "full", Visible()});
    RECT r;
    GetWindowRect(&r);
    Events().push_back({m_id, "window", r.bottom - r.top});
    UpdateWindow();
    platform::CaptureWindow(m_hWnd, m_fullPixels, m_fullWidth, m_fullHeight);
  }
  void OnHideTwoThirds() override { Events().push_back({m_id, "twothirds", Visible()}); }
  void OnHideHalf() override { Events().push_back({m_id, "hidehalf", Visible()}); }

 private:
  int m_id;
};

// The clock stands still in these tests. Whenever the queue is empty it is moved on by 5 ms, so
// the animations run step by step whatever the machine's load, and a notifier that never ends
// fails after 5 seconds of its own time.
bool DispatchOrMoveClock(DWORD& elapsed) {
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageA(&msg);
    return true;
  }
  platform::AdvanceClock(5);
  elapsed += 5;
  return false;
}

// Runs the thread's message loop until the notifiers are gone (every one deleted) or 5 seconds.
void RunUntilDeleted(int count) {
  auto deleted = [] {
    int n = 0;
    for (const Event& e : Events()) n += e.what == "deleted";
    return n;
  };
  DWORD elapsed = 0;
  while (deleted() < count && elapsed < 5000) DispatchOrMoveClock(elapsed);
}

class SlideNotifier : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    static bool registered =
        DialogTemplate(WS_POPUP, 0, 0, 120, 40)
            .Font("宋体", 9)
            .Add("STATIC", "请求看牌", 100, SS_LEFT, 8, 8, 60, 10)
            .Register(TEMPLATE_ID);
    ASSERT_TRUE(registered);
    Events().clear();
    TestNotifier::RearmStageHooks();
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &m_workArea, 0);
  }
  RECT m_workArea{};
  testsupport::StoppedClock m_clock;
};

TEST_F(SlideNotifier, RisesHoldsSinksAndDeletesItself) {
  TestNotifier* n = new TestNotifier(1, 150);
  n->SetSize(100, 33);  // not a multiple of the 5-pixel step
  n->SetGradientColor(TEAL);
  n->SetEndColor(TEAL);
  ASSERT_TRUE(n->Show(TEMPLATE_ID, nullptr, nullptr));
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 1);
  EXPECT_EQ(n->GetCurrentRect().left, m_workArea.right - 250);
  EXPECT_EQ(n->GetCurrentRect().top, m_workArea.bottom);  // starts with nothing visible

  DWORD start = GetTickCount();
  RunUntilDeleted(1);
  DWORD elapsed = GetTickCount() - start;
  // Up in 7 steps to exactly 33, held, then down: two thirds of 33 is 22, half is 16.
  EXPECT_EQ(Summary(1), "half@20 full@33 window@33 twothirds@18 hidehalf@13 deleted");
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 0);
  // 7 steps up, the hold and 7 steps down at 20 ms each.
  EXPECT_GE(elapsed, 150u + 13 * 20u);
}

TEST_F(SlideNotifier, StageHooksFireOncePerProcess) {
  TestNotifier* first = new TestNotifier(1);
  first->SetSize(100, 20);
  ASSERT_TRUE(first->Show(TEMPLATE_ID, nullptr, nullptr));
  RunUntilDeleted(1);
  TestNotifier* second = new TestNotifier(2);
  second->SetSize(100, 20);
  ASSERT_TRUE(second->Show(TEMPLATE_ID, nullptr, nullptr));
  RunUntilDeleted(2);
  EXPECT_EQ(Summary(1), "half@10 full@20 window@20 twothirds@10 hidehalf@10 deleted");
  EXPECT_EQ(Summary(2), "full@20 window@20 deleted");
}

TEST_F(SlideNotifier, StartHideWhileRisingSinksFromWhereItIs) {
  TestNotifier* n = new TestNotifier(1);
  n->SetSize(100, 40);
  n->m_hideAtHalf = true;
  ASSERT_TRUE(n->Show(TEMPLATE_ID, nullptr, nullptr));
  RunUntilDeleted(1);
  // No full stage: the window sank from half height.
  EXPECT_EQ(Summary(1), "half@20 twothirds@15 hidehalf@15 deleted");
}

TEST_F(SlideNotifier, OpenCountShiftsLaterNotifiersLeft) {
  TestNotifier* a = new TestNotifier(1);
  a->SetSize(100, 10);
  ASSERT_TRUE(a->Show(TEMPLATE_ID, nullptr, nullptr));
  TestNotifier* b = new TestNotifier(2);
  b->SetSize(100, 10);
  ASSERT_TRUE(b->Show(TEMPLATE_ID, nullptr, nullptr));
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 2);
  EXPECT_EQ(b->GetCurrentRect().left, a->GetCurrentRect().left - 10);
  RunUntilDeleted(2);
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 0);

  // With none open the default left edge is back where it started.
  TestNotifier* c = new TestNotifier(3);
  c->SetSize(100, 10);
  c->OffsetBottom(40);
  ASSERT_TRUE(c->Show(TEMPLATE_ID, nullptr, nullptr));
  EXPECT_EQ(c->GetCurrentRect().left, m_workArea.right - 250);
  EXPECT_EQ(c->GetCurrentRect().bottom, m_workArea.bottom - 40);
  RunUntilDeleted(3);
}

TEST_F(SlideNotifier, FailedCreationCountsNothingAndDeletesTheObject) {
  TestNotifier* n = new TestNotifier(1);
  EXPECT_FALSE(n->Show(4242, nullptr, nullptr));  // no such template
  EXPECT_EQ(Summary(1), "deleted");
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 0);
  // A later notifier is not shifted by the failed one.
  TestNotifier* m = new TestNotifier(2);
  m->SetSize(100, 10);
  ASSERT_TRUE(m->Show(TEMPLATE_ID, nullptr, nullptr));
  EXPECT_EQ(m->GetCurrentRect().left, m_workArea.right - 250);
  RunUntilDeleted(2);
}

// A pop-up whose own start-up gives up and destroys its window.
class GivingUpNotifier : public TestNotifier {
 public:
  using TestNotifier::TestNotifier;
  BOOL OnInitDialog() override {
    CSlideNotifier::OnInitDialog();
    DestroyWindow();
    return TRUE;
  }
};

TEST_F(SlideNotifier, WindowDestroyedWhileBeingMadeIsDeletedOnce) {
  GivingUpNotifier* n = new GivingUpNotifier(1);
  EXPECT_FALSE(n->Show(TEMPLATE_ID, nullptr, nullptr));
  EXPECT_EQ(Summary(1), "deleted");
  EXPECT_EQ(CSlideNotifier::GetOpenCount(), 0);
}

TEST_F(SlideNotifier, RenderedFullyUpWithItsLabelOverTheGradient) {
  TestNotifier* n = new TestNotifier(1);
  n->SetSize(180, 60);
  n->SetGradientColor(TEAL);
  n->SetEndColor(RGB(255, 255, 255));
  ASSERT_TRUE(n->Show(TEMPLATE_ID, nullptr, nullptr));
  std::vector<uint32_t> pixels, half;
  int w = 0, h = 0, halfW = 0, halfH = 0;
  // Keep the pixels captured at the full stage before the object goes.
  DWORD elapsed = 0;
  while (w == 0 && elapsed < 5000) {
    if (DispatchOrMoveClock(elapsed)) {
      if (n->m_halfWidth && halfW == 0) {
        halfW = n->m_halfWidth;
        halfH = n->m_halfHeight;
        half = n->m_halfPixels;
      }
      if (n->m_fullWidth) {
        pixels = n->m_fullPixels;
        w = n->m_fullWidth;
        h = n->m_fullHeight;
      }
    }
  }
  ASSERT_EQ(w, 180);
  ASSERT_EQ(h, 60);
  std::filesystem::create_directories(PXQD_CONTROL_DUMP_DIR);
  gditest::WritePng(std::string(PXQD_CONTROL_DUMP_DIR) + "/slide-notifier.png", pixels.data(), w, h, w * 4);
  // On the way up the window shows the top part of its background: the gradient is laid out
  // over the visible height of each moment.
  ASSERT_EQ(halfW, 180);
  ASSERT_GT(halfH, 0);
  ASSERT_LT(halfH, 60);
  gditest::WritePng(std::string(PXQD_CONTROL_DUMP_DIR) + "/slide-notifier-rising.png", half.data(), halfW, halfH,
                    halfW * 4);
  auto at = [&](int x, int y) {
    uint32_t p = pixels[static_cast<size_t>(y) * w + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  };
  // The top half is the flat first colour, also behind the label (which starts at 12, 13 in
  // pixels for 宋体 9 dialog units); the bottom row is nearly white.
  EXPECT_EQ(at(2, 2), TEAL);
  EXPECT_EQ(at(100, 14), TEAL);
  EXPECT_EQ(at(2, 59), at(170, 59));
  EXPECT_GT(GetGValue(at(2, 59)), 240);
  RunUntilDeleted(1);
}

}  // namespace
