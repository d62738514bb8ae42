// A mahjong application for the frame and pane tests: a game description of four seats, a
// connection whose look-on permission request answers as the test says, and skin settings with
// the operate buttons' size set by the test. The frame is this game's main frame without the
// table scene.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/SkinSettings.h"
#include "mahjong/MJGameApp.h"
#include "mahjong/MJGameConnection.h"
#include "platform/display/Display.h"
#include "platform/mfc/AfxThreadState.h"
#include "resources/ProgramResources.h"
#include "tests/platform/MfcWindowTestSupport.h"
#include "variant/MainFrame.h"
#include "variant/VariantGameInfo.h"
#include "variant/VariantSeatPainter.h"

namespace frametest {

class FakeConnection : public CMJGameConnection {
 public:
  FakeConnection() : CMJGameConnection(nullptr, 0, 0, 0) {}
  int SendSeeHandPermission(int watcherUserId, int allow) override {
    permissions.emplace_back(watcherUserId, allow);
    return answer;
  }
  int SendRequest(CString& text, int code, int* length, const BYTE* body, int* result, BYTE** replyData,
                  int wait) override {
    requests.emplace_back(code, std::vector<BYTE>(body, body + (length != nullptr ? *length : 0)));
    if (length != nullptr) *length = 0;
    return 1;
  }
  int answer = 1;
  std::vector<std::pair<int, int>> permissions;
  std::vector<std::pair<int, std::vector<BYTE>>> requests;
};

class FakeSkin : public CSkinSettings {
 public:
  int GetButtonWidth() const override { return width; }
  int GetButtonHeight() const override { return height; }
  int width = 0;
  int height = 0;
};

class FrameApp : public CMJGameApp {
 public:
  FrameApp() : CMJGameApp("Pxqd", 31380, 2, 0) {}
  CGameInfo* GetGameInfo() override { return &info; }
  CMJGameConnection* GetMJConnection() override { return &connection; }
  CGameConnection* GetConnection() override { return &connection; }
  CSkinSettings* GetSkinSettings() override { return &skin; }
  void ShowOptions() override { ++optionsShown; }
  void ShowPlayerCard(const BYTE* record, size_t length) override { cardBytes = length; }
  int MayUseBank() override { return bank; }
  CSeatPainter* GetSeatPainter() override { return &painter; }

  CVariantGameInfo info;
  CVariantSeatPainter painter{info};
  size_t cardBytes = 0;
  FakeConnection connection;
  FakeSkin skin;
  int optionsShown = 0;
  int bank = 0;
};

// Sets the screen, makes the application (which reads the screen height once) and the frame
// with its panes, gives every pane its first update and shows the frame over the screen.
class FrameTest : public mfcwin::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(resources::RegisterProgramResources());
  }
  void TearDown() override {
    DestroyFrame();
    AfxGetThreadState().pCurrentThread = nullptr;
    m_app.reset();
    platform::SetScreenSize(1024, 768);
    WindowTest::TearDown();
  }
  void MakeApp(int width, int height) {
    platform::SetScreenSize(width, height);
    m_app = std::make_unique<FrameApp>();
    // The view mode as the start-up settles it: the scene's (the engine-drawn table here).
    m_app->SetViewMode(m_app->GetSceneViewMode());
    m_app->SetPlayerCount(4);
    m_app->Launch().userId = 1001;
    m_app->Launch().chair = 0;
    AfxGetThreadState().pCurrentThread = m_app.get();
  }
  template <class Frame = CMainFrame>
  Frame* MakeFrame(int width, int height) {
    if (m_app == nullptr) MakeApp(width, height);
    auto* frame = new Frame();
    if (!frame->LoadFrame(0, WS_OVERLAPPEDWINDOW, nullptr, nullptr)) return nullptr;
    m_app->m_pMainWnd = frame;
    frame->InitialUpdateFrame(nullptr, FALSE);
    frame->SetWindowPos(nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_SHOWWINDOW);
    mfcwin::Pump();
    m_frame = frame;
    return frame;
  }
  void DestroyFrame() {
    // The chat pane's welcome starts a notice download on a thread of its own; it is let finish
    // first, so that no download outlives the test.
    if (auto* game = dynamic_cast<CGameFrameWnd*>(m_frame)) {
      EXPECT_TRUE(testsupport::PumpUntil([game] { return game->GetDownloadJobCount() == 0; }, 20000));
    }
    if (m_frame != nullptr && m_frame->GetSafeHwnd() != nullptr) m_frame->DestroyWindow();
    m_frame = nullptr;
    if (m_app != nullptr) m_app->m_pMainWnd = nullptr;
    mfcwin::Pump();
  }
  // A pane's rectangle in the frame's client coordinates.
  CRect InFrame(CWnd* pane) const {
    CRect rc;
    pane->GetWindowRect(&rc);
    ::ScreenToClient(m_frame->GetSafeHwnd(), reinterpret_cast<POINT*>(&rc.left));
    ::ScreenToClient(m_frame->GetSafeHwnd(), reinterpret_cast<POINT*>(&rc.right));
    return rc;
  }

  // The size of a pane's cell: its client area (a form pane's one-pixel edge lies outside it).
  static CSize Cell(CWnd* pane) {
    CRect rc;
    pane->GetClientRect(&rc);
    return rc.Size();
  }

  std::unique_ptr<FrameApp> m_app;
  CFrameWnd* m_frame = nullptr;
};

}  // namespace frametest
