#include <gtest/gtest.h>

#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/GameTableView.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"

namespace {

class CountingConnection : public CGameConnection {
 public:
  CountingConnection() : CGameConnection(nullptr, 0, 0, 0) {}
  int ChangeTable(CString& text) override {
    ++changes;
    return 1;
  }
  int changes = 0;
};

class TableApp : public CGameApp {
 public:
  TableApp() : CGameApp("Pxqd", 31380, 2, 0) {}
  CGameConnection* GetConnection() override { return &connection; }
  CountingConnection connection;
};

class TestTable : public CGameTableView {
 public:
  TestTable() : CGameTableView(177) {}
  using CGameTableView::m_stretched;
};

TEST(TablePane, BackgroundKickTimerAndChangeTable) {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  ASSERT_TRUE(resources::RegisterProgramResources());
  TableApp app;
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "table", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr));
  auto* table = new TestTable();
  ASSERT_TRUE(table->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 50), &parent, 100));
  table->OnInitialUpdate();

  // A picture stretched to the pane, rebuilt only when the size really changes.
  HDC screen = GetDC(nullptr);
  table->SetSourcePicture(CreateCompatibleBitmap(screen, 10, 10));
  ReleaseDC(nullptr, screen);
  table->MoveWindow(0, 0, 120, 60);
  HBITMAP first = table->m_stretched;
  ASSERT_NE(first, nullptr);
  table->SendMessage(WM_SIZE, 0, MAKELPARAM(table->GetWidth(), table->GetHeight()));
  EXPECT_EQ(table->m_stretched, first);
  table->SendMessage(WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(table->m_stretched, first);
  EXPECT_GT(table->GetWidth(), 0);

  // Without option bits 6 and 7 there is no kick timer, even after the count-down.
  table->InitKickCountdown();
  EXPECT_EQ(table->SetKickTimer(), 0u);
  table->KillKickTimer();
  EXPECT_EQ(table->GetKickTimerId(), 0u);
  EXPECT_EQ(table->RequestChangeTable(), 0);

  // With them, but also bit 1, no change-table request goes out.
  app.Tables().Room().options = (1 << 6) | (1 << 7) | (1 << 1);
  table->InitKickCountdown();
  EXPECT_EQ(table->GetKickCountdown(), KICK_COUNTDOWN_SECONDS);
  EXPECT_EQ(table->RequestChangeTable(), 0);
  app.Tables().Room().options = (1 << 6) | (1 << 7);
  EXPECT_EQ(table->RequestChangeTable(), 1);
  EXPECT_EQ(app.connection.changes, 1);

  EXPECT_NE(table->StartClockTimer(), 0u);
  EXPECT_NE(table->GetClockTimerId(), 0u);
  table->StopClockTimer();
  EXPECT_EQ(table->GetClockTimerId(), 0u);
  parent.DestroyWindow();
}

}  // namespace
